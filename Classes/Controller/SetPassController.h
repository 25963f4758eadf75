#pragma once

#include "Classes/Controller/MasterPasswordScreen.h"

// Shown at launch while no master password was ever chosen: the user types one twice and
// stores it, or declines with an empty one; either way the start screen follows.
class SetPassController : public MasterPasswordScreen {
public:
    static constexpr char kClassName[] = "SetPassController";

    SetPassController();

    [[nodiscard]] UIButton* btnNo() const { return btnNo_; }
    [[nodiscard]] UITextField* txtPass1() const { return txtPass1_; }
    [[nodiscard]] UITextField* txtPass2() const { return txtPass2_; }

    void btnGoPressed() override;
    void btnNoPressed();

    // UIViewController
    void viewWillAppear(bool animated) override;

    static void registerInterfaceClass(UIClassRegistry& registry);

protected:
    [[nodiscard]] std::vector<UITextField*> textFields() const override { return { txtPass1_, txtPass2_ }; }
    // Both fields shift the view as the first one does, so moving between them keeps it still.
    [[nodiscard]] UITextField* shiftFieldFor(UITextField*) const override { return txtPass1_; }
    void clearOutlets() override;
    void declareConnections(UIConnectionTable& table) override;

private:
    void storeMasterPassword(const std::string& password);

    UIButton* btnNo_ { nullptr };
    UITextField* txtPass1_ { nullptr };
    UITextField* txtPass2_ { nullptr };
};
