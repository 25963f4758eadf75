#include "Classes/Controller/DirListText.h"

#include <iterator>
#include <string_view>
#include <utility>

namespace DirListText {

// Each placeholder of the pattern once, left to right: what was put in (a name such as
// "%code.txt") is never searched again.
std::string format(const char* pattern, const std::string& name, int code, const std::string& reason)
{
    const std::pair<std::string_view, std::string> values[] = {
        { "%name", name }, { "%code", std::to_string(code) }, { "%reason", reason } };
    bool used[std::size(values)] = {};
    std::string text;
    for (std::string_view rest = pattern; !rest.empty();) {
        bool put = false;
        for (std::size_t i = 0; i < std::size(values) && !put; ++i) {
            if (!used[i] && rest.substr(0, values[i].first.size()) == values[i].first) {
                text += values[i].second;
                rest.remove_prefix(values[i].first.size());
                used[i] = put = true;
            }
        }
        if (!put) {
            text += rest.front();
            rest.remove_prefix(1);
        }
    }
    return text;
}

// A name as its row shows it: a one-line label would show a name holding a line break cut
// short at the break, so each break shows as a return mark; a tab shows as the blank it is.
std::string shownName(const std::string& name)
{
    std::string shown;
    for (const char c : name) {
        if (c == '\n' || c == '\r')
            shown += "\u21B5";
        else
            shown += c == '\t' ? ' ' : c;
    }
    return shown;
}

} // namespace DirListText
