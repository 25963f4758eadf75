#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/UIKit/Forward.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"

// The kinds of value an interface file can give a property. The loader reads the file's value
// as the kind the class declared for the key and refuses anything else, naming the file, the
// element and the key.
enum class UIPropertyType {
    Bool,       // true / false
    Integer,    // a whole number (tags, masks, indices, enum values)
    Number,     // any number (alpha, font sizes, progress)
    String,     // text, titles, placeholders, selector names
    StringList, // segment titles, button titles
    Rect,       // [x, y, width, height]
    Size,       // [width, height]
    Color,      // "#rrggbb", "#rrggbbaa" or a named platform colour
    Font,       // {"name": ..., "size": ...}
    Image,      // an image name of the bundle, read through imageNamed
    Object,     // a reference: "owner" or the id of another element of the same file
};

// A property value as the loader decoded it, in the alternative its type names.
using UIPropertyValue = std::variant<bool, long, double, std::string, std::vector<std::string>, CGRect, CGSize,
                                     UIColorRef, UIFontRef, UIImageRef, std::shared_ptr<UIResponder>>;

// One settable key of a class: its type and the setter that applies a decoded value to an object
// of the class (the object is of the registered class or a subclass of it). A setter that cannot
// take a value (an Object of the wrong protocol, say) throws std::invalid_argument with a short
// reason; the loader adds the file, the element and the key.
struct UIPropertySetter {
    UIPropertyType type;
    std::function<void(UIResponder& object, const UIPropertyValue& value)> set;
};

// What an interface file can make: every class that may stand in one registers here under the name
// the files use, with a factory and its settable keys, beside its constructor. The platform's own
// classes register through registerPlatformInterfaceClasses; the application registers its own
// (the app delegate, the screens' controllers, the cells, the code text view) at start-up, before
// loading its main interface file. A class inherits the keys of the superclass it names.
class UIClassRegistry {
public:
    using Factory = std::function<std::shared_ptr<UIResponder>()>;
    using ActionConnector = std::function<void(UIResponder& object, const std::string& event,
                                               std::weak_ptr<UIResponder> target, const SEL& action)>;

    struct ClassInfo {
        std::string name;
        std::string superclass; // empty for a root
        Factory make;
        std::map<std::string, UIPropertySetter> properties; // this class's own keys
        ActionConnector connectAction;                      // empty: takes no actions itself
    };

    // The one registry, with the platform's classes registered on first use.
    static UIClassRegistry& shared();

    // Registers (or replaces) a class. The superclass must be registered already.
    void registerClass(std::string name, std::string superclass, Factory make,
                       std::map<std::string, UIPropertySetter> properties = {});
    // Adds keys to a registered class (a control's keys registered apart from its factory).
    void addProperties(const std::string& name, std::map<std::string, UIPropertySetter> properties);

    // How an interface file's action reaches an object of the class (a control): the event name
    // of the file ("touchUpInside", "valueChanged", ...), the target, held weakly, and the
    // selector. The connector throws std::invalid_argument for an event it does not know.
    void setActionConnector(const std::string& name, ActionConnector connector);
    // The connector of the class or its nearest superclass that has one; null when none has.
    [[nodiscard]] const ActionConnector* actionConnectorOf(const std::string& className) const;

    [[nodiscard]] const ClassInfo* classNamed(const std::string& name) const;
    // The setter of a key for a class, found on the class or its superclasses; null when none has it.
    [[nodiscard]] const UIPropertySetter* propertyOf(const std::string& className, const std::string& key) const;
    // Whether `name` is `ancestor` or inherits from it through the registered chain.
    [[nodiscard]] bool isKindOf(const std::string& name, const std::string& ancestor) const;

private:
    UIClassRegistry() = default;
    std::map<std::string, ClassInfo> classes_;
};

// Registers every platform class the interface files may name (UIView, UIButton, UILabel, ...).
// Defined in UIKitInterfaceClasses.cpp, which calls each class's own registration function; a new
// platform class adds one line there.
void registerPlatformInterfaceClasses(UIClassRegistry& registry);

// Helpers for registrations: a setter for a key of class T from a member setter taking the
// decoded alternative A (the registry has already checked the type).
template <typename T, typename A, typename F>
UIPropertySetter uiProperty(UIPropertyType type, F&& apply)
{
    return UIPropertySetter { type, [apply = std::forward<F>(apply)](UIResponder& object, const UIPropertyValue& value) {
                                 apply(static_cast<T&>(object), std::get<A>(value));
                             } };
}
