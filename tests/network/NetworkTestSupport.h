#pragma once

#include "Classes/Others/FileEntry.h"
#include "Classes/Others/NetworkManager.h"
#include "Classes/Others/QVConnection.h"
#include "Platform/Foundation/NSData.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TestServer;

// Records every delivery, and on which thread it arrived.
class RecordingDelegate : public NetworkManagerDelegate {
public:
    bool respondsTo(Operation operation) const override;
    void finishedConnectingwithCode(int code) override;
    void downloadedFile(int code) override;
    void downloadedBinary(int code) override;
    void uploadedFile(const std::string& name, int code) override;
    void uploadedFileWithReport(const SaveReport& report) override;
    void needsReload() override;
    void needsReloadWithResult(const ReloadResult& result) override;
    void setData(NSData data) override;
    std::shared_ptr<FileEntry> binaryDownloadEntry() const override { return entry; }

    // Operations this delegate refuses through respondsTo.
    std::vector<Operation> refused;
    std::shared_ptr<FileEntry> entry { std::make_shared<FileEntry>() };

    std::vector<int> connectCodes;
    std::vector<int> downloadCodes;
    std::vector<int> binaryCodes;
    std::vector<std::pair<std::string, int>> uploads;
    std::vector<SaveReport> reports;
    int reloads { 0 };
    std::vector<ReloadResult> reloadResults;
    std::vector<NSData> data;
    // Every delivery in order, e.g. "setData", "downloadedFile".
    std::vector<std::string> events;
    bool allOnMainThread { true };

private:
    void note(const std::string& event);
};

// Runs the main loop in short slices until `predicate` holds or `seconds` pass.
[[nodiscard]] bool waitFor(const std::function<bool()>& predicate, double seconds = 60);

// Starts `work` on a background thread (as the screens do), runs the main loop until it has
// ended and the manager is idle again; false on time-out.
[[nodiscard]] bool runInBackground(std::function<void()> work, double seconds = 60);

// A connection record for a test server.
[[nodiscard]] std::shared_ptr<QVConnection> connectionFor(const TestServer& server, int type);

// setConnection, delegate, connect in the background; answers the connect code (or -1 when
// nothing arrived).
[[nodiscard]] int connectWith(const std::shared_ptr<QVConnection>& connection,
                              const std::shared_ptr<RecordingDelegate>& delegate);

// The background operations as the screens start them, each waited for until its result
// arrived: true / the transfer code, or -1 when nothing arrived.
[[nodiscard]] bool changeDirWith(RecordingDelegate& delegate, const std::string& dir);
[[nodiscard]] int downloadWith(RecordingDelegate& delegate, const std::string& name, NSData& bytes);
[[nodiscard]] int downloadBinaryWith(RecordingDelegate& delegate, const std::string& name);
[[nodiscard]] int uploadWith(RecordingDelegate& delegate, const UploadRequest& request);
[[nodiscard]] inline int uploadWith(RecordingDelegate& delegate, const std::string& name, const std::u16string& text)
{
    return uploadWith(delegate, UploadRequest { name, text });
}

// Names of the current listing without "." and "..", sorted.
[[nodiscard]] std::vector<std::string> listedNames();
[[nodiscard]] std::shared_ptr<FileEntry> listedEntry(const std::string& name);

// A byte pattern of every value, of the given length.
[[nodiscard]] NSData patternBytes(std::size_t length);

// A TCP relay on 127.0.0.1 to an upstream port that, once `afterBytes` have passed in the
// given direction, either cuts both connections or stops relaying (a stalled server), or that
// relays that direction at a steady `afterBytes` per second (a slow line).
class TcpProxy {
public:
    enum class Fault { none, cut, stall, slow };
    enum class Direction { toClient, toServer };

    TcpProxy(int upstreamPort, Fault fault, Direction direction, std::size_t afterBytes);
    ~TcpProxy();
    TcpProxy(const TcpProxy&) = delete;
    TcpProxy& operator=(const TcpProxy&) = delete;

    [[nodiscard]] int port() const { return port_; }
    // Relays the next connections without a fault.
    void heal() { fault_ = Fault::none; }
    // From now on, on open connections too: nothing more reaches the client.
    void stallNow() { stallNow_ = true; }

private:
    void acceptLoop();
    void relay(int client);

    int upstreamPort_;
    std::atomic<Fault> fault_;
    Direction direction_;
    std::size_t afterBytes_;
    int listener_ { -1 };
    int port_ { 0 };
    std::atomic<bool> stopping_ { false };
    std::atomic<bool> stallNow_ { false };
    std::mutex mutex_;
    std::vector<int> sockets_;
    std::thread acceptThread_;
    std::vector<std::thread> threads_;
};
