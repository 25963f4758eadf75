#pragma once

// Interface files: "Resources/Interface/<Name>.json", one per screen and idiom (the phone's
// carry "_iPhone"). A file is one JSON object:
//
//   {
//     "owner": "StartViewController",      class of the file's owner (checked by the file test)
//     "objects": [ element, ... ]          top-level objects, made in order
//   }
//
// An element is an object of a registered class:
//
//   {
//     "class": "UILabel",                  registered class name (UIClassRegistry)
//     "id": "name",                        optional; what "Object" values and outlets refer to
//     "outlet": "lblName",                 optional; the owner's outlet that receives it
//     "frame": [x, y, w, h], "tag": 3, ... the class's keys, each of its registered value kind
//     "outlets": { "imgIcon": "icon" },    this element's own outlets (for a cell): name -> id
//     "actions": [ { "event": "touchUpInside", "selector": "btnSavePressed:",
//                    "target": "owner" } ],  target "owner" (default) or an id
//     "subviews": [ element, ... ]         views only, added in order (the last on top)
//   }
//
// Values of kind Object name "owner" or an element id of the same file; they, the outlets and
// the actions are bound after every element is made and configured, in file order. Outlets are
// typed: the receiving object declares them (UIInterfaceOwner) and each checks the class of what
// it gets. Anything unknown or ill-typed (a class, key, value kind, id, outlet or action, or a
// "subviews" list on something that is not a view) fails the whole load with NamedException
// "NSInternalInconsistencyException", whose reason names the file, the element and the key;
// nothing is bound to the owner then.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/UIKit/Forward.h"

inline constexpr char UINibLoadingException[] = "NSInternalInconsistencyException";

class UINib {
public:
    // Reads "Interface/<name>.json" of the main bundle; raises when missing or not JSON.
    static std::shared_ptr<UINib> nibWithNibName(const std::string& name);
    // From a file's text; the name is only for messages. Raises when it is not JSON.
    static std::shared_ptr<UINib> nibWithJSON(std::string_view text, std::string fileName);
    // Loads and instantiates in one step, as the bundle's loadNibNamed:owner:options: does.
    static std::vector<std::shared_ptr<UIResponder>> loadNibNamed(
        const std::string& name, UIResponder* owner);

    // Makes the objects, binds them to the owner (which may be null when the file binds nothing
    // to it) and answers the top-level objects.
    [[nodiscard]] std::vector<std::shared_ptr<UIResponder>> instantiateWithOwner(UIResponder* owner) const;

    [[nodiscard]] const std::string& fileName() const { return fileName_; }
    // The "owner" class the file names, empty when it names none.
    [[nodiscard]] const std::string& ownerClassName() const { return ownerClassName_; }

    ~UINib();
    struct Document;
    UINib(std::shared_ptr<const Document> document, std::string fileName, std::string ownerClassName);

private:
    std::shared_ptr<const Document> document_;
    std::string fileName_;
    std::string ownerClassName_;
};
