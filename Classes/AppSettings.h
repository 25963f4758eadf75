#pragma once

#include <span>

#include "Platform/Foundation/NSUserDefaults.h"

// The settings the app reads, with their defaults and what a stored value must be. A value of
// the wrong type or out of range (edited by hand, written by another tool) reads as the key's
// default, so `maskPasswords = "x"` keeps passwords masked; the file keeps what it holds.
namespace AppSettings {

inline constexpr char kMaskPasswordsKey[] = "maskPasswords";
inline constexpr char kOpenAllKey[] = "openAll";
inline constexpr char kNotifiedOpenAllKey[] = "notifiedOpenAll";
inline constexpr char kClearedMasterPassKey[] = "clearedMasterPass";

struct Setting {
    const char* key;
    PlistValue defaultValue;
    NSUserDefaults::ValueCheck check;
    // Launch stores the default when the key has none, so the platform's settings show it.
    bool writtenAtLaunch;
    // What `lexiphant settings` says the key means; null for a key the app keeps for itself.
    const char* meaning { nullptr };
};

// In the order launch writes them and the settings command lists them.
[[nodiscard]] std::span<const Setting> all();

// Registers the defaults and the checks with these user defaults (in memory only).
void registerWith(NSUserDefaults& defaults);

// A flag: a boolean, the number 0 or 1, or one of the words yes, no, true, false, 1, 0 (any case).
[[nodiscard]] bool isFlag(const PlistValue& value);
// A colour: 3, 6 or 8 hexadecimal digits, with or without "#".
[[nodiscard]] bool isColorScheme(const PlistValue& value);

} // namespace AppSettings
