#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "Classes/LexiphantClasses.h"
#include "Host/HostMain.h"
#include "Host/HostOptions.h"
#include "Host/TestScene.h"
#include "Platform/UIKit/UIApplicationMain.h"

// Started with "--host-child OPTIONS...", the test program is the editor's host with its test
// scene, so the tests can run it as a separate process (under Xvfb, say) without needing the
// editor's own executable.
int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--host-child") == 0) {
        std::vector<const char*> args { argv[0] };
        args.insert(args.end(), argv + 2, argv + argc);
        const auto parsed = HostOptions::parse(int(args.size()), args.data());
        if (const auto* error = std::get_if<std::string>(&parsed)) {
            std::cerr << *error << '\n';
            return 2;
        }
        return runHost(std::get<HostOptions>(parsed), std::make_shared<TestScene>(), std::cerr);
    }
    // "--app-child OPTIONS...": the editor's own start (its classes, the host UIApplicationMain
    // runs), to see what it does before anything is shown.
    if (argc > 1 && std::strcmp(argv[1], "--app-child") == 0) {
        std::vector<char*> args { argv[0] };
        args.insert(args.end(), argv + 2, argv + argc);
        registerLexiphantClasses();
        installHostForApplicationMain(std::cerr, {}, BundleCheck::editorNeeds());
        return UIApplicationMain(int(args.size()), args.data(), "", "");
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
