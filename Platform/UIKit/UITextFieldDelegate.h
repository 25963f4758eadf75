#pragma once

class UITextField;

// What a text field asks and tells its delegate. Every operation is optional; each default body
// is what the field does for a delegate that does not implement it, so "responds" needs no
// separate query. Focus moving from one field to another ends the first (did end) before the
// second begins (did begin).
class UITextFieldDelegate {
public:
    virtual ~UITextFieldDelegate() = default;
    // Not implemented: the field may take the keyboard.
    [[nodiscard]] virtual bool textFieldShouldBeginEditing(UITextField* textField) { return true; }
    virtual void textFieldDidBeginEditing(UITextField* textField) { }
    // Not implemented: the field may give the keyboard up.
    [[nodiscard]] virtual bool textFieldShouldEndEditing(UITextField* textField) { return true; }
    virtual void textFieldDidEndEditing(UITextField* textField) { }
    // The return key. Not implemented: YES, which only sends the field's "did end on exit" actions.
    [[nodiscard]] virtual bool textFieldShouldReturn(UITextField* textField) { return true; }
};
