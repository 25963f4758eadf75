#include "Classes/SettingsCommand.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string_view>
#include <ostream>

#include "Classes/AppSettings.h"
#include "Platform/Foundation/NSUserDefaults.h"

namespace {

using AppSettings::Setting;

// The keys a person sets: those the app's table gives a meaning.
std::vector<const Setting*> personalSettings()
{
    std::vector<const Setting*> settings;
    for (const Setting& s : AppSettings::all())
        if (s.meaning != nullptr)
            settings.push_back(&s);
    return settings;
}

bool isBool(const Setting& setting)
{
    return setting.defaultValue.isBool();
}

std::string defaultText(const Setting& setting)
{
    if (isBool(setting))
        return setting.defaultValue.asBool() ? "yes" : "no";
    return setting.defaultValue.asString();
}

const Setting* settingNamed(const std::string& key)
{
    for (const Setting* s : personalSettings())
        if (key == s->key)
            return s;
    return nullptr;
}

std::optional<bool> parseBool(std::string value)
{
    std::transform(value.begin(), value.end(), value.begin(), [](unsigned char c) { return std::tolower(c); });
    if (value == "yes")
        return true;
    if (value == "no")
        return false;
    return std::nullopt;
}

// What the app uses: the stored value, or the default when there is none or it is not one the
// key takes (the app registers the same defaults and checks).
std::string currentValue(const NSUserDefaults& defaults, const Setting& setting)
{
    if (isBool(setting))
        return defaults.boolForKey(setting.key) ? "yes" : "no";
    return defaults.stringForKey(setting.key).value_or("");
}

// What a person may type: one optional leading "#", then 3, 6 or 8 hexadecimal digits. The app
// itself reads stored colours more loosely; the command writes only what the help lists.
bool isColourText(std::string_view text)
{
    if (!text.empty() && text.front() == '#')
        text.remove_prefix(1);
    if (text.size() != 3 && text.size() != 6 && text.size() != 8)
        return false;
    return std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c) != 0; });
}

int save(NSUserDefaults& defaults, std::ostream& err)
{
    if (defaults.synchronize())
        return 0;
    err << "lexiphant settings: could not write " << defaults.path() << '\n';
    return 1;
}

}

void printSettingsUsage(std::ostream& out)
{
    out << "usage: lexiphant settings list | get KEY | set KEY VALUE | reset\n"
           "  list: every key and the value the app uses; get: one of them; set: store a value;\n"
           "  reset: forget the stored values (each key's default comes back at the next launch)\n"
           "keys:\n";
    for (const Setting* s : personalSettings())
        out << "  " << s->key << (isBool(*s) ? " (yes|no" : " (hex colour") << ", default " << defaultText(*s)
            << "): " << s->meaning << '\n';
}

int runSettingsCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    const std::string verb = arguments.empty() ? "" : arguments[0];
    NSUserDefaults& defaults = NSUserDefaults::standardUserDefaults();
    AppSettings::registerWith(defaults);
    if (verb == "list" && arguments.size() == 1) {
        for (const Setting* s : personalSettings())
            out << s->key << ' ' << currentValue(defaults, *s) << '\n';
        return 0;
    }
    if (verb == "get" && arguments.size() == 2) {
        const Setting* setting = settingNamed(arguments[1]);
        if (!setting) {
            err << "lexiphant settings: unknown key \"" << arguments[1] << "\"\n";
            printSettingsUsage(err);
            return 2;
        }
        out << currentValue(defaults, *setting) << '\n';
        return 0;
    }
    if (verb == "set" && arguments.size() == 3) {
        const Setting* setting = settingNamed(arguments[1]);
        if (!setting) {
            err << "lexiphant settings: unknown key \"" << arguments[1] << "\"\n";
            printSettingsUsage(err);
            return 2;
        }
        const std::string& value = arguments[2];
        if (isBool(*setting)) {
            const auto flag = parseBool(value);
            if (!flag) {
                err << "lexiphant settings: " << setting->key << " takes yes or no, not \"" << value << "\"\n";
                return 2;
            }
            // Switching opening of all kinds on shows its warning again at the next launch.
            if (std::string_view(setting->key) == AppSettings::kOpenAllKey && *flag
                && !defaults.boolForKey(AppSettings::kOpenAllKey))
                defaults.setBool(false, AppSettings::kNotifiedOpenAllKey);
            defaults.setBool(*flag, setting->key);
        } else {
            if (!isColourText(value)) {
                err << "lexiphant settings: colorScheme takes 3, 6 or 8 hexadecimal digits, with or without \"#\" (such as 4CAA1E), not \""
                    << value << "\"\n";
                return 2;
            }
            defaults.setString(value, setting->key);
        }
        return save(defaults, err);
    }
    if (verb == "reset" && arguments.size() == 1) {
        // The app writes each default again at its next launch.
        for (const Setting* s : personalSettings())
            defaults.removeObjectForKey(s->key);
        return save(defaults, err);
    }
    printSettingsUsage(verb == "help" || verb == "--help" ? out : err);
    return verb == "help" || verb == "--help" ? 0 : 2;
}
