#pragma once

#include <optional>
#include <string>
#include <vector>

// Whether the editor's bundle is there before anything starts: a missing or wrong bundle must
// stop the program with a message that names the folder, not show something else or crash on
// the first picture, and it must do so before any user data is touched.
namespace BundleCheck {

// Answered alone when the folder itself does not exist.
inline constexpr char kWholeFolder[] = "./";

// The parts the editor cannot start without that the folder lacks ("Info.plist",
// "Interface/MainWindow.json", "Images/", ...). Empty when nothing is missing.
[[nodiscard]] std::vector<std::string> missingParts(const std::string& bundlePath);

// The error for the main bundle (where it was looked for, how it was found, what it lacks),
// or nothing when it is complete.
[[nodiscard]] std::optional<std::string> problemWithMainBundle();

} // namespace BundleCheck
