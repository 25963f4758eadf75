// Two parts of the network layer that need no server: the alert a save's report makes, and the
// remembered SSH host keys by host and port.

#include "Classes/Others/KnownHosts.h"
#include "Classes/Others/SaveReport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

using Holds = SaveReport::Holds;

SaveReport reportOf(int code, std::vector<SaveReport::Place> places)
{
    SaveReport report;
    report.name = report.shownName = "page.txt";
    report.code = code;
    report.reason = code ? "Failure in receiving network data." : "";
    report.places = std::move(places);
    return report;
}

} // namespace

TEST(SaveResultText, OneAlertSaysAllOfIt)
{
    struct Case {
        const char* title;
        SaveReport report;
        SaveResultText expected;
    };
    SaveReport everything = reportOf(0, { { "page.txt", Holds::newText }, { "page.txt_##_", Holds::earlierText } });
    everything.modeWanted = 0600;
    everything.modeNow = 0644;
    everything.switchedToUTF8 = true;
    everything.readEncoding = NSISOLatin1StringEncoding;
    SaveReport unlisted = reportOf(56, { { "page.txt", Holds::oldText }, { "page.txt_##_", Holds::newText } });
    unlisted.listed = false;
    SaveReport recreated = reportOf(0, { { "page.txt", Holds::newText } });
    recreated.recreatedWithDefaultMode = true;
    const Case cases[] = {
        { "PlainSuccessShowsNothing", reportOf(0, { { "page.txt", Holds::newText } }), {} },
        { "UntouchedOriginal", reportOf(56, { { "page.txt", Holds::oldText } }),
          { "Error", "Could not save file (56)!\nFailure in receiving network data.\n'page.txt' on the server was left "
                     "as it was." } },
        { "OriginalGoneNewTextAside",
          reportOf(1003, { { "page.txt_##_", Holds::newText }, { "page.txt_#old#_", Holds::oldText } }),
          { "Error", "Could not save file (1003)!\nFailure in receiving network data.\n'page.txt' is missing on the "
                     "server.\n'page.txt_##_' holds the new text.\n'page.txt_#old#_' holds the old text." } },
        { "PartialUploadNamed", reportOf(56, { { "page.txt", Holds::oldText }, { "page.txt_##_", Holds::newTextMaybePartial } }),
          { "Error", "Could not save file (56)!\nFailure in receiving network data.\n'page.txt' holds the old "
                     "text.\n'page.txt_##_' may hold part of the new text (it may be incomplete)." } },
        { "ModeEncodingAndLeftOverTogether", everything,
          { "Saved", "'page.txt' was saved.\n'page.txt' was saved as UTF-8, because it now holds characters that ISO "
                     "Latin 1 cannot store.\nIts permissions could not be restored to 600; they are now "
                     "644.\n'page.txt_##_' was left by an earlier save and holds an earlier text (it may be "
                     "incomplete)." } },
        { "RecreatedWithAnUnreadableDefaultMode", recreated,
          { "Saved", "'page.txt' was saved.\nIt was missing on the server and was made anew with the server's default "
                     "permissions, which could not be read." } },
        { "FolderNotReadAgain", unlisted,
          { "Error", "Could not save file (56)!\nFailure in receiving network data.\nThe folder could not be read "
                     "again.\n'page.txt' may hold the old text.\n'page.txt_##_' may hold the new text." } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const SaveResultText shown = saveResultText(c.report);
        EXPECT_EQ(shown.title, c.expected.title);
        EXPECT_EQ(shown.message, c.expected.message);
    }
}

TEST(KnownHosts, KeysAreKeptByHostAndPort)
{
    const std::string ecdsa = std::string("\0\0\0\x13", 4) + "ecdsa-sha2-nistp256" + "key-one";
    const std::string ecdsaOther = std::string("\0\0\0\x13", 4) + "ecdsa-sha2-nistp256" + "key-two";
    const std::string ed25519 = std::string("\0\0\0\x0b", 4) + "ssh-ed25519" + "key-three";
    const std::string plain = "example.org ecdsa-sha2-nistp256 " + KnownHosts::base64(ecdsa) + "\n";
    struct Case {
        const char* title;
        std::string file;
        int port;
        std::string key;
        KnownHosts::Verdict verdict;
        int line;             // of the remembered key, when changed
        std::string appended; // when learned
    };
    const Case cases[] = {
        { "SameKeyOnPort22", plain, 22, ecdsa, KnownHosts::Verdict::known, 0, "" },
        { "PlainLineCountsForPort22Only", plain, 2222, ecdsaOther, KnownHosts::Verdict::learned, 0,
          "[example.org]:2222 ecdsa-sha2-nistp256 " + KnownHosts::base64(ecdsaOther) + "\n" },
        { "ChangedKeyOnPort22", "# mine\n" + plain, 22, ecdsaOther, KnownHosts::Verdict::changed, 2, "" },
        { "KeyOfAnotherTypeIsAChange", plain, 22, ed25519, KnownHosts::Verdict::changed, 1, "" },
        { "OtherPortKeepsItsOwnKey", plain + "[example.org]:2222 ssh-ed25519 " + KnownHosts::base64(ed25519) + "\n",
          2222, ed25519, KnownHosts::Verdict::known, 0, "" },
        { "ChangedOnTheOtherPort", plain + "[example.org]:2222 ssh-ed25519 " + KnownHosts::base64(ed25519) + "\n",
          2222, ecdsa, KnownHosts::Verdict::changed, 2, "" },
        { "SecondKeyTypeOfAHostIsKnown",
          "# mine\n" + plain + "example.org ssh-ed25519 " + KnownHosts::base64(ed25519) + "\n", 22, ed25519,
          KnownHosts::Verdict::known, 0, "" },
        { "TabsAndSpaceRunsSeparateFields", "example.org\tssh-ed25519  \t" + KnownHosts::base64(ed25519) + "\n", 22,
          ed25519, KnownHosts::Verdict::known, 0, "" },
        { "NoRememberedTypeMatchesIsAChange",
          "other.org ssh-ed25519 AAAA\n" + plain + "example.org ecdsa-sha2-nistp256 " + KnownHosts::base64(ecdsaOther)
              + "\n",
          22, ed25519, KnownHosts::Verdict::changed, 2, "" },
        { "FirstKeyIsLearned", "", 22, ed25519, KnownHosts::Verdict::learned, 0,
          "example.org ssh-ed25519 " + KnownHosts::base64(ed25519) + "\n" },
        { "LineWithoutEndIsEndedFirst", "other.org ssh-ed25519 AAAA", 22, ed25519, KnownHosts::Verdict::learned, 0,
          "\nexample.org ssh-ed25519 " + KnownHosts::base64(ed25519) + "\n" },
    };
    const TempDir dir("lexiphant-known");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const std::string path = dir / "known_hosts";
        std::ofstream(path, std::ios::trunc) << c.file;
        KnownHosts::Refusal refusal;
        EXPECT_EQ(KnownHosts::check(path, "example.org", c.port, c.key, refusal), c.verdict);
        std::ostringstream after;
        after << std::ifstream(path).rdbuf();
        EXPECT_EQ(after.str(), c.file + c.appended);
        if (c.verdict == KnownHosts::Verdict::changed) {
            EXPECT_EQ(refusal.line, c.line);
            EXPECT_EQ(refusal.hostName, KnownHosts::hostName("example.org", c.port));
        }
    }
    EXPECT_EQ(KnownHosts::base64("ab"), "YWI=");
    EXPECT_EQ(KnownHosts::base64("abcd"), "YWJjZA==");
}

namespace {

// The verdict of a check run as an ordinary user (root reads and writes whatever the modes say),
// in a child process; -1 when the child could not run it.
int checkAsUser(const std::string& path, const std::string& host, const std::string& key)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(100);
        KnownHosts::Refusal refusal;
        const auto verdict = KnownHosts::check(path, host, 22, key, refusal);
        ::_exit(refusal.reason.empty() && verdict >= KnownHosts::Verdict::unreadable ? 101 : static_cast<int>(verdict));
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace

// What cannot be read or stored refuses the key, and says why; nothing is written then.
TEST(KnownHosts, FailsClosed)
{
    const std::string key = std::string("\0\0\0\x0b", 4) + "ssh-ed25519" + "key-one";
    const std::string line = "example.org ssh-ed25519 " + KnownHosts::base64(key) + "\n";
    const TempDir dir("lexiphant-known-closed");
    ::chmod(dir.path().c_str(), 0755); // the ordinary user reaches what is inside
    using Setup = std::function<std::string(const std::string& folder)>;
    const auto file = [](std::string text, mode_t mode) {
        return [=](const std::string& folder) {
            const std::string path = folder + "/known_hosts";
            std::ofstream(path) << text;
            ::chmod(path.c_str(), mode);
            return path;
        };
    };
    struct Case {
        const char* title;
        Setup setup;
        std::string host;
        bool asUser;
        KnownHosts::Verdict verdict;
        std::string reason;
    };
    const Case cases[] = {
        { "Folder", [](const std::string& f) { ::mkdir((f + "/known_hosts").c_str(), 0755); return f + "/known_hosts"; },
          "example.org", false, KnownHosts::Verdict::unreadable, "it is a folder" },
        { "LinkToNothing",
          [](const std::string& f) {
              (void)::symlink((f + "/gone").c_str(), (f + "/known_hosts").c_str());
              return f + "/known_hosts";
          },
          "example.org", false, KnownHosts::Verdict::unreadable, "it is a link to nothing" },
        { "Unreadable", file(line, 0200), "example.org", true, KnownHosts::Verdict::unreadable, "" },
        { "MissingFolder", [](const std::string& f) { return f + "/missing/known_hosts"; }, "example.org", false,
          KnownHosts::Verdict::unstorable, "No such file or directory" },
        { "ReadOnlyFile", file("", 0444), "example.org", true, KnownHosts::Verdict::unstorable, "" },
        { "ReadOnlyFileKnownKeyPasses", file(line, 0444), "example.org", true, KnownHosts::Verdict::known, "" },
        { "ReadOnlyFolder", [](const std::string& f) { ::chmod(f.c_str(), 0555); return f + "/known_hosts"; },
          "example.org", true, KnownHosts::Verdict::unstorable, "" },
        { "HostWithHashMark", file("", 0644), "exa|mple.org", false, KnownHosts::Verdict::unstorable, "\"|\"" },
        { "HostWithBlank", file("", 0644), "exa mple.org", false, KnownHosts::Verdict::unstorable, "blank" },
    };
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const std::string folder = dir / std::to_string(++number);
        ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
        const std::string path = c.setup(folder);
        if (c.asUser) {
            EXPECT_EQ(checkAsUser(path, c.host, key), static_cast<int>(c.verdict));
        } else {
            KnownHosts::Refusal refusal;
            EXPECT_EQ(KnownHosts::check(path, c.host, 22, key, refusal), c.verdict);
            EXPECT_NE(refusal.reason.find(c.reason), std::string::npos) << refusal.reason;
        }
        struct stat status {};
        if (::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && c.verdict != KnownHosts::Verdict::known) {
            ::chmod(path.c_str(), 0600);
            std::ostringstream after;
            after << std::ifstream(path).rdbuf();
            EXPECT_EQ(after.str().find(KnownHosts::base64(key)) != std::string::npos, c.title == std::string("Unreadable"));
        }
        ::chmod(folder.c_str(), 0755);
    }
}
