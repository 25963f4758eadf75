#include "tests/support/SnapshotFolder.h"

#include <system_error>

std::filesystem::path snapshotFolder(const std::string& area)
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path folder
        = (error ? std::filesystem::current_path() : program.parent_path()) / "snapshots" / area;
    std::filesystem::create_directories(folder, error);
    return folder;
}

std::string snapshotFile(const std::string& area, const std::string& name)
{
    return (snapshotFolder(area) / (name + ".png")).string();
}
