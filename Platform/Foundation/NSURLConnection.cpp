#include "Platform/Foundation/NSURLConnection.h"

#include <curl/curl.h>

#include <algorithm>
#include <mutex>

#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSThread.h"

namespace {

struct CurlDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

void initialiseCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_ALL); });
}

long errorCodeFor(CURLcode code)
{
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
        return NSURLErrorUnsupportedURL;
    case CURLE_URL_MALFORMAT:
        return NSURLErrorBadURL;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return NSURLErrorCannotFindHost;
    case CURLE_COULDNT_CONNECT:
        return NSURLErrorCannotConnectToHost;
    case CURLE_OPERATION_TIMEDOUT:
        return NSURLErrorTimedOut;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
        return NSURLErrorNetworkConnectionLost;
    case CURLE_FILE_COULDNT_READ_FILE:
        return NSURLErrorFileDoesNotExist;
    case CURLE_ABORTED_BY_CALLBACK:
        return NSURLErrorCancelled;
    default:
        return NSURLErrorUnknown;
    }
}

}

std::shared_ptr<NSURLConnection> NSURLConnection::connectionWithRequest(const NSURLRequestRef& request,
                                                                        std::weak_ptr<NSURLConnectionDelegate> delegate)
{
    return initWithRequest(request, std::move(delegate), true);
}

std::shared_ptr<NSURLConnection> NSURLConnection::initWithRequest(const NSURLRequestRef& request,
                                                                  std::weak_ptr<NSURLConnectionDelegate> delegate,
                                                                  bool startImmediately)
{
    if (!request || !request->URL()) {
        return nullptr;
    }
    auto connection = std::make_shared<NSURLConnection>(Private {}, request, std::move(delegate));
    if (startImmediately) {
        connection->start();
    }
    return connection;
}

NSURLConnection::NSURLConnection(Private, NSURLRequestRef request, std::weak_ptr<NSURLConnectionDelegate> delegate)
    : request_(std::move(request))
    , delegate_(std::move(delegate))
{
}

NSURLConnection::~NSURLConnection() = default;

void NSURLConnection::start()
{
    if (started_) {
        return;
    }
    started_ = true;
    running_ = true;
    keepAlive_ = shared_from_this();
    initialiseCurlOnce();
    auto self = keepAlive_;
    performInBackground([self] { self->run(); });
}

void NSURLConnection::cancel()
{
    cancelled_ = true;
    running_ = false;
    // The worker still holds its own reference; the last queued delivery lets go of keepAlive_.
}

void NSURLConnection::deliver(std::function<void(NSURLConnectionDelegate&)> call, bool last)
{
    auto self = shared_from_this();
    dispatchAsyncMain([self, call = std::move(call), last] {
        if (!self->cancelled_) {
            if (auto delegate = self->delegate_.lock()) {
                call(*delegate);
            }
        }
        if (last) {
            self->running_ = false;
            self->keepAlive_.reset();
        }
    });
}

void NSURLConnection::sendResponseOnce()
{
    if (responseSent_) {
        return;
    }
    responseSent_ = true;
    auto response = std::make_shared<NSURLResponse>();
    auto* curl = static_cast<CURL*>(curl_);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    response->statusCode = status;
    char* effective = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective != nullptr) {
        response->URL = NSURL::URLWithString(effective);
    }
    if (!response->URL) {
        response->URL = request_->URL();
    }
    char* type = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type != nullptr) {
        std::string mime = type;
        if (const auto semicolon = mime.find(';'); semicolon != std::string::npos) {
            mime.resize(semicolon);
        }
        response->MIMEType = lowercaseString(std::string_view(mime));
    }
    curl_off_t length = -1;
    if (curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK) {
        response->expectedContentLength = length;
    }
    deliver([this, response](NSURLConnectionDelegate& d) { d.connectionDidReceiveResponse(*this, *response); }, false);
}

std::size_t NSURLConnection::receive(const char* bytes, std::size_t size)
{
    if (cancelled_) {
        return 0; // ends the transfer
    }
    sendResponseOnce();
    auto piece = std::make_shared<const NSData>(bytes, size);
    deliver([this, piece](NSURLConnectionDelegate& d) { d.connectionDidReceiveData(*this, *piece); }, false);
    return size;
}

void NSURLConnection::run()
{
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        deliver([this](NSURLConnectionDelegate& d) {
            d.connectionDidFailWithError(*this, NSError(NSURLErrorDomain, NSURLErrorUnknown, "The transfer library could not start."));
        }, true);
        return;
    }
    curl_ = curl.get();
    const std::string url = request_->URL()->absoluteString();
    char message[CURL_ERROR_SIZE] = {};
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, message);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https,ftp,ftps,file");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp,ftps");
    // The time-out is how long the load may stay silent, as the platform counts it.
    const long timeout = std::max(1L, static_cast<long>(request_->timeoutInterval() + 0.5));
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, timeout);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, timeout);
    curl_slist* rawHeaders = nullptr;
    if (request_->cachePolicy() == NSURLRequestReloadIgnoringLocalCacheData) {
        rawHeaders = curl_slist_append(rawHeaders, "Cache-Control: no-cache");
        rawHeaders = curl_slist_append(rawHeaders, "Pragma: no-cache");
    }
    const std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(rawHeaders, &curl_slist_free_all);
    if (headers) {
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
    }
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, +[](char* bytes, std::size_t size, std::size_t count, void* me) -> std::size_t {
        // Called from libcurl's C frames: a piece that cannot be passed on ends the transfer
        // with a write error, never an exception.
        try {
            return static_cast<NSURLConnection*>(me)->receive(bytes, size * count);
        } catch (...) {
            return 0;
        }
    });
    curl_easy_setopt(c, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, +[](void* me, curl_off_t, curl_off_t, curl_off_t, curl_off_t) -> int {
        return static_cast<NSURLConnection*>(me)->cancelled_ ? 1 : 0;
    });
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, this);

    const CURLcode code = curl_easy_perform(c);
    if (code == CURLE_OK) {
        sendResponseOnce();
        curl_ = nullptr;
        deliver([this](NSURLConnectionDelegate& d) { d.connectionDidFinishLoading(*this); }, true);
        return;
    }
    curl_ = nullptr;
    std::string reason = message[0] != '\0' ? std::string(message) : std::string(curl_easy_strerror(code));
    const long errorCode = errorCodeFor(code);
    deliver([this, reason, errorCode](NSURLConnectionDelegate& d) {
        d.connectionDidFailWithError(*this, NSError(NSURLErrorDomain, errorCode, reason));
    }, true);
}
