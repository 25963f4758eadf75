#!/usr/bin/env python3
# Writes the editor's interface files (pad and phone) from one description, so the two layouts
# keep the same outlets and actions.
import json, os, sys

KEYS = ["\u2192", "<", "=", ">", "(", ")", "[", "]", "{", "}", "/", "\\", "$", "'", "\""]

def button(outlet, frame, title, selector, mask, hidden=False, with_sender=True):
    b = {"class": "UIButton", "outlet": outlet, "frame": frame, "autoresizingMask": mask,
         "title": title, "titleColor": "#ffffff",
         "actions": [{"event": "touchUpInside", "selector": selector + (":" if with_sender else "")}]}
    if hidden:
        b["hidden"] = True
    return b

# Button widths: close, actions, save (the titles' fonts are fixed by the screen).
def editor(owner_w, owner_h, bar_h, widths, pad):
    w, h = owner_w, owner_h
    gap = 6
    bh = bar_h - 2 * gap
    close_w, do_w, save_w = widths
    button_w = close_w
    top = [
        button("btnClose", [gap, gap, close_w, bh], "Close", "btnClosePressed", 4),
        {"class": "UILabel", "outlet": "lblName",
         "frame": [gap * 2 + close_w, gap, w - 5 * gap - close_w - do_w - save_w, bh], "autoresizingMask": 2,
         "text": "", "textAlignment": 1, "textColor": "#ffffff", "backgroundColor": "#00000000",
         "font": {"name": "Lexitype Neue", "size": 18 if pad else 12}},
        button("btnDo", [w - 2 * gap - save_w - do_w, gap, do_w, bh], "Actions" if pad else "\u2026", "btnDoPressed", 1,
               with_sender=False),
        button("btnSave", [w - save_w - gap, gap, save_w, bh], "Save", "btnSavePressed", 1),
        button("btnGoto", [gap, gap, button_w, bh], "Line", "btnGotoPressed", 4, hidden=True),
        button("btnFind", [gap, gap, button_w, bh], "Find", "btnFindPressed", 4, hidden=True),
        button("btnPreview", [gap, gap, button_w, bh], "Preview", "btnPreviewPressed", 4, hidden=True,
               with_sender=False),
        button("btnMail", [gap, gap, button_w, bh], "Mail", "btnMailPressed", 4, hidden=True, with_sender=False),
        button("btnCloseArrow", [gap, gap, 20, bh], "<", "toogleBack", 4, hidden=True),
        {"class": "UISwitch", "outlet": "swiColor", "frame": [gap, gap, 79, 27], "hidden": True},
        {"class": "UIActivityIndicatorView", "outlet": "activity", "frame": [gap, gap, 20, 20], "hidden": True},
    ]
    key_h = 40 if pad else 34
    # The bar shows exactly while the keyboard is up, so its last button hides the keyboard.
    hide_w = 80 if pad else 52
    hide_keyboard = button(None, [w - hide_w - 2, 3, hide_w, key_h - 6], "Hide", "btnBackPressed", 1)
    del hide_keyboard["outlet"]
    keys = {"class": "UIView", "outlet": "keyboard", "frame": [0, h - key_h, w, key_h], "autoresizingMask": 10,
            "backgroundColor": "#2b2c30", "hidden": True,
            "subviews": [{"class": "UISegmentedControl", "outlet": "keyboardControl",
                          "frame": [2, 3, w - hide_w - 8, key_h - 6], "autoresizingMask": 2, "segments": KEYS,
                          "momentary": True, "segmentedControlStyle": 2, "tintColor": "#6d6d6d",
                          "titleColor": "#ffffff",
                          "actions": [{"event": "valueChanged", "selector": "btnPressed:"}]},
                         hide_keyboard]}
    content = [0, bar_h, w, h - bar_h]
    return {
        "owner": "CodeWriteController",
        "objects": [{
            "class": "UIView", "outlet": "view", "frame": [0, 0, w, h], "autoresizingMask": 18,
            "backgroundColor": "#1c1d1f",
            "subviews": [
                {"class": "UIImageView", "outlet": "imgBack", "frame": content, "autoresizingMask": 18,
                 "image": "LXPH_Editor_Back.png", "contentMode": 0, "hidden": True},
                {"class": "UIWebView", "outlet": "webView", "frame": content, "autoresizingMask": 18,
                 "hidden": True, "delegate": "owner"},
                {"class": "UIImageView", "outlet": "imgView", "frame": content, "autoresizingMask": 18,
                 "hidden": True},
                {"class": "UITextView", "outlet": "txtLines", "frame": [0, bar_h, 40, h - bar_h],
                 "autoresizingMask": 16, "editable": False, "hidden": True},
                {"class": "UIView", "outlet": "scrollCode", "frame": [0, 0, w, h], "autoresizingMask": 18,
                 "backgroundColor": "#00000000",
                 "subviews": [
                     {"class": "CodeTextView", "outlet": "txtCode", "frame": content, "autoresizingMask": 18,
                      "backgroundColor": "#ffffff", "hidden": True},
                     keys]},
                {"class": "UIView", "frame": [0, 0, w, bar_h], "autoresizingMask": 2,
                 "backgroundColor": "#1c1d1f", "subviews": top},
                {"class": "UIImageView", "outlet": "imgLine", "frame": [0, bar_h - 1, w, 1], "autoresizingMask": 2,
                 "backgroundColor": "#4a4b4f"},
                {"class": "UIProgressView", "outlet": "progressView", "frame": [0, bar_h, w, 9],
                 "autoresizingMask": 2, "hidden": True},
            ]}]}

def popover():
    def b(outlet, y, title, selector):
        return {"class": "UIButton", "outlet": outlet, "frame": [15, y, 220, 44], "title": title,
                "titleColor": "#ffffff", "actions": [{"event": "touchUpInside", "selector": selector}]}
    return {
        "owner": "ActionPopover",
        "objects": [{
            "class": "UIView", "outlet": "view", "frame": [0, 0, 250, 272], "backgroundColor": "#2b2c30",
            "subviews": [
                b("btnGoto", 12, "Go To Line", "btnGotoPressed"),
                b("btnFind", 64, "Search", "btnFindPressed"),
                b("btnMail", 116, "Email File", "btnMailPressed"),
                b("btnPreview", 168, "Preview", "btnPreviewPressed"),
                {"class": "UIButton", "outlet": "btnSnippet", "frame": [15, 168, 220, 44], "title": "Snippets",
                 "titleColor": "#ffffff", "hidden": True,
                 "actions": [{"event": "touchUpInside", "selector": "btnSnippetPressed"}]},
                {"class": "UILabel", "outlet": "lblColor", "frame": [15, 226, 140, 32], "text": "Colouring", "textColor": "#ffffff",
                 "backgroundColor": "#00000000", "font": {"name": "LexitypeNeue-Bold", "size": 20}},
                {"class": "UISwitch", "outlet": "swiColor", "frame": [156, 229, 79, 27],
                 "actions": [{"event": "valueChanged", "selector": "swiColorChanged"}]},
            ]}]}

def write(folder, name, document):
    with open(os.path.join(folder, name + ".json"), "w", encoding="utf-8") as out:
        json.dump(document, out, indent=1, ensure_ascii=False)
        out.write("\n")

folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "Resources", "Interface")
write(folder, "CodeWriteController", editor(768, 1004, 54, (110, 120, 110), True))
write(folder, "CodeWriteController_iPhone", editor(320, 460, 44, (90, 48, 84), False))
write(folder, "ActionPopover", popover())
