#pragma once

#include <cstdint>
#include <memory>

#include "Platform/Foundation/NSObject.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSURL.h"

// Kinds of text a checker finds, as the platform numbers them (combine with `|`).
using NSTextCheckingTypes = std::uint64_t;
enum NSTextCheckingType : std::uint64_t {
    NSTextCheckingTypeLink = 1ull << 5,
};

// One finding in a text: its kind, its range (UTF-16 units of the scanned text) and, for a link,
// the URL it stands for.
class NSTextCheckingResult : public NSObject {
public:
    NSTextCheckingResult(NSTextCheckingType type, NSRange range, std::shared_ptr<const NSURL> url)
        : type_(type)
        , range_(range)
        , url_(std::move(url))
    {
    }

    static std::shared_ptr<const NSTextCheckingResult> linkCheckingResultWithRange(NSRange range, std::shared_ptr<const NSURL> url)
    {
        return std::make_shared<const NSTextCheckingResult>(NSTextCheckingTypeLink, range, std::move(url));
    }

    [[nodiscard]] NSTextCheckingType resultType() const { return type_; }
    [[nodiscard]] NSRange range() const { return range_; }
    [[nodiscard]] const std::shared_ptr<const NSURL>& URL() const { return url_; }

private:
    NSTextCheckingType type_;
    NSRange range_;
    std::shared_ptr<const NSURL> url_;
};

using NSTextCheckingResultRef = std::shared_ptr<const NSTextCheckingResult>;
