#include <cstdlib>

#include <gtest/gtest.h>

#include "Platform/Foundation/NSLog.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
#ifdef LEXIPHANT_SOURCE_DIR
    // Run by hand, the program still finds the repository's bundle.
    ::setenv("LEXIPHANT_BUNDLE", LEXIPHANT_SOURCE_DIR "/Resources", 0);
#endif
    // The engine logs every set-up and recolouring; tests that care capture the lines.
    NSLogSetSink([](const std::string&) { });
    return RUN_ALL_TESTS();
}
