#include "Classes/Others/PermissionHelpers.h"

namespace Connection {

bool isDirectory(std::string_view permissions) { return !permissions.empty() && permissions[0] == 'd'; }

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
