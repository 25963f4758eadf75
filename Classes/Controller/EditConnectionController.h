#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Classes/Controller/KeyboardAvoidance.h"
#include "Classes/Others/NetworkManagerDelegate.h"
#include "Platform/UIKit/UIActionSheetDelegate.h"
#include "Platform/UIKit/UITextFieldDelegate.h"
#include "Platform/UIKit/UIViewController.h"

class QVConnection;
class StartViewController;
class UIActivityIndicatorView;
class UIButton;
class UIImageView;
class UILabel;
class UISegmentedControl;
class UITextField;

// The connection form, opened modally by the start screen: new mode (no record, tag 1) builds a
// record, stores it and connects, taking the record out again when that connect fails; edit
// mode (a record, tag 0) writes the changes back without connecting, or deletes the record after
// a confirmation sheet. Main thread only.
class EditConnectionController : public UIViewController,
                                 public NetworkManagerDelegate,
                                 public UIActionSheetDelegate,
                                 public UITextFieldDelegate {
public:
    static constexpr char kClassName[] = "EditConnectionController";
    static constexpr int kTagNew = 1;
    static constexpr int kTagEdit = 0;

    EditConnectionController();
    ~EditConnectionController() override;

    // Field rules: the port a text gives (its leading decimal number, 21 for an empty text) and
    // the start path (one "/" in front and one at the end, "/" for an empty text).
    [[nodiscard]] static std::int32_t portValue(const std::u16string& text);
    [[nodiscard]] static std::string normalisedStartPath(const std::string& path);

    // Mode, set by the start screen before the form is shown.
    [[nodiscard]] const std::shared_ptr<QVConnection>& bookmark() const { return bookmark_; }
    void setBookmark(std::shared_ptr<QVConnection> record) { bookmark_ = std::move(record); }
    [[nodiscard]] int bookID() const { return bookID_; }
    void setBookID(int rowID) { bookID_ = rowID; }
    [[nodiscard]] int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    void setStartView(std::weak_ptr<StartViewController> startView) { startView_ = std::move(startView); }
    [[nodiscard]] bool connecting() const { return connecting_; }
    [[nodiscard]] CGFloat animatedDistance() const { return animatedDistance_; }

    [[nodiscard]] UITextField* txtName() const { return txtName_; }
    [[nodiscard]] UITextField* txtHost() const { return txtHost_; }
    [[nodiscard]] UITextField* txtPort() const { return txtPort_; }
    [[nodiscard]] UITextField* txtUser() const { return txtUser_; }
    [[nodiscard]] UITextField* txtPass() const { return txtPass_; }
    [[nodiscard]] UITextField* txtPath() const { return txtPath_; }
    [[nodiscard]] UIButton* btnBookmark() const { return btnBookmark_; }
    [[nodiscard]] UIButton* btnBookmark2() const { return btnBookmark2_; }
    [[nodiscard]] UIButton* btnCancel() const { return btnCancel_; }
    [[nodiscard]] UIButton* btnConnect() const { return btnConnect_; }
    [[nodiscard]] UIButton* btnRemove() const { return btnRemove_; }
    [[nodiscard]] UISegmentedControl* segType() const { return segType_; }
    [[nodiscard]] UILabel* lblTitle() const { return lblTitle_; }
    [[nodiscard]] UIImageView* imgDino() const { return imgDino_; }
    [[nodiscard]] UIActivityIndicatorView* actConnect() const { return actConnect_; }

    // Actions.
    void btnConnectPressed();
    void btnCancelPressed();
    void btnBackPressed();
    void btnBookmarkPressed(UIResponder* sender);
    void segTypeChanged();
    void btnRemovePressed();

    // UIViewController
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidUnload() override;
    [[nodiscard]] bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation orientation) override;
    [[nodiscard]] unsigned supportedInterfaceOrientations() override;
    void willAnimateRotationToInterfaceOrientationDuration(UIInterfaceOrientation orientation, double duration) override;

    // NetworkManagerDelegate
    [[nodiscard]] bool respondsTo(Operation operation) const override;
    void finishedConnectingwithCode(int code) override;

    // UIActionSheetDelegate
    void actionSheetDidDismissWithButtonIndex(UIActionSheet* actionSheet, int buttonIndex) override;

    // UITextFieldDelegate
    void textFieldDidBeginEditing(UITextField* textField) override;
    void textFieldDidEndEditing(UITextField* textField) override;
    [[nodiscard]] bool textFieldShouldReturn(UITextField* textField) override;

    static void registerInterfaceClass(UIClassRegistry& registry);

protected:
    void declareConnections(UIConnectionTable& table) override;

private:
    // False, with a message, when the port field holds no port from 1 to 65535.
    bool portAccepted();
    void connectNew();
    void applyEdit();
    [[nodiscard]] bool bookmarkChosen() const;
    [[nodiscard]] std::string startPathText() const;
    void reloadStartView() const;
    void clearOutlets();

    UITextField* txtName_ { nullptr }; // outlets: the view tree owns them
    UITextField* txtHost_ { nullptr };
    UITextField* txtPort_ { nullptr };
    UITextField* txtUser_ { nullptr };
    UITextField* txtPass_ { nullptr };
    UITextField* txtPath_ { nullptr };
    UIButton* btnBack_ { nullptr };
    UIButton* btnBookmark_ { nullptr };
    UIButton* btnBookmark2_ { nullptr };
    UIButton* btnCancel_ { nullptr };
    UIButton* btnConnect_ { nullptr };
    UIButton* btnRemove_ { nullptr };
    UISegmentedControl* segType_ { nullptr };
    UIImageView* imgDino_ { nullptr };
    UILabel* lblTitle_ { nullptr };
    UIActivityIndicatorView* actConnect_ { nullptr };

    CGFloat animatedDistance_ { 0 };
    KeyboardAvoidance::KeyboardHeights keyboardHeights_ {};
    bool connecting_ { false };
    std::shared_ptr<QVConnection> bookmark_;
    int bookID_ { 0 };
    int tag_ { kTagNew };
    std::weak_ptr<StartViewController> startView_;

    // The connect of a new record: its row id in the store, whether the form was closed while
    // it ran, and the form kept alive until its result has come.
    std::int32_t addedID_ { 0 };
    bool closedWhileConnecting_ { false };
    std::shared_ptr<UIViewController> keepAlive_;
};
