#pragma once

#include <memory>

#include "Platform/Foundation/NSObject.h"
#include "Platform/Foundation/NSURL.h"

enum NSURLRequestCachePolicy : int {
    NSURLRequestUseProtocolCachePolicy = 0,
    NSURLRequestReloadIgnoringLocalCacheData = 1,
    NSURLRequestReturnCacheDataElseLoad = 2,
    NSURLRequestReturnCacheDataDontLoad = 3,
};

// What to load: the address, how a cache may answer, and how long the load may stay silent.
class NSURLRequest : public NSObject {
public:
    // The platform's default time-out, in seconds.
    static constexpr double kDefaultTimeoutInterval = 60;

    NSURLRequest(std::shared_ptr<const NSURL> url, NSURLRequestCachePolicy cachePolicy, double timeoutInterval)
        : url_(std::move(url))
        , cachePolicy_(cachePolicy)
        , timeoutInterval_(timeoutInterval)
    {
    }

    static std::shared_ptr<const NSURLRequest> requestWithURL(std::shared_ptr<const NSURL> url)
    {
        return requestWithURL(std::move(url), NSURLRequestUseProtocolCachePolicy, kDefaultTimeoutInterval);
    }
    static std::shared_ptr<const NSURLRequest> requestWithURL(std::shared_ptr<const NSURL> url, NSURLRequestCachePolicy cachePolicy,
                                                              double timeoutInterval)
    {
        return std::make_shared<const NSURLRequest>(std::move(url), cachePolicy, timeoutInterval);
    }

    // Null when the request was made without a URL.
    [[nodiscard]] const std::shared_ptr<const NSURL>& URL() const { return url_; }
    [[nodiscard]] NSURLRequestCachePolicy cachePolicy() const { return cachePolicy_; }
    [[nodiscard]] double timeoutInterval() const { return timeoutInterval_; }

private:
    std::shared_ptr<const NSURL> url_;
    NSURLRequestCachePolicy cachePolicy_ { NSURLRequestUseProtocolCachePolicy };
    double timeoutInterval_ { kDefaultTimeoutInterval };
};

using NSURLRequestRef = std::shared_ptr<const NSURLRequest>;
