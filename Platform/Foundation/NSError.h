#pragma once

#include <memory>
#include <string>

#include "Platform/Foundation/NSObject.h"

// Error domains the platform layer reports in.
inline constexpr char NSURLErrorDomain[] = "NSURLErrorDomain";
inline constexpr char NSCocoaErrorDomain[] = "NSCocoaErrorDomain";
inline constexpr char NSPOSIXErrorDomain[] = "NSPOSIXErrorDomain";

// URL loading codes (NSURLErrorDomain), as the platform numbers them.
enum NSURLErrorCode : long {
    NSURLErrorUnknown = -1,
    NSURLErrorCancelled = -999,
    NSURLErrorBadURL = -1000,
    NSURLErrorTimedOut = -1001,
    NSURLErrorUnsupportedURL = -1002,
    NSURLErrorCannotFindHost = -1003,
    NSURLErrorCannotConnectToHost = -1004,
    NSURLErrorNetworkConnectionLost = -1005,
    NSURLErrorResourceUnavailable = -1008,
    NSURLErrorFileDoesNotExist = -1100,
    NSURLErrorCannotDecodeContentData = -1016,
    NSURLErrorCannotOpenFile = -3000,
};

// A failure: where it comes from (domain and code) and a sentence for people.
class NSError : public NSObject {
public:
    NSError(std::string domain, long code, std::string localizedDescription)
        : domain_(std::move(domain))
        , code_(code)
        , description_(std::move(localizedDescription))
    {
    }

    static std::shared_ptr<const NSError> errorWithDomain(std::string domain, long code, std::string localizedDescription)
    {
        return std::make_shared<const NSError>(std::move(domain), code, std::move(localizedDescription));
    }

    [[nodiscard]] const std::string& domain() const { return domain_; }
    [[nodiscard]] long code() const { return code_; }
    [[nodiscard]] const std::string& localizedDescription() const { return description_; }

    bool isEqual(const NSObject& other) const override
    {
        const auto* e = dynamic_cast<const NSError*>(&other);
        return e != nullptr && e->domain_ == domain_ && e->code_ == code_ && e->description_ == description_;
    }
    std::size_t hash() const override { return std::hash<std::string> {}(domain_) ^ std::hash<long> {}(code_); }

private:
    std::string domain_;
    long code_ { 0 };
    std::string description_;
};

using NSErrorRef = std::shared_ptr<const NSError>;
