// Whole-file transfers over loopback, FTP and SFTP, through the network manager and through the
// curl command-line tool against the same servers in the same run, plus the peak memory of an
// in-memory download. Each iteration moves the whole file once.

#include "Classes/Others/NetworkManager.h"
#include "Classes/Others/QVConnection.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "tests/support/FtpTestServer.h"
#include "tests/support/SftpTestServer.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr std::size_t kFileSize = 8u << 20;
constexpr std::size_t kEditorLimit = 10u << 20;
const char* const kFileName = "bench-8m.bin";

enum class Kind { ftp, sftp, ftpThrottled };

// The line of a small hosting account: data transfers held to 200 KB/s.
constexpr std::size_t kThrottledLine = 200u * 1024u;

// Keeps the delivered bytes, as the editor does, and counts results.
class BenchDelegate : public NetworkManagerDelegate {
public:
    void setData(NSData bytes) override { data = std::move(bytes); }
    void downloadedFile(int result) override { code = result; }
    void uploadedFile(const std::string&, int result) override { code = result; }
    void finishedConnectingwithCode(int result) override { code = result; }
    NSData data;
    int code { -1 };
};

TestServer& serverFor(Kind kind)
{
    static bool filled[3] = { false, false, false };
    FtpServerOptions throttled;
    throttled.throttleBytesPerSecond = kThrottledLine;
    TestServer& server = kind == Kind::ftp   ? static_cast<TestServer&>(FtpTestServer::shared())
        : kind == Kind::sftp                 ? static_cast<TestServer&>(SftpTestServer::shared())
                                             : static_cast<TestServer&>(FtpTestServer::shared(throttled));
    bool& done = filled[static_cast<int>(kind)];
    if (kind == Kind::ftpThrottled)
        done = true; // holds only the folders of the save benchmark
    if (!done) {
        std::string bytes(kFileSize, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>('a' + i % 26); // text: the upload sends the same bytes back
        server.writeFile(kFileName, bytes);
        server.writeFile("bench-10m.txt", std::string(kEditorLimit, 'x'));
        done = true;
    }
    return server;
}

std::shared_ptr<BenchDelegate> connectTo(Kind kind)
{
    static bool quiet = false;
    if (!quiet) {
        (void)NSLogSetSink([](const std::string&) {}); // the manager's log lines are not what we measure
        quiet = true;
    }
    // A home of its own: the manager remembers SFTP host keys there, and the test server's
    // key is new at every run.
    static const TempDir home("lexiphant-bench");
    static const ScopedEnv homeEnv("LEXIPHANT_HOME", home.path());
    TestServer& server = serverFor(kind);
    auto connection = std::make_shared<QVConnection>();
    connection->setHost(server.host());
    connection->setPort(server.port());
    connection->setUsername(server.user());
    connection->setPassword(server.password());
    connection->setType(kind == Kind::sftp ? QVConnection::kTypeSFTP : QVConnection::kTypeFTP);
    connection->setStartPath(server.startPath());
    auto delegate = std::make_shared<BenchDelegate>();
    NetworkManager& manager = NetworkManager::sharedManager();
    manager.setConnection(connection);
    manager.setDelegate(delegate);
    manager.connect(); // on the main thread the deliveries run inside the call
    return delegate->code == 0 ? delegate : nullptr;
}

void BM_download(benchmark::State& state, Kind kind)
{
    auto delegate = connectTo(kind);
    if (!delegate) {
        state.SkipWithError("cannot connect");
        return;
    }
    for (auto _ : state) {
        NetworkManager::sharedManager().downloadFile(kFileName);
        if (delegate->code != 0 || delegate->data.size() != kFileSize) {
            state.SkipWithError("download failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize));
}

// As the curl tool works: a new login for every file.
void BM_connectAndDownload(benchmark::State& state, Kind kind)
{
    for (auto _ : state) {
        auto delegate = connectTo(kind);
        if (!delegate) {
            state.SkipWithError("cannot connect");
            return;
        }
        NetworkManager::sharedManager().downloadFile(kFileName);
        if (delegate->code != 0 || delegate->data.size() != kFileSize) {
            state.SkipWithError("download failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize));
}

void BM_upload(benchmark::State& state, Kind kind)
{
    auto delegate = connectTo(kind);
    if (!delegate) {
        state.SkipWithError("cannot connect");
        return;
    }
    std::u16string text(kFileSize, u'a');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(u'a' + i % 26);
    for (auto _ : state) {
        delegate->code = -1;
        if (NetworkManager::sharedManager().uploadASCII("bench-upload.bin", text) != 0) {
            state.SkipWithError("upload failed");
            return;
        }
        RunLoop::main().runOnce(); // the queued uploadedFile
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize));
}

// Open, change and save a small file in a folder of state.range(0) entries, as the editor does
// once the folder screen has listed the folder: what a save costs beside the folder's size.
void BM_saveInFolder(benchmark::State& state, Kind kind)
{
    const auto entries = static_cast<std::size_t>(state.range(0));
    const std::string folder = "folder-" + std::to_string(entries);
    TestServer& server = serverFor(kind);
    if (!server.exists(folder + "/page.txt")) {
        server.makeDir(folder);
        for (std::size_t i = 1; i < entries; ++i)
            server.writeFile(folder + "/entry-" + std::to_string(100000 + i) + ".html", "<p>x</p>\n");
        server.writeFile(folder + "/page.txt", "a small page\n");
    }
    auto delegate = connectTo(kind);
    NetworkManager& manager = NetworkManager::sharedManager();
    if (!delegate || !manager.changeCWorkDir(folder) || manager.curDirListening()->size() < entries) {
        state.SkipWithError("cannot list the folder");
        return;
    }
    int saves = 0;
    for (auto _ : state) {
        manager.downloadFile("page.txt");
        if (delegate->code != 0) {
            state.SkipWithError("download failed");
            return;
        }
        const EncodedString opened = NetworkManager::getStringFromData(delegate->data);
        const std::string mark = "saved " + std::to_string(++saves) + "\n";
        std::u16string text = opened.string.substr(0, 2000) + std::u16string(mark.begin(), mark.end());
        if (manager.uploadASCII("page.txt", text, NSUTF8StringEncoding, true) != 0) {
            state.SkipWithError("save failed");
            return;
        }
        RunLoop::main().runOnce(); // the queued uploadedFile
    }
    state.SetItemsProcessed(state.iterations());
}

// One run of the curl tool; false when it failed.
bool runCurl(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>("curl"));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "curl", nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string urlOf(Kind kind, const std::string& name)
{
    return serverFor(kind).url() + name;
}

std::vector<std::string> curlLogin(Kind kind)
{
    TestServer& server = serverFor(kind);
    return { "-s", "-S", "-k", "--ftp-pasv", "--disable-epsv", "-u", server.user() + ":" + server.password() };
}

void BM_curlToolDownload(benchmark::State& state, Kind kind)
{
    std::vector<std::string> arguments = curlLogin(kind);
    arguments.insert(arguments.end(), { "-o", "/dev/null", urlOf(kind, kFileName) });
    for (auto _ : state) {
        if (!runCurl(arguments)) {
            state.SkipWithError("curl failed");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize));
}

void BM_curlToolUpload(benchmark::State& state, Kind kind)
{
    const std::string local = "/tmp/lexiphant-bench-upload.bin";
    {
        std::ofstream out(local, std::ios::binary);
        for (std::size_t i = 0; i < kFileSize; ++i)
            out.put(static_cast<char>('a' + i % 26));
    }
    std::vector<std::string> arguments = curlLogin(kind);
    arguments.insert(arguments.end(), { "-T", local, urlOf(kind, "bench-curl-upload.bin") });
    for (auto _ : state) {
        if (!runCurl(arguments)) {
            state.SkipWithError("curl failed");
            return;
        }
    }
    std::remove(local.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileSize));
}

// Kilobytes of a line of /proc/self/status ("VmRSS", "VmHWM").
long statusKilobytes(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key + ":", 0) == 0)
            return std::atol(line.c_str() + key.size() + 1);
    }
    return -1;
}

// Peak resident memory added by one in-memory download of a file at the editor's limit, as a
// multiple of the file size (the delivered bytes included). A sampler reads the resident size
// every millisecond while the download runs.
void BM_peakMemoryOfDownload(benchmark::State& state)
{
    auto delegate = connectTo(Kind::ftp);
    if (!delegate) {
        state.SkipWithError("cannot connect");
        return;
    }
    double worst = 0;
    for (auto _ : state) {
        delegate->data = NSData();
        const long before = statusKilobytes("VmRSS");
        std::atomic<bool> running { true };
        std::atomic<long> peak { before };
        std::thread sampler([&] {
            while (running) {
                peak = std::max(peak.load(), statusKilobytes("VmRSS"));
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        NetworkManager::sharedManager().downloadFile("bench-10m.txt");
        peak = std::max(peak.load(), statusKilobytes("VmRSS"));
        running = false;
        sampler.join();
        if (delegate->code != 0 || delegate->data.size() != kEditorLimit) {
            state.SkipWithError("download failed");
            return;
        }
        worst = std::max(worst, double(peak - before) * 1024.0 / double(kEditorLimit));
    }
    state.counters["peak_over_file_size"] = worst;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kEditorLimit));
}

} // namespace

BENCHMARK_CAPTURE(BM_download, ftp, Kind::ftp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_connectAndDownload, ftp, Kind::ftp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_curlToolDownload, ftp, Kind::ftp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_upload, ftp, Kind::ftp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_curlToolUpload, ftp, Kind::ftp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_download, sftp, Kind::sftp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_connectAndDownload, sftp, Kind::sftp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_curlToolDownload, sftp, Kind::sftp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_upload, sftp, Kind::sftp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_curlToolUpload, sftp, Kind::sftp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_saveInFolder, ftp200k, Kind::ftpThrottled)
    ->Arg(5)->Arg(20000)->Iterations(4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_saveInFolder, sftp, Kind::sftp)
    ->Arg(5)->Arg(20000)->Iterations(10)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_peakMemoryOfDownload)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
