#include "Host/BundleCheck.h"

#include <cstdlib>
#include <sys/stat.h>

#include "Platform/Foundation/NSBundle.h"
#include "Platform/UIKit/UIApplicationMain.h"

namespace BundleCheck {

namespace {

bool isFolder(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isFile(const std::string& path)
{
    struct stat info { };
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

Needs editorNeeds()
{
    // What every screen, the colouring and the templates read from the bundle.
    return { { "Interface", "Images", "Fonts", "Syntax Definitions" },
        { "SyntaxDefinitions.plist", "jquery_template.txt" } };
}

std::vector<std::string> missingParts(const std::string& bundlePath, const Needs& needs)
{
    if (!isFolder(bundlePath)) return { kWholeFolder };
    std::vector<std::string> missing;
    const NSBundle bundle(bundlePath);
    const PlistValue& mainInterface = bundle.objectForInfoDictionaryKey(UIMainInterfaceFileKey);
    if (!isFile(bundlePath + "/Info.plist"))
        missing.emplace_back("Info.plist");
    else if (!mainInterface.isString() || mainInterface.asString().empty())
        missing.emplace_back(std::string("Info.plist's ") + UIMainInterfaceFileKey);
    else if (!isFile(bundlePath + "/Interface/" + mainInterface.asString() + ".json"))
        missing.emplace_back("Interface/" + mainInterface.asString() + ".json");
    for (const std::string& folder : needs.folders)
        if (!isFolder(bundlePath + "/" + folder)) missing.emplace_back(folder + "/");
    for (const std::string& file : needs.files)
        if (!isFile(bundlePath + "/" + file)) missing.emplace_back(file);
    return missing;
}

std::optional<std::string> problemWithMainBundle(const Needs& needs)
{
    const std::string& path = NSBundle::mainBundle().bundlePath();
    const std::vector<std::string> missing = missingParts(path, needs);
    if (missing.empty()) return std::nullopt;
    const char* configured = std::getenv("LEXIPHANT_BUNDLE");
    const std::string foundBy
        = configured != nullptr && *configured != '\0' ? "named by LEXIPHANT_BUNDLE" : "beside the program";
    std::string what;
    if (missing.front() == kWholeFolder) {
        what = "there is no bundle folder " + path + " (" + foundBy + ")";
    } else {
        what = "the bundle folder " + path + " (" + foundBy + ") lacks ";
        for (std::size_t i = 0; i < missing.size(); ++i)
            what += (i > 0 ? ", " : "") + missing[i];
    }
    return "cannot start: " + what
        + ". Nothing was started and no user data was touched; point LEXIPHANT_BUNDLE at the "
          "Resources folder of a Lexiphant checkout.";
}

} // namespace BundleCheck
