#include "tests/network/NetworkTestSupport.h"

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSThread.h"
#include "tests/support/TestServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

// ---- RecordingDelegate -----------------------------------------------------------------------

bool RecordingDelegate::respondsTo(Operation operation) const
{
    return std::find(refused.begin(), refused.end(), operation) == refused.end();
}

void RecordingDelegate::note(const std::string& event)
{
    events.push_back(event);
    if (!isMainThread())
        allOnMainThread = false;
}

void RecordingDelegate::finishedConnectingwithCode(int code)
{
    note("finishedConnectingwithCode");
    connectCodes.push_back(code);
}

void RecordingDelegate::downloadedFile(int code)
{
    note("downloadedFile");
    downloadCodes.push_back(code);
}

void RecordingDelegate::downloadedBinary(int code)
{
    note("downloadedBinary");
    binaryCodes.push_back(code);
}

void RecordingDelegate::uploadedFile(const std::string& name, int code)
{
    note("uploadedFile");
    uploads.emplace_back(name, code);
}

void RecordingDelegate::uploadedFileWithReport(const SaveReport& report)
{
    reports.push_back(report);
    NetworkManagerDelegate::uploadedFileWithReport(report);
}

void RecordingDelegate::needsReload()
{
    note("needsReload");
    ++reloads;
}

void RecordingDelegate::needsReloadWithResult(const ReloadResult& result)
{
    reloadResults.push_back(result);
    needsReload();
}

void RecordingDelegate::setData(NSData bytes)
{
    note("setData");
    data.push_back(std::move(bytes));
}

// ---- Driving the manager ---------------------------------------------------------------------

bool waitFor(const std::function<bool()>& predicate, double seconds)
{
    return RunLoop::main().runUntil(predicate, seconds);
}

bool runInBackground(std::function<void()> work, double seconds)
{
    auto done = std::make_shared<std::atomic<bool>>(false);
    performInBackground([work = std::move(work), done] {
        work();
        done->store(true);
    });
    return waitFor([&] { return done->load(); }, seconds);
}

std::shared_ptr<QVConnection> connectionFor(const TestServer& server, int type)
{
    auto connection = std::make_shared<QVConnection>();
    connection->setName("test");
    connection->setHost(server.host());
    connection->setPort(server.port());
    connection->setUsername(server.user());
    connection->setPassword(server.password());
    connection->setType(type);
    connection->setStartPath(server.startPath());
    return connection;
}

int connectWith(const std::shared_ptr<QVConnection>& connection, const std::shared_ptr<RecordingDelegate>& delegate)
{
    NetworkManager& manager = NetworkManager::sharedManager();
    manager.setConnection(connection);
    manager.setDelegate(delegate);
    const std::size_t before = delegate->connectCodes.size();
    if (!runInBackground([] { NetworkManager::sharedManager().connect(); }))
        return -1;
    return delegate->connectCodes.size() == before + 1 ? delegate->connectCodes.back() : -1;
}

bool changeDirWith(RecordingDelegate& delegate, const std::string& dir)
{
    const int before = delegate.reloads;
    return runInBackground([dir] { (void)NetworkManager::sharedManager().changeWorkDir(dir); })
        && delegate.reloads == before + 1;
}

int downloadWith(RecordingDelegate& delegate, const std::string& name, NSData& bytes)
{
    const std::size_t before = delegate.downloadCodes.size();
    if (!runInBackground([name] { NetworkManager::sharedManager().downloadFile(DownloadRequest { name }); })
        || delegate.downloadCodes.size() != before + 1 || delegate.data.size() != before + 1)
        return -1;
    bytes = delegate.data.back();
    return delegate.downloadCodes.back();
}

int downloadBinaryWith(RecordingDelegate& delegate, const std::string& name)
{
    const std::size_t before = delegate.binaryCodes.size();
    if (!runInBackground([name] { NetworkManager::sharedManager().downloadBinaryFile(DownloadRequest { name }); })
        || delegate.binaryCodes.size() != before + 1)
        return -1;
    return delegate.binaryCodes.back();
}

int uploadWith(RecordingDelegate& delegate, const UploadRequest& request)
{
    const std::size_t before = delegate.uploads.size();
    if (!runInBackground([request] { NetworkManager::sharedManager().uploadASCII(request); })
        || !waitFor([&] { return delegate.uploads.size() == before + 1; }, 10))
        return -1;
    if (delegate.uploads.back().first != request.name)
        return -1;
    return delegate.uploads.back().second;
}

std::vector<std::string> listedNames()
{
    std::vector<std::string> names;
    if (auto listing = NetworkManager::sharedManager().curDirListening()) {
        for (const auto& entry : *listing) {
            if (entry->name() != "." && entry->name() != "..") // SFTP lists them; screens drop them
                names.push_back(entry->name());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::shared_ptr<FileEntry> listedEntry(const std::string& name)
{
    if (auto listing = NetworkManager::sharedManager().curDirListening()) {
        for (const auto& entry : *listing) {
            if (entry->name() == name)
                return entry;
        }
    }
    return nullptr;
}

NSData patternBytes(std::size_t length)
{
    NSData bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 256) & 0xff);
    return bytes;
}

// ---- TcpProxy --------------------------------------------------------------------------------

TcpProxy::TcpProxy(int upstreamPort, Fault fault, Direction direction, std::size_t afterBytes)
    : upstreamPort_(upstreamPort), fault_(fault), direction_(direction), afterBytes_(afterBytes)
{
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::listen(listener_, 8) != 0
        || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("the test proxy cannot listen");
    port_ = ntohs(address.sin_port);
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

TcpProxy::~TcpProxy()
{
    stopping_ = true;
    acceptThread_.join(); // no relay starts after this
    {
        std::lock_guard lock(mutex_);
        for (int socket : sockets_)
            ::shutdown(socket, SHUT_RDWR);
    }
    for (std::thread& thread : threads_)
        thread.join();
    ::close(listener_);
    for (int socket : sockets_)
        ::close(socket);
}

void TcpProxy::acceptLoop()
{
    while (!stopping_) {
        pollfd waiting { listener_, POLLIN, 0 };
        if (::poll(&waiting, 1, 50) <= 0)
            continue;
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        std::lock_guard lock(mutex_);
        sockets_.push_back(client);
        threads_.emplace_back([this, client] { relay(client); });
    }
}

void TcpProxy::relay(int client)
{
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    {
        std::lock_guard lock(mutex_);
        sockets_.push_back(server);
    }
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(upstreamPort_));
    if (::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::shutdown(client, SHUT_RDWR);
        return;
    }
    const Fault fault = fault_.load();
    std::size_t counted = 0;
    char buffer[16384];
    while (!stopping_) {
        pollfd ends[2] = { { client, POLLIN, 0 }, { server, POLLIN, 0 } };
        if (::poll(ends, 2, 50) <= 0)
            continue;
        for (int side = 0; side < 2; ++side) {
            if (ends[side].revents == 0)
                continue;
            const int from = side == 0 ? client : server;
            const int to = side == 0 ? server : client;
            const ssize_t got = ::read(from, buffer, sizeof buffer);
            if (got <= 0) {
                ::shutdown(client, SHUT_RDWR);
                ::shutdown(server, SHUT_RDWR);
                return;
            }
            const bool counts = (side == 1) == (direction_ == Direction::toClient);
            if (side == 1 && stallNow_) {
                while (!stopping_) // the server's answer never arrives
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                return;
            }
            if (counts && (fault == Fault::cut || fault == Fault::stall)) {
                counted += static_cast<std::size_t>(got);
                if (counted > afterBytes_) {
                    if (fault == Fault::cut) {
                        ::shutdown(client, SHUT_RDWR);
                        ::shutdown(server, SHUT_RDWR);
                        return;
                    }
                    while (!stopping_) // stalled: nothing moves any more
                        std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    return;
                }
            }
            // A slow line passes a fiftieth of its rate every 20 ms: always moving, never fast.
            const bool slow = counts && fault == Fault::slow;
            const ssize_t slice = slow ? std::max<ssize_t>(1, static_cast<ssize_t>(afterBytes_ / 50)) : got;
            for (ssize_t sent = 0; sent < got;) {
                if (slow)
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                const ssize_t n = ::send(to, buffer + sent, static_cast<std::size_t>(std::min(slice, got - sent)),
                                         MSG_NOSIGNAL);
                if (n <= 0)
                    return;
                sent += n;
            }
        }
    }
}
