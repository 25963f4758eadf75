#include "Host/BundleCheck.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/NSBundle.h"
#include "Platform/UIKit/UIApplicationMain.h"
#include "Platform/UIKit/UIImage.h"

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

bool hasImage(const std::string& bundlePath, const std::string& name)
{
    // As images are looked up, either scale.
    const NSBundle bundle(bundlePath);
    return UIImage::pathOfNamed(bundle, name, true).has_value();
}

// The images and fonts an interface file names: string values ending in ".png", and the
// "name" of any "font" object.
void namedResources(const nlohmann::json& node, std::set<std::string>& images, std::set<std::string>& fonts)
{
    if (node.is_object()) {
        for (const auto& [key, value] : node.items()) {
            if (key == "font" && value.is_object() && value.contains("name") && value["name"].is_string())
                fonts.insert(value["name"].get<std::string>());
            namedResources(value, images, fonts);
        }
    } else if (node.is_array()) {
        for (const auto& value : node) namedResources(value, images, fonts);
    } else if (node.is_string()) {
        const std::string& text = node.get_ref<const std::string&>();
        if (text.size() > 4 && text.compare(text.size() - 4, 4, ".png") == 0) images.insert(text);
    }
}

// Every interface file parses, and what it names is in the bundle: a cut-short file or a
// missing picture must stop the start, not end it in an exception after the home was touched.
void checkInterfaceFiles(const std::string& bundlePath, std::vector<std::string>& missing)
{
    std::set<std::string> images;
    std::set<std::string> fonts;
    std::error_code error;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(bundlePath + "/Interface", error))
        if (entry.path().extension() == ".json") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        std::ifstream in(file);
        const nlohmann::json parsed = nlohmann::json::parse(in, nullptr, false);
        if (parsed.is_discarded())
            missing.push_back("a readable Interface/" + file.filename().string());
        else
            namedResources(parsed, images, fonts);
    }
    for (const std::string& image : images)
        if (!hasImage(bundlePath, image)) missing.push_back("Images/" + image);
    nlohmann::json aliases;
    if (std::ifstream in(bundlePath + "/Fonts/aliases.json"); in)
        aliases = nlohmann::json::parse(in, nullptr, false);
    for (const std::string& font : fonts)
        if (!aliases.is_object() || !aliases.contains(font))
            missing.push_back("the font \"" + font + "\" in Fonts/aliases.json");
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
    const bool readsInterface = std::find(needs.folders.begin(), needs.folders.end(), "Interface") != needs.folders.end();
    if (readsInterface && isFolder(bundlePath + "/Interface") && isFolder(bundlePath + "/Images")
        && isFolder(bundlePath + "/Fonts"))
        checkInterfaceFiles(bundlePath, missing);
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
