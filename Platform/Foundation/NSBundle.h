#pragma once

#include "Platform/Foundation/NSPropertyList.h"

#include <optional>
#include <string>

// The application bundle: the "Resources" folder beside the executable, or the folder named
// by $LEXIPHANT_BUNDLE when that is set. Resources are plain files inside it.
class NSBundle {
public:
    explicit NSBundle(std::string path);

    // The bundle of the running program; found once, on first use.
    static NSBundle& mainBundle();
    // Looks up the main bundle's folder again from the environment (tests change it).
    static void resetMainBundleForTesting();

    [[nodiscard]] const std::string& bundlePath() const { return path_; }
    // Resources lie directly in the bundle folder.
    [[nodiscard]] const std::string& resourcePath() const { return path_; }

    // The path of resource "<name>.<type>" (just "<name>" when type is empty) in the bundle,
    // or in its sub-directory; nullopt when there is no such regular file. A name or directory
    // that would lead outside the bundle ("..", absolute) is never found.
    [[nodiscard]] std::optional<std::string> pathForResource(
        const std::string& name, const std::string& type) const;
    [[nodiscard]] std::optional<std::string> pathForResource(
        const std::string& name, const std::string& type, const std::string& inDirectory) const;

    // The bundle's "Info.plist" dictionary (empty when missing or broken), read when the bundle
    // is made, so that any thread may ask.
    [[nodiscard]] const PlistValue::Dictionary& infoDictionary() const { return info_; }
    // One value of the information dictionary (CFBundleVersion, CFBundleName, ...), null when absent.
    [[nodiscard]] const PlistValue& objectForInfoDictionaryKey(const std::string& key) const;

private:
    std::string path_;
    PlistValue::Dictionary info_;
};
