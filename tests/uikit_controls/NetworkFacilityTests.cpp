#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSThread.h"
#include "Platform/Foundation/NSURLConnection.h"
#include "Platform/SystemConfiguration/SCNetworkReachability.h"
#include "Platform/UIKit/UIApplication.h"
#include "tests/support/ScopedEnv.h"

namespace {

// A tiny HTTP server on 127.0.0.1: each connection gets the next canned answer; a "stall"
// answer sends its head and then waits until the server goes.
class LocalHttpServer {
public:
    struct Answer {
        std::string status;
        std::string body;
        bool stall { false };
    };
    explicit LocalHttpServer(std::vector<Answer> answers) : answers_(std::move(answers))
    {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(fd_, 8);
        socklen_t length = sizeof address;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~LocalHttpServer()
    {
        stopping_ = true;
        shutdown(fd_, SHUT_RDWR);
        close(fd_);
        thread_.join();
    }
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
    std::string requests() const
    {
        std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    void serve()
    {
        for (const Answer& answer : answers_) {
            const int client = accept(fd_, nullptr, nullptr);
            if (client < 0) {
                return;
            }
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = read(client, buffer, sizeof buffer);
                if (n <= 0) break;
                request.append(buffer, std::size_t(n));
            }
            {
                std::lock_guard lock(mutex_);
                requests_ += request;
            }
            std::ostringstream head;
            head << "HTTP/1.1 " << answer.status << "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: "
                 << (answer.stall ? answer.body.size() + 1000 : answer.body.size()) << "\r\nConnection: close\r\n\r\n";
            const std::string out = head.str() + answer.body;
            (void)!write(client, out.data(), out.size());
            while (answer.stall && !stopping_) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            close(client);
        }
    }

    std::vector<Answer> answers_;
    int fd_ { -1 };
    int port_ { 0 };
    std::atomic<bool> stopping_ { false };
    std::thread thread_;
    mutable std::mutex mutex_;
    std::string requests_;
};

class RecordingConnectionDelegate : public NSURLConnectionDelegate {
public:
    void connectionDidReceiveResponse(NSURLConnection&, const NSURLResponse& r) override
    {
        note("response");
        status = r.statusCode;
        mime = r.MIMEType;
        length = r.expectedContentLength;
    }
    void connectionDidReceiveData(NSURLConnection&, const NSData& data) override
    {
        if (events.empty() || events.back() != "data") note("data");
        else offMain = offMain || !isMainThread();
        body += data;
    }
    void connectionDidFinishLoading(NSURLConnection&) override { note("finish"); }
    void connectionDidFailWithError(NSURLConnection&, const NSError& error) override
    {
        note("fail");
        errorCode = error.code();
        reason = error.localizedDescription();
    }
    bool ended() const { return !events.empty() && (events.back() == "finish" || events.back() == "fail"); }

    std::vector<std::string> events;
    bool offMain { false };
    long status { 0 };
    std::string mime;
    long long length { 0 };
    std::string body;
    long errorCode { 0 };
    std::string reason;

private:
    void note(const char* event)
    {
        offMain = offMain || !isMainThread();
        events.push_back(event);
    }
};

class URLConnection : public ::testing::Test {
protected:
    void SetUp() override
    {
        RunLoop::main().resetForTesting();
        RunLoop::main().bindToCurrentThread();
    }
    void TearDown() override { RunLoop::main().resetForTesting(); }

    std::shared_ptr<RecordingConnectionDelegate> delegate_ { std::make_shared<RecordingConnectionDelegate>() };
};

}

TEST_F(URLConnection, DeliversAnswersOnTheMainThreadInOrder)
{
    const std::string big(200000, 'x');
    struct Case {
        LocalHttpServer::Answer answer;
        long status;
    };
    const std::vector<Case> cases = { { { "200 OK", big }, 200 }, { { "404 Not Found", "missing" }, 404 }, { { "200 OK", "" }, 200 } };
    std::vector<LocalHttpServer::Answer> answers;
    for (const Case& c : cases) answers.push_back(c.answer);
    LocalHttpServer server(answers);
    for (const Case& c : cases) {
        delegate_ = std::make_shared<RecordingConnectionDelegate>();
        const auto request = NSURLRequest::requestWithURL(NSURL::URLWithString(server.url("/page")), NSURLRequestReloadIgnoringLocalCacheData, 20);
        // Nobody keeps the connection: it keeps itself while it runs.
        ASSERT_TRUE(NSURLConnection::connectionWithRequest(request, delegate_));
        ASSERT_TRUE(RunLoop::main().runUntil([&] { return delegate_->ended(); }, 20));
        const std::vector<std::string> expected = c.answer.body.empty() ? std::vector<std::string> { "response", "finish" }
                                                                        : std::vector<std::string> { "response", "data", "finish" };
        EXPECT_EQ(delegate_->events, expected);
        EXPECT_FALSE(delegate_->offMain);
        EXPECT_EQ(delegate_->status, c.status);
        EXPECT_EQ(delegate_->mime, "text/plain");
        EXPECT_EQ(delegate_->body, c.answer.body);
        EXPECT_EQ(delegate_->length, (long long)c.answer.body.size());
    }
    EXPECT_NE(server.requests().find("Cache-Control: no-cache"), std::string::npos);
}

TEST_F(URLConnection, FailuresAndCancelEndTheLoad)
{
    // Nothing listens on a port just freed.
    int port = 0;
    {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t l = sizeof a;
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &l);
        port = ntohs(a.sin_port);
        close(fd);
    }
    auto refused = NSURLConnection::connectionWithRequest(
        NSURLRequest::requestWithURL(NSURL::URLWithString("http://127.0.0.1:" + std::to_string(port) + "/")), delegate_);
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return delegate_->ended(); }, 20));
    EXPECT_EQ(delegate_->events, (std::vector<std::string> { "fail" }));
    EXPECT_EQ(delegate_->errorCode, NSURLErrorCannotConnectToHost);
    EXPECT_FALSE(delegate_->reason.empty());

    // Cancelled while the server stalls: nothing more arrives, and the worker lets go.
    LocalHttpServer server({ { "200 OK", "partial", true } });
    delegate_ = std::make_shared<RecordingConnectionDelegate>();
    auto stalled = NSURLConnection::connectionWithRequest(NSURLRequest::requestWithURL(NSURL::URLWithString(server.url("/slow"))), delegate_);
    ASSERT_TRUE(RunLoop::main().runUntil([&] { return delegate_->body == "partial"; }, 20));
    stalled->cancel();
    EXPECT_FALSE(RunLoop::main().runUntil([&] { return delegate_->ended(); }, 0.5));
    EXPECT_EQ(delegate_->events, (std::vector<std::string> { "response", "data" }));
    EXPECT_FALSE(stalled->isRunning());

    // A request without a URL makes no connection.
    EXPECT_FALSE(NSURLConnection::connectionWithRequest(NSURLRequest::requestWithURL(nullptr), delegate_));
}

// ---- Reachability -------------------------------------------------------------------------

namespace {

bool machineHasDefaultRoute()
{
    std::ifstream routes("/proc/net/route");
    std::string line;
    std::getline(routes, line);
    while (std::getline(routes, line)) {
        std::istringstream fields(line);
        std::string iface, destination, gateway, flags, refCnt, use, metric, mask;
        fields >> iface >> destination >> gateway >> flags >> refCnt >> use >> metric >> mask;
        if (iface != "lo" && destination == "00000000" && mask == "00000000") return true;
    }
    return false;
}

SCNetworkReachabilityFlags flagsOf(const SCNetworkReachabilityRef& target)
{
    SCNetworkReachabilityFlags flags = 0xFFFF;
    EXPECT_TRUE(SCNetworkReachabilityGetFlags(target, &flags));
    return flags;
}

}

TEST(Reachability, FlagsFromThisMachinesInterfacesAndRoutes)
{
    // The rating prompt's question: the zero address, 16 bytes, AF_INET.
    sockaddr_in zero {};
    zero.sin_family = AF_INET;
    const SCNetworkReachabilityFlags internet = flagsOf(SCNetworkReachabilityCreateWithAddress(reinterpret_cast<sockaddr*>(&zero)));
    if (machineHasDefaultRoute()) {
        EXPECT_EQ(internet, kSCNetworkReachabilityFlagsReachable);
        EXPECT_EQ(internet & 6u, 2u);
    } else {
        EXPECT_EQ(internet, 0u);
    }
    EXPECT_EQ(flagsOf(SCNetworkReachabilityCreateWithName("example.org")), internet);

    const SCNetworkReachabilityFlags local = kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsIsLocalAddress
        | kSCNetworkReachabilityFlagsIsDirect;
    sockaddr_in loopback {};
    loopback.sin_family = AF_INET;
    loopback.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(flagsOf(SCNetworkReachabilityCreateWithAddress(reinterpret_cast<sockaddr*>(&loopback))), local);
    for (const char* name : { "localhost", "127.0.0.1", "::1" }) {
        EXPECT_EQ(flagsOf(SCNetworkReachabilityCreateWithName(name)), local) << name;
    }
    // What names no target.
    sockaddr_un unix {};
    unix.sun_family = AF_UNIX;
    EXPECT_FALSE(SCNetworkReachabilityCreateWithAddress(reinterpret_cast<sockaddr*>(&unix)));
    EXPECT_FALSE(SCNetworkReachabilityCreateWithName(""));
    EXPECT_FALSE(SCNetworkReachabilityCreateWithName("bad name"));
    SCNetworkReachabilityFlags flags = 7;
    EXPECT_FALSE(SCNetworkReachabilityGetFlags(nullptr, &flags));
    EXPECT_EQ(flags, 0u);
}

// ---- Opening addresses --------------------------------------------------------------------

TEST(OpenURL, StoreReviewPageOpensOnTheReviewHost)
{
    auto& app = UIApplication::sharedApplication();
    app.resetForTesting();
    std::vector<std::string> opened;
    app.setURLOpener([&](const std::string& url) {
        opened.push_back(url);
        return true;
    });
    const std::string review = "itms-apps://store.example/WebObjects/MZStore.woa/wa/viewContentsUserReviews?type=Purple+Software&id=42";
    struct Case {
        std::string host; // configured
        std::string url;
        bool opens;
        std::string expected;
    };
    const std::vector<Case> cases = {
        { "reviews.example.net", review, true,
          "https://reviews.example.net/WebObjects/MZStore.woa/wa/viewContentsUserReviews?type=Purple+Software&id=42" },
        { "", review, true, "https://store.example/WebObjects/MZStore.woa/wa/viewContentsUserReviews?type=Purple+Software&id=42" },
        { "reviews.example.net", "ITMS-APPS://store.example/WebObjects/MZStore.woa/wa/viewContentsUserReviews?id=7", true,
          "https://reviews.example.net/WebObjects/MZStore.woa/wa/viewContentsUserReviews?id=7" },
        { "reviews.example.net", "itms-apps://store.example/app/other", false, "" },
        { "reviews.example.net", "https://maker.example/", true, "https://maker.example/" },
    };
    for (const Case& c : cases) {
        opened.clear();
        app.setStoreReviewHost(c.host);
        const auto url = NSURL::URLWithString(c.url);
        ASSERT_TRUE(url) << c.url;
        EXPECT_EQ(app.openURL(*url), c.opens) << c.url;
        EXPECT_EQ(app.canOpenURL(*url), c.opens) << c.url;
        EXPECT_EQ(opened, c.opens ? std::vector<std::string> { c.expected } : std::vector<std::string> {}) << c.url;
    }
    app.resetForTesting();
}
