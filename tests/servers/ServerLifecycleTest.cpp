#include "tests/support/ChildProcess.h"
#include "tests/support/FtpTestServer.h"
#include "tests/support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <fstream>
#include <thread>

namespace {

using namespace std::chrono_literals;

bool acceptsConnections(int port)
{
    UniqueFd sock(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return ::connect(sock.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

// Gone, or a zombie nobody reaps (a container's init may not).
bool processGone(pid_t pid)
{
    for (int tries = 0; tries < 200; ++tries) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string pidField, name, state;
        if (!(stat >> pidField >> name >> state) || state == "Z") return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

TEST(ServerFiles, PathsOutsideTheRootAreRefused)
{
    auto& server = FtpTestServer::shared();
    for (const char* path : { "/etc/passwd", "../escape", "a/../../escape", "a/b/../../../escape" })
        EXPECT_THROW((void)server.pathFor(path), std::invalid_argument) << path;
    EXPECT_EQ(server.pathFor("a/./b"), server.rootDir() / "a/b");
}

TEST(ServerFiles, WriteReadAndSparseFiles)
{
    auto& server = FtpTestServer::shared();
    server.clearRoot();
    EXPECT_EQ(server.readFile("missing.txt"), std::nullopt);

    server.writeFile("deep/er/file.txt", std::string("a\0b", 3));
    EXPECT_EQ(server.readFile("deep/er/file.txt"), std::string("a\0b", 3));
    server.writeFile("deep/er/file.txt", "shorter");
    EXPECT_EQ(server.readFile("deep/er/file.txt"), "shorter");

    const std::uint64_t size = (5ULL << 30) + 7;
    server.makeSparseFile("sparse.bin", size);
    struct stat info { };
    ASSERT_EQ(::stat(server.pathFor("sparse.bin").c_str(), &info), 0);
    EXPECT_EQ(static_cast<std::uint64_t>(info.st_size), size);
    EXPECT_LT(info.st_blocks * 512, 1 << 20) << "the file should take no real space";

    server.clearRoot();
    EXPECT_FALSE(server.exists("deep"));
    EXPECT_TRUE(std::filesystem::is_directory(server.rootDir()));
}

TEST(ServerLifecycle, StopEndsTheServerAndRemovesItsFolders)
{
    FtpTestServer server;
    server.start();
    const int port = server.port();
    const auto root = server.rootDir();
    ASSERT_TRUE(server.running());
    ASSERT_TRUE(acceptsConnections(port));

    server.stop();
    EXPECT_FALSE(server.running());
    EXPECT_FALSE(acceptsConnections(port));
    EXPECT_FALSE(std::filesystem::exists(root));
    server.stop(); // twice is harmless
}

TEST(ServerLifecycle, BadOptionsAreRefusedBeforeAnythingStarts)
{
    FtpServerOptions options;
    options.greeting = "Microsoft\r\n230 Logged in";
    FtpTestServer server;
    EXPECT_THROW(server.start(options), std::invalid_argument);
    EXPECT_FALSE(server.running());
}

TEST(ServerLifecycle, StartFailureIsAnErrorThatSaysWhy)
{
    FtpTestServer server;
    std::string message;
    {
        const ScopedEnv tmpdir("TMPDIR", "/nonexistent/lexiphant");
        try {
            server.start();
        } catch (const std::runtime_error& e) {
            message = e.what();
        }
    }
    EXPECT_TRUE(message.starts_with("FTP test server cannot start: ")) << message;
    EXPECT_NE(message.find("/nonexistent/lexiphant"), std::string::npos) << message;
    EXPECT_FALSE(server.running());
}

TEST(ChildProcessGroup, StopTakesGrandchildrenAlong)
{
    ChildProcess child;
    ChildProcess::Command command;
    command.argv = { "/bin/sh", "-c", "sleep 30 & echo $!; wait" };
    command.captureStdout = true;
    child.spawn(command);
    const auto line = child.readLine(5s);
    ASSERT_TRUE(line.has_value());
    const pid_t grandchild = std::stoi(*line);
    ASSERT_EQ(::kill(grandchild, 0), 0) << "the grandchild should be running";

    child.stop(2s);
    EXPECT_FALSE(child.started());
    EXPECT_TRUE(processGone(grandchild));
}

TEST(ChildProcessGroup, ReportsHowItEnded)
{
    ChildProcess::Command exits;
    exits.argv = { "/bin/sh", "-c", "exit 3" };
    EXPECT_EQ(ChildProcess::run(exits, 5s), 3);

    ChildProcess::Command reads;
    reads.argv = { "/bin/sh", "-c", "read line; test \"$line\" = hello" };
    reads.stdinText = "hello\n";
    EXPECT_EQ(ChildProcess::run(reads, 5s), 0);

    ChildProcess::Command hangs;
    hangs.argv = { "/bin/sleep", "30" };
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(ChildProcess::run(hangs, 100ms), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);

    ChildProcess child;
    child.spawn(exits);
    EXPECT_TRUE(child.waitForExit(5s));
    EXPECT_EQ(child.statusText(), "exited with code 3");
}

TEST(ChildProcessGroup, ChildThatIgnoresItsInputDoesNotKillUs)
{
    ChildProcess::Command quits;
    quits.argv = { "/bin/true" };
    quits.stdinText = std::string(1 << 20, 'x'); // more than a pipe holds
    EXPECT_EQ(ChildProcess::run(quits, 5s), 0);
}

TEST(ChildProcessGroup, RefusesRelativeProgramPaths)
{
    ChildProcess child;
    ChildProcess::Command command;
    command.argv = { "sh", "-c", "true" };
    EXPECT_THROW(child.spawn(command), std::invalid_argument);
}

} // namespace
