#pragma once

#include <optional>
#include <string>
#include <vector>

// Whether the application's bundle is there before anything starts: a missing or wrong bundle
// must stop the program with a message that names the folder, not show something else or crash
// on the first picture, and it must do so before any user data is touched.
namespace BundleCheck {

// Answered alone when the folder itself does not exist.
inline constexpr char kWholeFolder[] = "./";

// What an application reads from its bundle besides Info.plist and its main interface file,
// which every bundle needs.
struct Needs {
    std::vector<std::string> folders;
    std::vector<std::string> files;
};

// The editor's: interface files, images, fonts, syntax definitions and the jQuery template.
[[nodiscard]] Needs editorNeeds();

// The parts the folder lacks ("Info.plist", "Interface/MainWindow.json", "Images/", ...), folders
// with a trailing "/". Empty when nothing is missing.
[[nodiscard]] std::vector<std::string> missingParts(const std::string& bundlePath, const Needs& needs);

// The error for the main bundle (where it was looked for, how it was found, what it lacks),
// or nothing when it is complete.
[[nodiscard]] std::optional<std::string> problemWithMainBundle(const Needs& needs);

} // namespace BundleCheck
