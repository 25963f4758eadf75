#include "Classes/AppSettings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "Classes/Controller/AccentColor.h"
#include "Classes/Controller/UIColorHexColor.h"
#include "Classes/FileTemplates.h"

namespace AppSettings {

namespace {

const std::array<Setting, 6>& table()
{
    static const std::array<Setting, 6> settings { {
        { kMaskPasswordsKey, PlistValue(true), isFlag, true,
            "connection passwords are shown as one \"*\" per character" },
        { FileTemplates::kCustomTemplateKey, PlistValue(false), isFlag, true,
            "while yes, each launch starts with an empty custom template and does not read\n"
            "      custom_template.txt; saving a text as the custom template sets it back to no" },
        { AccentColor::kColorSchemeKey, PlistValue(std::string(AccentColor::kDefaultColorScheme)),
            isColorScheme, true,
            "the accent colour of the screens:\n"
            "      3, 6 or 8 hexadecimal digits, with or without \"#\" (such as 4CAA1E, #fff or 4CAA1E80)" },
        { kOpenAllKey, PlistValue(false), isFlag, true, "files of an unlisted kind open as plain text" },
        { kNotifiedOpenAllKey, PlistValue(false), isFlag, true },
        { kClearedMasterPassKey, PlistValue(false), isFlag, false, "the next launch forgets the master password" },
    } };
    return settings;
}

} // namespace

std::span<const Setting> all()
{
    return table();
}

void registerWith(NSUserDefaults& defaults)
{
    PlistValue::Dictionary values;
    for (const Setting& setting : table()) {
        values.insert_or_assign(setting.key, setting.defaultValue);
        defaults.registerValueCheck(setting.key, setting.check);
    }
    defaults.registerDefaults(values);
}

bool isFlag(const PlistValue& value)
{
    if (value.isBool()) return true;
    if (value.isInteger()) return value.asInt() == 0 || value.asInt() == 1;
    if (!value.isString()) return false;
    std::string word = value.asString();
    std::transform(
        word.begin(), word.end(), word.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return word == "yes" || word == "no" || word == "true" || word == "false" || word == "1" || word == "0";
}

bool isColorScheme(const PlistValue& value)
{
    return value.isString() && UIColorHexColor::parseHexColor(value.asString()).has_value();
}

} // namespace AppSettings
