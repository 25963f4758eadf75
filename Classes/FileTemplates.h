#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The new-file templates by index: CSS for print, CSS for screen, the user's custom template, an
// HTML 4.01 page, an HTML5 page, a jQuery page, a PHP file and an XML file.
namespace FileTemplates {

inline constexpr std::size_t kCount = 8;
inline constexpr std::size_t kCustomTemplateIndex = 2;
// In the Documents folder; saving the custom template writes it.
inline constexpr char kCustomTemplateFileName[] = "custom_template.txt";
// The user's "start the custom template empty" setting; saving the custom template clears it.
inline constexpr char kCustomTemplateKey[] = "customTemplate";

// The eight texts. The custom one is read as UTF-8 from the Documents folder unless
// `customTemplateSetting` (the user's "start the custom template empty" setting) is on; a missing
// or unreadable file gives the empty text, as does a file that is not UTF-8 (logged).
[[nodiscard]] std::vector<std::u16string> buildTemplates(bool customTemplateSetting);

}
