#pragma once

#include "Classes/Controller/MasterPasswordScreen.h"

// Asks for the master password at launch while a non-empty one is stored; the right one opens
// the start screen, any other text only tells the user so.
class PassController : public MasterPasswordScreen {
public:
    static constexpr char kClassName[] = "PassController";

    PassController();

    [[nodiscard]] UITextField* txtPass() const { return txtPass_; }

    void btnGoPressed() override;

    // UIViewController
    void viewDidLoad() override;

    static void registerInterfaceClass(UIClassRegistry& registry);

protected:
    [[nodiscard]] std::vector<UITextField*> textFields() const override { return { txtPass_ }; }
    void clearOutlets() override;
    void declareConnections(UIConnectionTable& table) override;

private:
    UITextField* txtPass_ { nullptr };
};
