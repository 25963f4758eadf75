#include "Host/HostOptions.h"

#include <string_view>

#include "Platform/UIKit/UIDevice.h"

std::variant<HostOptions, std::string> HostOptions::parse(int argc, const char* const* argv)
{
    HostOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (arg == "--version") {
            options.showVersion = true;
        } else if (arg == "--help" || arg == "-h") {
            options.showHelp = true;
        } else if (arg == "--headless") {
            options.headless = true;
        } else if (arg == "--test-scene") {
            options.testScene = true;
        } else if (arg == "--landscape") {
            options.landscape = true;
        } else if (arg == "--device") {
            const char* name = value();
            if (name == nullptr) {
                return std::string("--device needs a name: iphone, iphone-retina, iphone-tall, ipad or ipad-retina");
            }
            if (UIDevice::profileNamed(name) == nullptr) {
                return "unknown device \"" + std::string(name) + "\" (iphone, iphone-retina, iphone-tall, ipad, ipad-retina)";
            }
            options.device = name;
        } else if (arg == "--script") {
            const char* path = value();
            if (path == nullptr || *path == '\0') {
                return std::string("--script needs a file");
            }
            options.scriptPath = path;
        } else {
            return "unknown option \"" + std::string(arg) + "\"";
        }
    }
    return options;
}

std::string HostOptions::usage(const std::vector<std::string>& scriptCommands)
{
    std::string text = "usage: lexiphant [--device iphone|iphone-retina|iphone-tall|ipad|ipad-retina] [--landscape]\n"
                       "                 [--headless] [--script FILE] [--test-scene] [--version]\n"
                       "       lexiphant settings list | get KEY | set KEY VALUE | reset\n"
                       "Script commands, one a line:\n";
    for (const std::string& command : scriptCommands) {
        text += "  " + command + "\n";
    }
    return text;
}
