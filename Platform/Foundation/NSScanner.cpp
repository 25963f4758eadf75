#include "Platform/Foundation/NSScanner.h"

#include "Platform/Foundation/NSException.h"

NSScanner::NSScanner(std::shared_ptr<const std::u16string> text)
    : text_(text ? std::move(text) : std::make_shared<const std::u16string>())
{
}

NSScanner::NSScanner(std::u16string text)
    : text_(std::make_shared<const std::u16string>(std::move(text)))
{
}

std::shared_ptr<NSScanner> NSScanner::scannerWithString(std::u16string text)
{
    return std::make_shared<NSScanner>(std::move(text));
}

void NSScanner::setScanLocation(NSUInteger location)
{
    if (location > text_->size())
        throw NamedException("NSRangeException",
            "scan location " + std::to_string(location) + " beyond end of string (" + std::to_string(text_->size()) + ")");
    location_ = location;
}

NSUInteger NSScanner::skip() const
{
    NSUInteger position = location_;
    if (skipped_) {
        while (position < text_->size() && skipped_->characterIsMember((*text_)[position]))
            ++position;
    }
    return position;
}

bool NSScanner::isAtEnd() const { return skip() >= text_->size(); }

bool NSScanner::scanUpToString(std::u16string_view stop, std::u16string* into)
{
    const std::u16string& text = *text_;
    const NSUInteger from = skip();
    if (from >= text.size())
        return false;
    const NSStringCompareOptions options = caseSensitive_ ? NSLiteralSearch : NSCaseInsensitiveSearch;
    const NSRange found = rangeOfString(text, stop, options, NSMakeRange(from, text.size() - from));
    const NSUInteger to = found.location == NSNotFound ? text.size() : found.location;
    if (to == from)
        return false;
    if (into)
        into->assign(text, from, to - from);
    location_ = to;
    return true;
}

bool NSScanner::scanUpToCharactersFromSet(const NSCharacterSet& set, std::u16string* into)
{
    const std::u16string& text = *text_;
    const NSUInteger from = skip();
    NSUInteger to = from;
    while (to < text.size() && !set.characterIsMember(text[to]))
        ++to;
    if (to == from)
        return false;
    if (into)
        into->assign(text, from, to - from);
    location_ = to;
    return true;
}

bool NSScanner::scanCharactersFromSet(const NSCharacterSet& set, std::u16string* into)
{
    const std::u16string& text = *text_;
    const NSUInteger from = skip();
    NSUInteger to = from;
    while (to < text.size() && set.characterIsMember(text[to]))
        ++to;
    if (to == from)
        return false;
    if (into)
        into->assign(text, from, to - from);
    location_ = to;
    return true;
}

bool NSScanner::scanString(std::u16string_view string, std::u16string* into)
{
    const std::u16string& text = *text_;
    const NSUInteger from = skip();
    if (from >= text.size() || string.empty())
        return false;
    const NSStringCompareOptions options = (caseSensitive_ ? NSLiteralSearch : NSCaseInsensitiveSearch) | NSAnchoredSearch;
    const NSRange found = rangeOfString(text, string, options, NSMakeRange(from, text.size() - from));
    if (found.location == NSNotFound)
        return false;
    if (into)
        into->assign(text, found.location, found.length);
    location_ = found.max();
    return true;
}
