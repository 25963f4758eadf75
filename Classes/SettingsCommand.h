#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// `lexiphant settings list | get KEY | set KEY VALUE | reset`: edits the user's settings in the same
// user defaults the app reads, in place of the phone's settings screen. Booleans are written as
// yes or no; colorScheme as three, six or eight hexadecimal digits, with or without "#".
// Answers the process exit status: 0 done, 1 a failure to save, 2 a usage or value error.
int runSettingsCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);
// The command's usage and every key with its values and meaning.
void printSettingsUsage(std::ostream& out);
