#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "Host/HostMain.h"
#include "tests/screens_launch/LaunchTestSupport.h"

namespace {

// The whole road as a person takes it: the platform's main under the headless host, the main
// interface file, the set-password screen driven by a script, and the next launch asking for it.
TEST_F(LaunchTest, ScriptSetsAPasswordThatTheNextLaunchAsksFor)
{
    struct Run {
        const char* script;
        const char* passwordAfter;
    };
    const Run runs[] = {
        { "assertVisible MASTER PASSWORD\ntapOutlet txtPass1\ntype pw 1\ntapOutlet txtPass2\ntype pw 2\n"
          "tapOutlet btnGo\nwait 1\nanswerAlert OK\n"
          "tapOutlet txtPass2\nkey backspace\ntype 1\ntapOutlet btnGo\nwait 1\nquit\n",
          "pw 1" },
        { "assertVisible Please enter your master password.\ntapOutlet txtPass\ntype pw 1\ntapOutlet btnGo\nwait 1\n"
          "quit\n",
          "pw 1" },
    };
    for (const Run& run : runs) {
        SCOPED_TRACE(run.script);
        const std::string script = home_.path() + "/script.txt";
        std::ofstream(script) << run.script;
        std::ostringstream err;
        installHostForApplicationMain(err);
        std::vector<std::string> args { "lexiphant", "--headless", "--device", "iphone", "--script", script };
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        EXPECT_EQ(UIApplicationMain(int(argv.size()), argv.data(), "", ""), 0) << err.str();
        UIApplicationSetHost({});
        RatingPrompt::waitForCountingForTesting();
        NSUserDefaults::resetStandardUserDefaults();
        EXPECT_EQ(defaults().stringForKey("masterPassword"), run.passwordAfter);
        UIAlertView::resetForTesting();
        UIApplication::sharedApplication().resetForTesting();
    }
}

}
