#include "Classes/FileTemplates.h"

#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"

namespace FileTemplates {

namespace {

constexpr char kCssPrint[] = "@import url();\n\nbody {\n\tbackground-color: transparent;\n\tfont-size: 12pt;\n"
                             "\tcolor: #000000;\n\tpadding: 0px;\n\tmargin: 0px;\n}";

// "color: #000000;" closes the colour line: a stray ")" there would make the rule invalid CSS.
constexpr char kCssScreen[] = "@import url();\n\nbody {\n\tfont-family: Helvetica, Verdana, sans-serif;\n"
                              "\tfont-size: 90%;\n\tline-height: 1.6em;\n\ttext-align: center;\n\tmargin: 0;\n"
                              "\tmargin-left: auto;\n\tmargin-right: auto;\n\tpadding: 0;\n"
                              "\tbackground: #ffffff url(\"background.jpg\");\n\tcolor: #000000;\n}\n\n"
                              "a, a:link, a:visited {\n\ttext-decoration: none;\n}\n\n"
                              "a:hover {\n\ttext-decoration: underline;\n}\n\nimg {\n\tborder: 0;\n}\n\n"
                              "h1 {\n\tfont-size: 1.5em;\n\tfont-weight: bold;\n}";

constexpr char kHtml401[] = "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
                            "\"http://www.w3.org/TR/html4/loose.dtd\">"
                            "\n<html lang=\"en\">\n<head>\n"
                            "\t<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />\n"
                            "\t<title></title>\n\t<link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\"/>\n"
                            "\t<link rel=\"shortcut icon\" href=\"favicon.ico\" type=\"image/x-icon\"/>\n"
                            "\t<meta name=\"description\" content=\"\" />\n</head>\n<body>\n\n</body>\n</html>\n";

constexpr char kHtml5[] = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n\t<meta  charset=\"UTF-8\">\n"
                          "\t<title></title>\n\t<link rel=\"stylesheet\" type=\"text/css\" href=\"style.css\"/>\n"
                          "\t<link rel=\"shortcut icon\" href=\"favicon.ico\" type=\"image/x-icon\"/>\n"
                          "\t<meta name=\"description\" content=\"\" />\n</head>\n<body>\n\n</body>\n</html>\n";

constexpr char kPhp[] = "<?php\n\n?>";

constexpr char kXml[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<root>\n\n</root>\n";

std::u16string readUTF8File(const std::string& path, const char* what)
{
    const auto bytes = NSFileManager::defaultManager().contentsAtPath(path);
    if (!bytes)
        return {};
    auto text = utf8ToUtf16Strict(*bytes);
    if (!text) {
        NSLogf("%s is not UTF-8 text: %s", what, path.c_str());
        return {};
    }
    return *text;
}

}

std::vector<std::u16string> buildTemplates(bool customTemplateSetting)
{
    std::vector<std::u16string> templates;
    templates.reserve(kCount);
    templates.push_back(utf8ToUtf16(kCssPrint));
    templates.push_back(utf8ToUtf16(kCssScreen));
    if (customTemplateSetting)
        templates.emplace_back();
    else
        templates.push_back(readUTF8File(
            stringByAppendingPathComponent(NSFileManager::defaultManager().documentsDirectory(), kCustomTemplateFileName),
            "The custom template"));
    templates.push_back(utf8ToUtf16(kHtml401));
    templates.push_back(utf8ToUtf16(kHtml5));
    const auto jquery = NSBundle::mainBundle().pathForResource("jquery_template", "txt");
    templates.push_back(jquery ? readUTF8File(*jquery, "The jQuery template") : std::u16string {});
    templates.push_back(utf8ToUtf16(kPhp));
    templates.push_back(utf8ToUtf16(kXml));
    return templates;
}

}
