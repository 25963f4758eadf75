#include "Platform/UIKit/UINib.h"

#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSException.h"
#include "Platform/UIKit/UIClassRegistry.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIInterfaceOwner.h"
#include "Platform/UIKit/UIView.h"

using Json = nlohmann::ordered_json;

struct UINib::Document {
    Json root;
};

namespace {

constexpr char kInterfaceFolder[] = "Interface";
constexpr char kOwnerReference[] = "owner";
// Far beyond any screen; keeps a hostile file from exhausting the stack.
constexpr int kMaximumDepth = 64;

// Keys of the format itself; every other key of an element is a key of its class.
bool isFormatKey(const std::string& key)
{
    return key == "class" || key == "id" || key == "outlet" || key == "outlets" || key == "actions"
        || key == "subviews";
}

const char* kindName(UIPropertyType type)
{
    switch (type) {
    case UIPropertyType::Bool:
        return "true or false";
    case UIPropertyType::Integer:
        return "a whole number";
    case UIPropertyType::Number:
        return "a number";
    case UIPropertyType::String:
        return "a string";
    case UIPropertyType::StringList:
        return "a list of strings";
    case UIPropertyType::Rect:
        return "[x, y, width, height]";
    case UIPropertyType::Size:
        return "[width, height]";
    case UIPropertyType::Color:
        return "a colour (\"#rrggbb\", \"#rrggbbaa\" or a colour name)";
    case UIPropertyType::Font:
        return "a font ({\"name\": ..., \"size\": ...})";
    case UIPropertyType::Image:
        return "an image name of the bundle";
    case UIPropertyType::Object:
        return "\"owner\" or an element id";
    }
    return "a value";
}

// A failure at one place of the file, turned into the loader's exception at the top.
struct LoadError {
    std::string element;
    std::string key;
    std::string problem;
};

[[noreturn]] void fail(const std::string& element, const std::string& key, const std::string& problem)
{
    throw LoadError { element, key, problem };
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

UIColorRef namedColor(const std::string& name)
{
    static const std::map<std::string, UIColorRef (*)()> colours {
        { "black", UIColor::blackColor },
        { "darkGray", UIColor::darkGrayColor },
        { "lightGray", UIColor::lightGrayColor },
        { "white", UIColor::whiteColor },
        { "gray", UIColor::grayColor },
        { "red", UIColor::redColor },
        { "green", UIColor::greenColor },
        { "blue", UIColor::blueColor },
        { "cyan", UIColor::cyanColor },
        { "yellow", UIColor::yellowColor },
        { "magenta", UIColor::magentaColor },
        { "orange", UIColor::orangeColor },
        { "purple", UIColor::purpleColor },
        { "brown", UIColor::brownColor },
        { "clear", UIColor::clearColor },
    };
    const auto found = colours.find(name);
    return found == colours.end() ? nullptr : found->second();
}

std::optional<UIColorRef> decodeColor(const std::string& text)
{
    if (!text.empty() && text[0] == '#') {
        if (text.size() != 7 && text.size() != 9) {
            return std::nullopt;
        }
        CGFloat components[4] = { 0, 0, 0, 1 };
        for (std::size_t i = 1, c = 0; i < text.size(); i += 2, ++c) {
            const int high = hexDigit(text[i]);
            const int low = hexDigit(text[i + 1]);
            if (high < 0 || low < 0) {
                return std::nullopt;
            }
            components[c] = (high * 16 + low) / 255.0;
        }
        return UIColor::colorWithRed(components[0], components[1], components[2], components[3]);
    }
    if (UIColorRef colour = namedColor(text)) {
        return colour;
    }
    return std::nullopt;
}

bool numbers(const Json& value, std::size_t count, double* out)
{
    if (!value.is_array() || value.size() != count) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (!value[i].is_number()) {
            return false;
        }
        out[i] = value[i].get<double>();
    }
    return true;
}

// The value as the kind the class declared; nullopt when it is not of that kind.
std::optional<UIPropertyValue> decode(const Json& value, UIPropertyType type)
{
    switch (type) {
    case UIPropertyType::Bool:
        if (value.is_boolean()) {
            return UIPropertyValue { value.get<bool>() };
        }
        break;
    case UIPropertyType::Integer:
        if (value.is_number_integer()) {
            return UIPropertyValue { value.get<long>() };
        }
        break;
    case UIPropertyType::Number:
        if (value.is_number()) {
            return UIPropertyValue { value.get<double>() };
        }
        break;
    case UIPropertyType::String:
        if (value.is_string()) {
            return UIPropertyValue { value.get<std::string>() };
        }
        break;
    case UIPropertyType::StringList:
        if (value.is_array()) {
            std::vector<std::string> list;
            for (const Json& item : value) {
                if (!item.is_string()) {
                    return std::nullopt;
                }
                list.push_back(item.get<std::string>());
            }
            return UIPropertyValue { std::move(list) };
        }
        break;
    case UIPropertyType::Rect: {
        double n[4];
        if (numbers(value, 4, n)) {
            if (n[2] < 0 || n[3] < 0) {
                return std::nullopt;
            }
            return UIPropertyValue { CGRectMake(n[0], n[1], n[2], n[3]) };
        }
        break;
    }
    case UIPropertyType::Size: {
        double n[2];
        if (numbers(value, 2, n)) {
            if (n[0] < 0 || n[1] < 0) {
                return std::nullopt;
            }
            return UIPropertyValue { CGSizeMake(n[0], n[1]) };
        }
        break;
    }
    case UIPropertyType::Color:
        if (value.is_string()) {
            if (auto colour = decodeColor(value.get<std::string>())) {
                return UIPropertyValue { *colour };
            }
        }
        break;
    case UIPropertyType::Font:
        if (value.is_object() && value.size() == 2 && value.contains("name") && value["name"].is_string()
            && value.contains("size") && value["size"].is_number() && value["size"].get<double>() > 0) {
            if (UIFontRef font
                = UIFont::fontWithName(value["name"].get<std::string>(), value["size"].get<double>())) {
                return UIPropertyValue { font };
            }
        }
        break;
    case UIPropertyType::Image:
        if (value.is_string()) {
            if (UIImageRef image = UIImage::imageNamed(value.get<std::string>())) {
                return UIPropertyValue { image };
            }
        }
        break;
    case UIPropertyType::Object:
        break; // resolved by reference
    }
    return std::nullopt;
}

// One instantiation of a file.
class Loader {
public:
    Loader(UIResponder* owner)
        : owner_(owner)
        , registry_(UIClassRegistry::shared())
    {
    }

    std::vector<std::shared_ptr<UIResponder>> run(const Json& root)
    {
        if (!root.is_object()) {
            fail("(file)", "", "the file must hold one JSON object");
        }
        for (const auto& [key, value] : root.items()) {
            if (key != "objects" && key != "owner") {
                fail("(file)", key, "unknown key of the file");
            }
        }
        if (root.contains("owner") && !root["owner"].is_string()) {
            fail("(file)", "owner", "expects the owner's class name");
        }
        const auto objects = root.find("objects");
        if (objects == root.end() || !objects->is_array()) {
            fail("(file)", "objects", "expects a list of elements");
        }
        std::vector<std::shared_ptr<UIResponder>> top;
        std::size_t index = 0;
        for (const Json& element : *objects) {
            top.push_back(make(element, "objects[" + std::to_string(index++) + "]"));
        }
        // References, outlets and actions, once every element exists. Outlets change the owner
        // and the elements, so they are only checked here and bound when everything passed.
        for (const Made& made : made_) {
            connect(made);
        }
        for (const auto& bind : binds_) {
            bind();
        }
        return top;
    }

private:
    struct Made {
        std::shared_ptr<UIResponder> object;
        const Json* element;
        std::string className;
        std::string label;
    };

    std::shared_ptr<UIResponder> make(const Json& element, std::string label, int depth = 0)
    {
        if (depth > kMaximumDepth) {
            fail(label, "subviews", "views nest deeper than " + std::to_string(kMaximumDepth) + " levels");
        }
        if (!element.is_object()) {
            fail(label, "", "an element must be a JSON object");
        }
        if (const auto id = element.find("id"); id != element.end()) {
            if (!id->is_string() || id->get<std::string>().empty()
                || id->get<std::string>() == kOwnerReference) {
                fail(label, "id", "expects a non-empty name other than \"owner\"");
            }
            label += " '" + id->get<std::string>() + "'";
        } else if (const auto outlet = element.find("outlet");
                   outlet != element.end() && outlet->is_string()) {
            label += " '" + outlet->get<std::string>() + "'";
        }
        const auto classKey = element.find("class");
        if (classKey == element.end() || !classKey->is_string()) {
            fail(label, "class", "expects a registered class name");
        }
        const std::string className = classKey->get<std::string>();
        const UIClassRegistry::ClassInfo* info = registry_.classNamed(className);
        if (info == nullptr || !info->make) {
            fail(label, "class", "unknown class '" + className + "'");
        }
        std::shared_ptr<UIResponder> object = info->make();
        if (!object) {
            fail(label, "class", "the class '" + className + "' made no object");
        }
        label += " (" + className + ")";
        if (const auto id = element.find("id"); id != element.end()) {
            if (!ids_.emplace(id->get<std::string>(), object).second) {
                fail(label, "id", "another element has the id '" + id->get<std::string>() + "'");
            }
        }
        made_.push_back(Made { object, &element, className, label });

        for (const auto& [key, value] : element.items()) {
            if (isFormatKey(key)) {
                continue;
            }
            const UIPropertySetter* setter = registry_.propertyOf(className, key);
            if (setter == nullptr) {
                fail(label, key, "unknown key of class '" + className + "'");
            }
            if (setter->type == UIPropertyType::Object) {
                continue; // after every element exists
            }
            std::optional<UIPropertyValue> decoded = decode(value, setter->type);
            if (!decoded) {
                fail(label, key, std::string("expects ") + kindName(setter->type));
            }
            apply(*setter, *object, *decoded, label, key);
        }

        if (const auto subviews = element.find("subviews"); subviews != element.end()) {
            auto* view = dynamic_cast<UIView*>(object.get());
            if (view == nullptr) {
                fail(label, "subviews", "only a view has subviews");
            }
            if (!subviews->is_array()) {
                fail(label, "subviews", "expects a list of elements");
            }
            std::size_t index = 0;
            for (const Json& child : *subviews) {
                const std::string childLabel
                    = label.substr(0, label.find(' ')) + ".subviews[" + std::to_string(index++) + "]";
                std::shared_ptr<UIResponder> made = make(child, childLabel, depth + 1);
                auto subview = std::dynamic_pointer_cast<UIView>(made);
                if (!subview) {
                    fail(childLabel, "class", "a subview must be a view");
                }
                view->addSubview(subview);
            }
        }
        return object;
    }

    static void apply(const UIPropertySetter& setter, UIResponder& object, const UIPropertyValue& value,
        const std::string& label, const std::string& key)
    {
        try {
            setter.set(object, value);
        } catch (const std::invalid_argument& error) {
            fail(label, key, error.what());
        }
    }

    std::shared_ptr<UIResponder> resolve(const Json& value, const std::string& label, const std::string& key)
    {
        if (!value.is_string()) {
            fail(label, key, "expects \"owner\" or an element id");
        }
        const std::string name = value.get<std::string>();
        if (name == kOwnerReference) {
            std::shared_ptr<UIResponder> owner
                = owner_ != nullptr ? owner_->weak_from_this().lock() : nullptr;
            if (!owner) {
                fail(label, key, "the file has no shared owner to refer to");
            }
            return owner;
        }
        const auto found = ids_.find(name);
        if (found == ids_.end()) {
            fail(label, key, "no element has the id '" + name + "'");
        }
        return found->second;
    }

    // Checks an outlet of `receiver` and queues its binding.
    void checkOutlet(UIResponder* receiver, const std::string& receiverName, const std::string& outlet,
        const std::shared_ptr<UIResponder>& object, const std::string& objectClass, const std::string& label,
        const std::string& key)
    {
        auto* owner = dynamic_cast<UIInterfaceOwner*>(receiver);
        if (owner == nullptr) {
            fail(label, key, receiverName + " declares no outlets");
        }
        const UIConnectionTable::Outlet* declared = owner->connections().outletNamed(outlet);
        if (declared == nullptr) {
            fail(label, key, receiverName + " has no outlet '" + outlet + "'");
        }
        if (!declared->accepts(object.get())) {
            fail(label, key, "outlet '" + outlet + "' takes " + declared->className + ", not " + objectClass);
        }
        binds_.push_back([owner, outlet, declared, object] {
            declared->bind(object);
            owner->recordBoundOutlet(outlet, object);
        });
    }

    std::string classOf(const std::shared_ptr<UIResponder>& object) const
    {
        for (const Made& made : made_) {
            if (made.object == object) {
                return made.className;
            }
        }
        return "the owner";
    }

    void connect(const Made& made)
    {
        const Json& element = *made.element;
        for (const auto& [key, value] : element.items()) {
            if (isFormatKey(key)) {
                continue;
            }
            const UIPropertySetter* setter = registry_.propertyOf(made.className, key);
            if (setter->type == UIPropertyType::Object) {
                std::shared_ptr<UIResponder> target
                    = value.is_null() ? nullptr : resolve(value, made.label, key);
                apply(*setter, *made.object, UIPropertyValue { target }, made.label, key);
            }
        }
        if (const auto outlet = element.find("outlet"); outlet != element.end()) {
            if (!outlet->is_string()) {
                fail(made.label, "outlet", "expects an outlet name of the owner");
            }
            if (owner_ == nullptr) {
                fail(made.label, "outlet", "the file has no owner to bind to");
            }
            checkOutlet(owner_, "the owner", outlet->get<std::string>(), made.object, made.className,
                made.label, "outlet");
        }
        if (const auto outlets = element.find("outlets"); outlets != element.end()) {
            if (!outlets->is_object()) {
                fail(made.label, "outlets", "expects {outlet name: \"owner\" or an element id}");
            }
            for (const auto& [name, reference] : outlets->items()) {
                std::shared_ptr<UIResponder> target = resolve(reference, made.label, "outlets." + name);
                checkOutlet(made.object.get(), "class '" + made.className + "'", name, target,
                    classOf(target), made.label, "outlets." + name);
            }
        }
        if (const auto actions = element.find("actions"); actions != element.end()) {
            connectActions(made, *actions);
        }
    }

    void connectActions(const Made& made, const Json& actions)
    {
        if (!actions.is_array()) {
            fail(made.label, "actions", "expects a list of {event, selector, target}");
        }
        const UIClassRegistry::ActionConnector* connector = registry_.actionConnectorOf(made.className);
        if (connector == nullptr) {
            fail(made.label, "actions", "class '" + made.className + "' sends no actions");
        }
        std::size_t index = 0;
        for (const Json& action : actions) {
            const std::string key = "actions[" + std::to_string(index++) + "]";
            if (!action.is_object() || !action.contains("event") || !action["event"].is_string()
                || !action.contains("selector") || !action["selector"].is_string()) {
                fail(made.label, key, "expects {\"event\": ..., \"selector\": ...}");
            }
            for (const auto& [field, unused] : action.items()) {
                if (field != "event" && field != "selector" && field != "target") {
                    fail(made.label, key + "." + field, "unknown key of an action");
                }
            }
            const SEL selector = action["selector"].get<std::string>();
            std::shared_ptr<UIResponder> target
                = resolve(action.value("target", Json(kOwnerReference)), made.label, key + ".target");
            auto* declaring = dynamic_cast<UIInterfaceOwner*>(target.get());
            if (declaring == nullptr || declaring->connections().actionNamed(selector) == nullptr) {
                fail(made.label, key + ".selector", "the target declares no action '" + selector + "'");
            }
            try {
                (*connector)(*made.object, action["event"].get<std::string>(), target, selector);
            } catch (const std::invalid_argument& error) {
                fail(made.label, key + ".event", error.what());
            }
        }
    }

    UIResponder* owner_;
    UIClassRegistry& registry_;
    std::vector<Made> made_;
    std::map<std::string, std::shared_ptr<UIResponder>> ids_;
    std::vector<std::function<void()>> binds_;
};

[[noreturn]] void raise(const std::string& fileName, const std::string& problem)
{
    throw NamedException(UINibLoadingException, fileName + ": " + problem);
}

} // namespace

UINib::UINib(std::shared_ptr<const Document> document, std::string fileName, std::string ownerClassName)
    : document_(std::move(document))
    , fileName_(std::move(fileName))
    , ownerClassName_(std::move(ownerClassName))
{
}

UINib::~UINib() = default;

std::shared_ptr<UINib> UINib::nibWithNibName(const std::string& name)
{
    const std::string fileName = name + ".json";
    const std::optional<std::string> path
        = NSBundle::mainBundle().pathForResource(name, "json", kInterfaceFolder);
    if (!path) {
        raise(fileName, "no such interface file in the bundle");
    }
    std::ifstream in(*path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) {
        raise(fileName, "the interface file cannot be read");
    }
    return nibWithJSON(text.str(), fileName);
}

std::shared_ptr<UINib> UINib::nibWithJSON(std::string_view text, std::string fileName)
{
    auto document = std::make_shared<Document>();
    try {
        document->root = Json::parse(text.begin(), text.end());
    } catch (const Json::exception& error) {
        raise(fileName, std::string("not JSON: ") + error.what());
    }
    std::string ownerClass;
    if (document->root.is_object()) {
        if (const auto owner = document->root.find("owner");
            owner != document->root.end() && owner->is_string()) {
            ownerClass = owner->get<std::string>();
        }
    }
    return std::make_shared<UINib>(std::move(document), std::move(fileName), std::move(ownerClass));
}

std::vector<std::shared_ptr<UIResponder>> UINib::loadNibNamed(const std::string& name, UIResponder* owner)
{
    return nibWithNibName(name)->instantiateWithOwner(owner);
}

std::vector<std::shared_ptr<UIResponder>> UINib::instantiateWithOwner(UIResponder* owner) const
{
    try {
        Loader loader(owner);
        return loader.run(document_->root);
    } catch (const LoadError& error) {
        std::string problem = "element " + error.element;
        if (!error.key.empty()) {
            problem += ", key '" + error.key + "'";
        }
        raise(fileName_, problem + ": " + error.problem);
    }
}
