#pragma once

#include "Platform/Foundation/NSPropertyList.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

// The application's settings: a dictionary of property-list values stored in
// "<home>/Library/Preferences/com.lexiphant.Lexiphant.plist" (mode 0600). Loaded on first use;
// changes stay in memory until synchronize() writes the whole file. Registered defaults answer
// for keys without a stored value and are never written. Every operation is thread-safe.
class NSUserDefaults {
public:
    static constexpr const char* kDomainName = "com.lexiphant.Lexiphant";

    // The shared defaults of the process, made on first use.
    static NSUserDefaults& standardUserDefaults();
    // Forgets everything in memory (values, registered defaults) so that the next use reads the
    // file of the then current home again, as after a restart. Unsynchronized changes are lost.
    static void resetStandardUserDefaults();

    // Defaults over the property-list file at the given path (tests; the shared instance uses
    // the home's preferences file).
    explicit NSUserDefaults(std::string path);

    // The stored value, else the registered one, else null. A stored value that fails the key's
    // registered check counts as not stored (it stays in the file, untouched).
    [[nodiscard]] PlistValue objectForKey(const std::string& key) const;
    // Whether the file holds a value for the key, whatever it is.
    [[nodiscard]] bool hasStoredValueForKey(const std::string& key) const;
    // Numbers convert among themselves; a string is read as the platform reads it ("YES",
    // "true", "1" are true; "42" is 42). Absent or other types answer NO / 0 / 0.0.
    [[nodiscard]] bool boolForKey(const std::string& key) const;
    [[nodiscard]] std::int64_t integerForKey(const std::string& key) const;
    [[nodiscard]] double doubleForKey(const std::string& key) const;
    // A string value, or a number written out; nullopt for anything else or absent.
    [[nodiscard]] std::optional<std::string> stringForKey(const std::string& key) const;
    [[nodiscard]] std::optional<PlistValue::Dictionary> dictionaryForKey(const std::string& key) const;
    [[nodiscard]] std::optional<PlistValue::Array> arrayForKey(const std::string& key) const;

    // Setting null removes the key. A value holding null inside cannot be stored: it is
    // refused (logged) and the key keeps its old value.
    void setObject(const PlistValue& value, const std::string& key);
    void setBool(bool value, const std::string& key);
    void setInteger(std::int64_t value, const std::string& key);
    void setDouble(double value, const std::string& key);
    void setString(const std::string& value, const std::string& key);
    void removeObjectForKey(const std::string& key);

    // Values that answer for keys without a stored value; merged over earlier registrations.
    void registerDefaults(const PlistValue::Dictionary& defaults);
    // What a stored value of the key must be to be read (a type, a range); one that is not reads
    // as the registered default, so a setting edited by hand never turns into something else.
    using ValueCheck = bool (*)(const PlistValue& value);
    void registerValueCheck(const std::string& key, ValueCheck check);

    // Writes the stored values to the file, atomically with mode 0600; when the file is a
    // symbolic link, the file it leads to is written and the link kept. A file that was read
    // but did not parse as a dictionary is first moved aside to "<file>.corrupt", so it is never
    // lost. A file that could not be read at all (permissions, an I/O error) may be intact: it
    // is never saved over in this session, and synchronize answers false (logged). A file that
    // read as a dictionary but holds values that cannot be written back (a real that is not a
    // number) loses those keys at load, so they read as absent, and is moved aside the same way
    // before the first save. Returns false (and logs) when the write fails; the values stay in
    // memory for a later attempt.
    bool synchronize();

    // Everything stored (not the registered defaults).
    [[nodiscard]] PlistValue::Dictionary dictionaryRepresentation() const;
    [[nodiscard]] std::string path() const;
    // Why the file that exists could not be read; empty when it was read or is absent.
    [[nodiscard]] std::string readError() const;

private:
    NSUserDefaults()
        : followsHome_(true)
    {
    }
    void loadIfNeeded() const;
    void dropValuesThatCannotBeWritten() const;
    [[nodiscard]] const PlistValue* lookup(const std::string& key) const;

    mutable std::string path_;
    // The shared instance resolves its file from the home at each (re)load.
    bool followsHome_ { false };
    mutable std::mutex mutex_;
    mutable bool loaded_ { false };
    // The file existed but could not be read as a dictionary, or held values that cannot be
    // written back: keep it aside before overwriting.
    mutable bool fileIsCorrupt_ { false };
    // Why the file that exists could not be read; empty when it was read (or is absent).
    mutable std::string readError_;
    mutable PlistValue::Dictionary values_;
    PlistValue::Dictionary registered_;
    std::map<std::string, ValueCheck> checks_;
};
