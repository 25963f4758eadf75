#pragma once

enum UITextAutocapitalizationType : int {
    UITextAutocapitalizationTypeNone = 0,
    UITextAutocapitalizationTypeWords = 1,
    UITextAutocapitalizationTypeSentences = 2,
    UITextAutocapitalizationTypeAllCharacters = 3,
};

enum UITextAutocorrectionType : int {
    UITextAutocorrectionTypeDefault = 0,
    UITextAutocorrectionTypeNo = 1,
    UITextAutocorrectionTypeYes = 2,
};

enum UIKeyboardType : int {
    UIKeyboardTypeDefault = 0,
    UIKeyboardTypeASCIICapable = 1,
    UIKeyboardTypeNumbersAndPunctuation = 2,
    UIKeyboardTypeURL = 3,
    UIKeyboardTypeNumberPad = 4,
    UIKeyboardTypePhonePad = 5,
    UIKeyboardTypeNamePhonePad = 6,
    UIKeyboardTypeEmailAddress = 7,
};

enum UIKeyboardAppearance : int {
    UIKeyboardAppearanceDefault = 0,
    UIKeyboardAppearanceAlert = 1,
};

enum UIReturnKeyType : int {
    UIReturnKeyDefault = 0,
    UIReturnKeyGo = 1,
    UIReturnKeyGoogle = 2,
    UIReturnKeyJoin = 3,
    UIReturnKeyNext = 4,
    UIReturnKeyRoute = 5,
    UIReturnKeySearch = 6,
    UIReturnKeySend = 7,
    UIReturnKeyYahoo = 8,
    UIReturnKeyDone = 9,
    UIReturnKeyEmergencyCall = 10,
};

// How the keyboard should behave for a text input. Plain storage: nothing here changes how the
// host delivers typing.
class UITextInputTraits {
public:
    virtual ~UITextInputTraits() = default;

    [[nodiscard]] UITextAutocapitalizationType autocapitalizationType() const { return autocapitalizationType_; }
    void setAutocapitalizationType(UITextAutocapitalizationType type) { autocapitalizationType_ = type; }
    [[nodiscard]] UITextAutocorrectionType autocorrectionType() const { return autocorrectionType_; }
    void setAutocorrectionType(UITextAutocorrectionType type) { autocorrectionType_ = type; }
    [[nodiscard]] UIKeyboardType keyboardType() const { return keyboardType_; }
    void setKeyboardType(UIKeyboardType type) { keyboardType_ = type; }
    [[nodiscard]] UIKeyboardAppearance keyboardAppearance() const { return keyboardAppearance_; }
    void setKeyboardAppearance(UIKeyboardAppearance appearance) { keyboardAppearance_ = appearance; }
    [[nodiscard]] UIReturnKeyType returnKeyType() const { return returnKeyType_; }
    void setReturnKeyType(UIReturnKeyType type) { returnKeyType_ = type; }
    [[nodiscard]] bool enablesReturnKeyAutomatically() const { return enablesReturnKeyAutomatically_; }
    void setEnablesReturnKeyAutomatically(bool enables) { enablesReturnKeyAutomatically_ = enables; }
    [[nodiscard]] bool isSecureTextEntry() const { return secureTextEntry_; }
    void setSecureTextEntry(bool secure) { secureTextEntry_ = secure; }

private:
    UITextAutocapitalizationType autocapitalizationType_ { UITextAutocapitalizationTypeNone };
    UITextAutocorrectionType autocorrectionType_ { UITextAutocorrectionTypeDefault };
    UIKeyboardType keyboardType_ { UIKeyboardTypeDefault };
    UIKeyboardAppearance keyboardAppearance_ { UIKeyboardAppearanceDefault };
    UIReturnKeyType returnKeyType_ { UIReturnKeyDefault };
    bool enablesReturnKeyAutomatically_ { false };
    bool secureTextEntry_ { false };
};
