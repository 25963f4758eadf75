#pragma once

// Action ids the editor's action menu sends (the pad's popover and the phone's sheet alike).
enum EditorAction : int {
    kEditorActionGoto = 1,
    kEditorActionFind = 2,
    kEditorActionMail = 3,
    kEditorActionSnippets = 4,
    kEditorActionPreview = 5,
    kEditorActionColouringOff = 6,
    kEditorActionColouringOn = 7,
};

// How the editor's action popover reports the chosen action and learns what to show.
class ActionPopoverDelegate {
public:
    virtual ~ActionPopoverDelegate() = default;

    // Runs one action id, then takes the popover away.
    virtual void dismissMeWithAction(int action) = 0;
    // Whether the editor's code view colours its text now (the switch shows it).
    [[nodiscard]] virtual bool codeViewHasHighlighter() const { return false; }
    // Whether there is a file to mail (a screen without a file offers no mail).
    [[nodiscard]] virtual bool canMailFile() const { return true; }
    // Whether the editor shows a text: a picture, PDF or office document offers nothing that
    // edits or searches text (no go to line, search or colouring).
    [[nodiscard]] virtual bool showsText() const { return true; }
};
