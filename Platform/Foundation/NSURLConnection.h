#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "Platform/Foundation/NSData.h"
#include "Platform/Foundation/NSError.h"
#include "Platform/Foundation/NSURLRequest.h"

// What the server answered before the body: the final address (after redirects), the HTTP
// status (0 for other protocols), the content type and the announced length (-1 unknown).
class NSURLResponse : public NSObject {
public:
    std::shared_ptr<const NSURL> URL;
    long statusCode { 0 };
    std::string MIMEType;
    long long expectedContentLength { -1 };
};

class NSURLConnection;

// Hears one connection's progress, always on the main thread, in this order: one response,
// any number of data pieces, then either the finish or the failure. After cancel nothing more.
class NSURLConnectionDelegate {
public:
    virtual ~NSURLConnectionDelegate() = default;
    virtual void connectionDidReceiveResponse(NSURLConnection& connection, const NSURLResponse& response) { }
    virtual void connectionDidReceiveData(NSURLConnection& connection, const NSData& data) { }
    virtual void connectionDidFinishLoading(NSURLConnection& connection) { }
    virtual void connectionDidFailWithError(NSURLConnection& connection, const NSError& error) { }
};

// One asynchronous load of a request (http, https, ftp, file) through libcurl on a background
// thread. A running connection keeps itself alive until it ends, so a caller may drop its
// reference; the delegate is not owned (a delegate that is gone hears nothing). An HTTP error
// status is an answer, not a failure: it arrives as the response, and the load finishes.
class NSURLConnection : public std::enable_shared_from_this<NSURLConnection> {
public:
    // Made and started at once; null when the request has no URL.
    static std::shared_ptr<NSURLConnection> connectionWithRequest(const NSURLRequestRef& request,
                                                                  std::weak_ptr<NSURLConnectionDelegate> delegate);
    // Made, and started when asked; null when the request has no URL.
    static std::shared_ptr<NSURLConnection> initWithRequest(const NSURLRequestRef& request,
                                                            std::weak_ptr<NSURLConnectionDelegate> delegate,
                                                            bool startImmediately);
    ~NSURLConnection();
    NSURLConnection(const NSURLConnection&) = delete;
    NSURLConnection& operator=(const NSURLConnection&) = delete;

    // Starts the load (once; later calls do nothing).
    void start();
    // Stops the load; the delegate hears nothing more. Main thread.
    void cancel();

    [[nodiscard]] const NSURLRequestRef& originalRequest() const { return request_; }
    [[nodiscard]] bool isRunning() const { return running_; }

private:
    struct Private {};

public:
    NSURLConnection(Private, NSURLRequestRef request, std::weak_ptr<NSURLConnectionDelegate> delegate);

private:
    void run();
    void deliver(std::function<void(NSURLConnectionDelegate&)> call, bool last);
    // libcurl callbacks, through thin C trampolines.
    std::size_t receive(const char* bytes, std::size_t size);
    void sendResponseOnce();

    NSURLRequestRef request_;
    std::weak_ptr<NSURLConnectionDelegate> delegate_;
    std::shared_ptr<NSURLConnection> keepAlive_; // set while the load runs
    std::atomic<bool> cancelled_ { false };
    bool started_ { false };
    bool running_ { false };
    bool responseSent_ { false }; // worker thread only
    void* curl_ { nullptr };       // worker thread only, during run()
};
