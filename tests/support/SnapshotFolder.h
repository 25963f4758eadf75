#pragma once

#include <filesystem>
#include <string>

// The folder for the snapshots a test program writes for a person to look at: snapshots/AREA/
// beside the test program, so under the build folder whatever the working directory is (never
// in the checkout). Made when missing.
std::filesystem::path snapshotFolder(const std::string& area);
// A PNG called NAME.png in that folder.
std::string snapshotFile(const std::string& area, const std::string& name);
