#!/usr/bin/python3
# Writes the remote directory screen's interface files (Resources/Interface): the screen, its
# cell, the rename/delete popover and the new-file screen, for pad and phone. Run it after a
# change of layout; the JSON it writes is what the app loads.
import json
import os
import sys

out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "Resources", "Interface")
CLEAR = "#00000000"
TITLE = "LexitypeNeue-Bold"
TEXT = "Lexitype Neue"


def label(frame, text="", outlet=None, size=17, color="#e6e6e6", bold=False, align=0, ident=None):
    element = {"class": "UILabel", "frame": frame, "text": text, "textColor": color, "backgroundColor": CLEAR,
               "font": {"name": TITLE if bold else TEXT, "size": size}, "textAlignment": align}
    if outlet:
        element["outlet"] = outlet
    if ident:
        element["id"] = ident
    return element


def button(frame, outlet=None, title=None, selector=None, image=None, size=24, color="#ffffff"):
    element = {"class": "UIButton", "frame": frame}
    if outlet:
        element["outlet"] = outlet
    if title is not None:
        element.update({"title": title, "titleColor": color, "font": {"name": TITLE, "size": size}})
    if image:
        element["backgroundImage"] = image
    if selector:
        element["actions"] = [{"event": "touchUpInside", "selector": selector}]
    return element


def line(frame, outlet):
    return {"class": "UIImageView", "outlet": outlet, "frame": frame, "backgroundColor": "#6d6d6d"}


def table(frame, outlet, row_height, hidden=False):
    element = {"class": "UITableView", "outlet": outlet, "frame": frame, "rowHeight": row_height,
               "separatorColor": "#3a3b3e", "backgroundColor": CLEAR, "dataSource": "owner", "delegate": "owner"}
    if hidden:
        element["hidden"] = True
    return element


def screen(pad):
    size = [768, 1004] if pad else [320, 460]
    spinner = {"class": "UIActivityIndicatorView", "outlet": "activity", "frame": [0, 0, 37, 37],
               "activityIndicatorViewStyle": 0, "hidesWhenStopped": True, "hidden": True}
    progress = {"class": "UIProgressView", "outlet": "progressView", "hidden": True,
                "frame": [30, 128, 709, 9] if pad else [10, 40, 300, 9]}
    if pad:
        views = [
            button([30, 51, 20, 30], "btnUpArrow", image="LXPH_UpArrow.png"),
            button([45, 51, 50, 30], "btnUp", "..", "btnUpPressed:", size=34),
            button([108, 51, 41, 30], "btnHome", "", "btnHomePressed", image="LXPH_Home.png", size=28),
            label([159, 51, 400, 30], "/", "lblFolder", size=24, bold=True),
            button([605, 51, 133, 30], "btnAdd", "+ NEW", "btnAddPressed:", size=24),
            line([30, 88, 709, 1], "imgLine1"),
            label([76, 93, 76, 31], "Name", "lblFile", size=17, color="#a0a0a0", bold=True),
            label([343, 93, 256, 31], "Date", "lblDate", size=17, color="#a0a0a0", bold=True),
            label([620, 93, 63, 31], "Size", "lblSize", size=17, color="#a0a0a0", bold=True),
            line([30, 126, 709, 1], "imgLine2"),
            progress,
            table([29, 133, 715, 839], "tblDirectory", 40),
            table([29, 133, 715, 839], "tblTemp", 40, hidden=True),
            spinner,
        ]
    else:
        views = [
            button([6, 6, 16, 30], "btnUpArrow", image="LXPH_UpArrow.png"),
            button([22, 6, 46, 30], "btnUp", "..", "btnUpPressed:", size=34),
            button([74, 6, 36, 30], "btnHome", "", "btnHomePressed", image="LXPH_Home.png", size=28),
            label([116, 6, 120, 30], "/", "lblFolder", size=18, bold=True),
            button([242, 6, 72, 30], "btnAdd", "+", "btnAddPressed:", size=24),
            line([6, 42, 308, 1], "imgLine1"),
            progress,
            table([0, 44, 320, 416], "tblDirectory", 44),
            table([0, 44, 320, 416], "tblTemp", 44, hidden=True),
            spinner,
        ]
    root = {"class": "UIView", "outlet": "view", "frame": [0, 0] + size, "autoresizingMask": 18,
            "backgroundColor": "#1c1d1f", "subviews": [
                {"class": "UIImageView", "frame": [0, 0] + size, "autoresizingMask": 18,
                 "image": "QV_LXPH_P_Hintergrund.png", "contentMode": 0}] + views}
    return {"owner": "DirListController", "objects": [root]}


def cell(pad):
    if pad:
        frame, icon = [0, 0, 705, 40], [12, 6, 28, 28]
        name, date, size = [49, 8, 258, 21], [315, 8, 271, 21], [594, 8, 112, 21]
    else:
        frame, icon = [0, 0, 320, 44], [8, 8, 28, 28]
        name, date, size = [44, 11, 268, 21], None, None
    subviews = [{"class": "UIImageView", "id": "imgIcon", "frame": icon, "contentMode": 1},
                label(name, ident="lblFile", size=17)]
    outlets = {"imgIcon": "imgIcon", "lblFile": "lblFile"}
    if pad:
        subviews += [label(date, ident="lblDate", size=15, color="#a0a0a0"),
                     label(size, ident="lblSize", size=15, color="#a0a0a0")]
        outlets.update({"lblDate": "lblDate", "lblSize": "lblSize"})
    element = {"class": "DirListCell", "id": "cell", "frame": frame, "reuseIdentifier": "DirListIdent",
               "selectionStyle": 2, "backgroundColor": CLEAR, "outlets": outlets, "subviews": subviews}
    return {"owner": "DirListController", "objects": [element]}


def directory_popover():
    return {"owner": "DirectoryPopover", "objects": [{
        "class": "UIView", "outlet": "view", "frame": [0, 0, 207, 40], "backgroundColor": "#2a2b2e",
        "subviews": [
            {"class": "UISegmentedControl", "outlet": "segments", "frame": [0, 0, 207, 40],
             "segments": ["Rename", "Delete"], "momentary": True,
             "actions": [{"event": "valueChanged", "selector": "btnSegPressed:"}]},
            button([0, 0, 103, 40], title="", selector="btnRenamePressed"),
            button([104, 0, 103, 40], title="", selector="btnDeletePressed"),
        ]}]}


ADD_BUTTONS = [("FOLDER", "btnFolderPressed"), ("DOCUMENT", "btnDocumentPressed"),
               ("CSS PRINT", "btnCSSPrintPressed"), ("CSS SCREEN", "btnCSSScreenPressed"),
               ("CUSTOM", "btnCustomPressed"), ("HTML 4.01", "btnHTMLPressed"), ("HTML5", "btnHTML5Pressed"),
               ("JQUERY", "btnJQueryPressed"), ("PHP", "btnPHPPressed"), ("XML", "btnXMLPressed")]


def add_button(frame, title, selector):
    element = button(frame, title=title, selector=selector, size=18)
    element["backgroundColor"] = "#3a3b3e"
    return element


def add_popover(pad):
    if pad:
        size = [180, 600]
        views = [{"class": "UIImageView", "outlet": "imgDino", "frame": [0, 0, 180, 92], "image": "LXPH_Dino.png",
                  "contentMode": 1}]
        views += [add_button([10, 100 + 50 * i, 160, 42], t, s) for i, (t, s) in enumerate(ADD_BUTTONS)]
    else:
        size = [320, 460]
        views = [button([10, 8, 60, 34], "btnBack", "UP", "btnUpPressed", size=34),
                 label([80, 8, 160, 34], "NEW", size=24, bold=True),
                 {"class": "UIImageView", "outlet": "imgDino", "frame": [256, 4, 56, 42], "image": "LXPH_Dino.png",
                  "contentMode": 1}]
        views += [add_button([10 + 155 * (i % 2), 60 + 78 * (i // 2), 145, 64], t, s)
                  for i, (t, s) in enumerate(ADD_BUTTONS)]
    return {"owner": "AddPopover", "objects": [{
        "class": "UIView", "outlet": "view", "frame": [0, 0] + size, "autoresizingMask": 18,
        "backgroundColor": "#1c1d1f", "subviews": views}]}


files = {
    "DirListController": screen(True), "DirListController_iPhone": screen(False),
    "DirListCell": cell(True), "DirListCell_iPhone": cell(False),
    "DirectoryPopover": directory_popover(),
    "AddPopover": add_popover(True), "AddPopover_iPhone": add_popover(False),
}
for name, document in files.items():
    with open(os.path.join(out, name + ".json"), "w") as f:
        json.dump(document, f, indent=1)
        f.write("\n")
