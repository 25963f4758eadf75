#include <gtest/gtest.h>

#include <sstream>

#include "Classes/Controller/UIColorHexColor.h"
#include "Classes/Controller/UIDeviceResolutions.h"
#include "Classes/FileTemplates.h"
#include "Classes/SettingsCommand.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIDevice.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace {

TEST(HexColor, ReadsThreeSixAndEightDigitsWithOrWithoutHash)
{
    struct Case {
        const char* text;
        unsigned r, g, b, a;
    };
    const Case cases[] = {
        { "4CAA1E", 76, 170, 30, 255 },  { "#fff", 255, 255, 255, 255 },  { "ffffff", 255, 255, 255, 255 },
        { "ffffffff", 255, 255, 255, 255 }, { "00000080", 0, 0, 0, 128 }, { "#6d6d6d", 0x6d, 0x6d, 0x6d, 255 },
        { "#a#b#c", 0xaa, 0xbb, 0xcc, 255 }, { "112233445566", 0x11, 0x22, 0x33, 0x44 },
    };
    for (const Case& c : cases) {
        const auto parts = UIColorHexColor::parseHexColor(c.text);
        ASSERT_TRUE(parts) << c.text;
        EXPECT_EQ(parts->red, c.r) << c.text;
        EXPECT_EQ(parts->green, c.g) << c.text;
        EXPECT_EQ(parts->blue, c.b) << c.text;
        EXPECT_EQ(parts->alpha, c.a) << c.text;
    }
    for (const char* bad : { "", "#", "12", "abcd", "12345", "1234567", "zzzzzz", "4CAA1", "4CAA1E00zz", "4CAA1E 1" })
        EXPECT_FALSE(UIColorHexColor::parseHexColor(bad)) << bad;
    EXPECT_TRUE(UIColorHexColor::colorWithHexString("nonsense")->isEqual(*UIColor::blackColor()));
}

TEST(DeviceResolution, CodesPerDeviceClass)
{
    const std::pair<const char*, int> cases[] = {
        { "iphone", 1 }, { "iphone-retina", 2 }, { "iphone-tall", 3 }, { "ipad", 4 }, { "ipad-retina", 5 },
    };
    for (const auto& [name, code] : cases) {
        UIDevice::currentDevice().setProfile(*UIDevice::profileNamed(name));
        EXPECT_EQ(UIDeviceResolutions::currentResolution(), code) << name;
    }
    UIDevice::currentDevice().setProfile(*UIDevice::profileNamed("ipad"));
}

class LaunchHome : public ::testing::Test {
protected:
    void SetUp() override { NSUserDefaults::resetStandardUserDefaults(); }
    void TearDown() override { NSUserDefaults::resetStandardUserDefaults(); }
    void writeCustomTemplate(std::string_view bytes)
    {
        auto& files = NSFileManager::defaultManager();
        ASSERT_TRUE(files.createDirectoryAtPath(files.documentsDirectory(), true));
        ASSERT_TRUE(files.writeToFile(files.documentsDirectory() + "/custom_template.txt", bytes));
    }
    TempDir home_;
    ScopedEnv env_ { "LEXIPHANT_HOME", home_.path() };
};

TEST_F(LaunchHome, TemplatesHoldTheirTextsAndTheCustomOneFollowsItsSetting)
{
    auto templates = FileTemplates::buildTemplates(false);
    ASSERT_EQ(templates.size(), 8u);
    EXPECT_EQ(templates[2], u"");
    EXPECT_EQ(templates[6], u"<?php\n\n?>");
    EXPECT_EQ(templates[7], u"<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<root>\n\n</root>\n");
    EXPECT_NE(templates[1].find(u"\tcolor: #000000;\n}"), std::u16string::npos);
    EXPECT_EQ(templates[1].find(u"#000000)"), std::u16string::npos);
    EXPECT_EQ(templates[3].rfind(u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\" "
                                 u"\"http://www.w3.org/TR/html4/loose.dtd\">\n<html lang=\"en\">", 0),
              0u);
    EXPECT_NE(templates[4].find(u"\t<meta  charset=\"UTF-8\">\n"), std::u16string::npos);
    EXPECT_NE(templates[5].find(u"})(jQuery);"), std::u16string::npos) << "the bundle's jQuery script";
    EXPECT_EQ(templates[5].find(u"<html"), std::u16string::npos) << "saved as NAME.js, so a script, not a page";

    writeCustomTemplate("<?php // mine ?>\n");
    EXPECT_EQ(FileTemplates::buildTemplates(false)[2], u"<?php // mine ?>\n");
    EXPECT_EQ(FileTemplates::buildTemplates(true)[2], u"") << "the setting starts it empty";
    writeCustomTemplate("caf\xe9");
    EXPECT_EQ(FileTemplates::buildTemplates(false)[2], u"") << "not UTF-8";
}

TEST_F(LaunchHome, SettingsCommandChecksValuesAndWritesTheAppsDefaults)
{
    struct Step {
        std::vector<std::string> arguments;
        int status;
        const char* out; // expected standard output, or null to skip
    };
    const Step steps[] = {
        { { "get", "maskPasswords" }, 0, "yes\n" },
        { { "set", "maskPasswords", "no" }, 0, "" },
        { { "get", "maskPasswords" }, 0, "no\n" },
        { { "set", "maskPasswords", "maybe" }, 2, "" },
        // The command takes what its help lists: one optional "#", then 3, 6 or 8 digits.
        { { "set", "colorScheme", "12" }, 2, "" },
        { { "set", "colorScheme", "##fff" }, 2, "" },
        { { "set", "colorScheme", "ff#8800" }, 2, "" },
        { { "set", "colorScheme", "ff88001122" }, 2, "" },
        { { "set", "colorScheme", "ff880" }, 2, "" },
        { { "set", "colorScheme", "ff88zz" }, 2, "" },
        { { "set", "colorScheme", "#fff" }, 0, "" },
        { { "set", "colorScheme", "ff880080" }, 0, "" },
        { { "get", "colorScheme" }, 0, "ff880080\n" },
        { { "set", "colorScheme", "#ff8800" }, 0, "" },
        { { "get", "colorScheme" }, 0, "#ff8800\n" },
        { { "set", "masterPassword", "x" }, 2, "" },
        { { "get" }, 2, "" },
        { { "list" }, 0, "maskPasswords no\ncustomTemplate no\ncolorScheme #ff8800\nopenAll no\nclearedMasterPass no\n" },
        { { "reset" }, 0, "" },
        { { "get", "colorScheme" }, 0, "4CAA1E\n" },
    };
    for (const Step& step : steps) {
        std::ostringstream out, err;
        EXPECT_EQ(runSettingsCommand(step.arguments, out, err), step.status) << step.arguments[0] << err.str();
        if (step.out) {
            EXPECT_EQ(out.str(), step.out) << step.arguments[0];
        }
        if (step.status == 2) {
            EXPECT_FALSE(err.str().empty());
        }
    }
    // The app reads what the command wrote, from the file.
    NSUserDefaults::standardUserDefaults().setString("secret", "masterPassword");
    ASSERT_TRUE(NSUserDefaults::standardUserDefaults().synchronize());
    std::ostringstream out, err;
    ASSERT_EQ(runSettingsCommand({ "set", "openAll", "yes" }, out, err), 0);
    NSUserDefaults::resetStandardUserDefaults();
    EXPECT_TRUE(NSUserDefaults::standardUserDefaults().boolForKey("openAll"));
    EXPECT_FALSE(NSUserDefaults::standardUserDefaults().boolForKey("notifiedOpenAll"));
    EXPECT_EQ(NSUserDefaults::standardUserDefaults().stringForKey("masterPassword"), "secret") << "reset and set keep it";
}

}
