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

std::optional<std::string> HostOptions::problemWithoutScript(bool displayPresent) const
{
    // Without a window nothing but a script can drive the program, so it would wait forever.
    if (!scriptPath.empty() || showHelp || showVersion)
        return std::nullopt;
    if (headless)
        return std::string("--headless needs --script FILE: without a window only a script can drive the program");
    if (!displayPresent)
        return std::string("no display (DISPLAY and WAYLAND_DISPLAY are unset), so no window can open, and without "
                           "one only --script FILE can drive the program");
    return std::nullopt;
}

std::string HostOptions::usage(const std::vector<std::string>& scriptCommands)
{
    std::string text
        = "usage: lexiphant [--device iphone|iphone-retina|iphone-tall|ipad|ipad-retina] [--landscape]\n"
          "                 [--headless --script FILE | --script FILE] [--test-scene] [--version]\n"
          "       lexiphant settings list | get KEY | set KEY VALUE | reset\n"
          "\n"
          "Lexiphant edits files on FTP and SFTP servers, on a phone or tablet screen drawn in a\n"
          "desktop window. The mouse is one finger; typing goes to the focused text; F5 turns the device.\n"
          "\n"
          "Options:\n"
          "  --device NAME  the screen to show (default ipad)\n"
          "  --landscape    start turned on its side (on the phone only the editor turns)\n"
          "  --script FILE  run the commands below, one a line, then end; exit code 1 and the\n"
          "                 failing line when one fails\n"
          "  --headless     no window even with a display; needs --script, whose waits then move\n"
          "                 a clock of their own so a run repeats exactly. Without a display the\n"
          "                 program never opens a window\n"
          "  --test-scene   the host's own test scene in place of the editor (needs no bundle)\n"
          "  --version      the version; -h, --help this text\n"
          "\n"
          "Environment:\n"
          "  LEXIPHANT_HOME         the app home (stored connections, settings, known_hosts);\n"
          "                         default ~/.local/share/lexiphant\n"
          "  LEXIPHANT_BUNDLE       the bundle folder (interface files, images, fonts, syntax\n"
          "                         definitions); default Resources/ beside the program\n"
          "  LEXIPHANT_MAIL_FROM    the sender of mails written to the app home's Outbox/\n"
          "                         (default USER@localhost)\n"
          "  LEXIPHANT_SOFFICE      the LibreOffice program that shows office documents\n"
          "                         (default soffice on PATH)\n"
          "  LEXIPHANT_REVIEW_HOST  the web host the rating prompt's review page opens on\n"
          "  DISPLAY, WAYLAND_DISPLAY  where the window opens; with neither there is no window\n"
          "\n"
          "Script commands, one a line:\n";
    for (const std::string& command : scriptCommands) {
        text += "  " + command + "\n";
    }
    return text;
}
