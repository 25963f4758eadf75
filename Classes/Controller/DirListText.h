#pragma once

#include <string>

// Texts the folder screen shows, shared by its files.
namespace DirListText {

inline constexpr char kSorryTitle[] = "Lexiphant is sorry";

// Each placeholder of the pattern ("%name", "%code", "%reason") once, left to right: what was
// put in (a name such as "%code.txt") is never searched again.
std::string format(const char* pattern, const std::string& name, int code, const std::string& reason);

// A name as its row shows it: each line break as a return mark, a tab as a blank.
std::string shownName(const std::string& name);

} // namespace DirListText
