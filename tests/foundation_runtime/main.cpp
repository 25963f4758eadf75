#include "Platform/Foundation/NSRunLoop.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    RunLoop::main().bindToCurrentThread();
    return RUN_ALL_TESTS();
}
