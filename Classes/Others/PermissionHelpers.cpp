#include "Classes/Others/PermissionHelpers.h"

namespace Connection {

bool isDirectory(std::string_view permissions) { return !permissions.empty() && permissions[0] == 'd'; }

std::optional<unsigned> modeOfPermissions(std::string_view text)
{
    if (text.size() < 10 || std::string_view("-dlbcps").find(text[0]) == std::string_view::npos)
        return std::nullopt;
    unsigned mode = 0;
    static constexpr unsigned kSpecial[3] = { 04000, 02000, 01000 };
    for (std::size_t row = 0; row < 3; ++row) {
        const char read = text[1 + row * 3];
        const char write = text[2 + row * 3];
        const char execute = text[3 + row * 3];
        const unsigned shift = static_cast<unsigned>(6 - row * 3);
        if ((read != 'r' && read != '-') || (write != 'w' && write != '-'))
            return std::nullopt;
        mode |= (read == 'r' ? 4u : 0u) << shift;
        mode |= (write == 'w' ? 2u : 0u) << shift;
        const char setLetter = row == 2 ? 't' : 's';
        const char setCapital = row == 2 ? 'T' : 'S';
        if (execute == 'x' || execute == setLetter)
            mode |= 1u << shift;
        else if (execute != '-' && execute != setCapital)
            return std::nullopt;
        if (execute == setLetter || execute == setCapital)
            mode |= kSpecial[row];
    }
    return mode;
}

bool isExecutable(std::uint64_t mode) { return (mode & 0x49) != 0; }

std::string permissionsStringValue(std::uint64_t mode)
{
    static constexpr char kLetters[] = "rwxrwxrwx";
    std::string text(9, '-');
    for (unsigned k = 0; k < 9; ++k)
        if (mode & (0x100u >> k)) text[k] = kLetters[k];
    return text;
}

} // namespace Connection
