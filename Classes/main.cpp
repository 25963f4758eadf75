#include <cstdlib>
#include <iostream>
#include <string>
#include <variant>
#include <vector>

#include "Classes/LexiphantClasses.h"
#include "Classes/SettingsCommand.h"
#include "Host/HostMain.h"
#include "Host/HostOptions.h"
#include "Platform/UIKit/UIApplicationMain.h"

int main(int argc, char** argv)
{
    if (argc >= 2 && std::string(argv[1]) == "settings")
        return runSettingsCommand(std::vector<std::string>(argv + 2, argv + argc), std::cout, std::cerr);
    const auto parsed = HostOptions::parse(argc, argv);
    if (const auto* error = std::get_if<std::string>(&parsed)) {
        std::cerr << "lexiphant: " << *error << "\n(lexiphant --help lists the options)\n";
        return 2;
    }
    const HostOptions& options = std::get<HostOptions>(parsed);
    if (options.showVersion) {
        std::cout << "lexiphant " << LEXIPHANT_VERSION << '\n';
        return 0;
    }
    if (options.showHelp) {
        std::cout << hostUsage() << '\n';
        printSettingsUsage(std::cout);
        return 0;
    }
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const bool displayPresent = (display != nullptr && *display != '\0') || (wayland != nullptr && *wayland != '\0');
    if (const auto problem = options.problemWithoutScript(displayPresent)) {
        std::cerr << "lexiphant: " << *problem << "\n(lexiphant --help lists the options)\n";
        return 2;
    }
    // The main interface file makes the application delegate, its window and its navigation
    // controller from these classes.
    registerLexiphantClasses();
    installHostForApplicationMain(std::cerr, {}, BundleCheck::editorNeeds());
    return UIApplicationMain(argc, argv, "", "");
}
