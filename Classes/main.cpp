#include <iostream>
#include <memory>
#include <string>
#include <variant>

#include "Host/HostMain.h"
#include "Host/HostOptions.h"
#include "Host/TestScene.h"

int main(int argc, char** argv)
{
    const auto parsed = HostOptions::parse(argc, argv);
    if (const auto* error = std::get_if<std::string>(&parsed)) {
        std::cerr << "lexiphant: " << *error << '\n' << HostOptions::usage();
        return 2;
    }
    const HostOptions& options = std::get<HostOptions>(parsed);
    if (options.showVersion) {
        std::cout << "lexiphant " << LEXIPHANT_VERSION << '\n';
        return 0;
    }
    if (options.showHelp) {
        std::cout << HostOptions::usage();
        return 0;
    }
    // The screens are not there yet: the host shows its test scene.
    return runHost(options, std::make_shared<TestScene>(), std::cerr);
}
