#pragma once

// Reads a UTF-16 text forward from a scan location.
//
// Unlike the platform's scanner, the default is to skip NOTHING between scans (every caller
// in this system sets the skipped characters to none); set `setCharactersToBeSkipped` to skip.
// Looking for a string ignores case by default, as the platform does.
//
// The text is shared, not copied: build many scanners over one
// `std::shared_ptr<const std::u16string>` cheaply.

#include "Platform/Foundation/NSCharacterSet.h"
#include "Platform/Foundation/NSString.h"

#include <memory>
#include <string>
#include <string_view>

class NSScanner {
public:
    explicit NSScanner(std::shared_ptr<const std::u16string> text);
    // Takes its own copy of `text`.
    explicit NSScanner(std::u16string text);
    static std::shared_ptr<NSScanner> scannerWithString(std::u16string text);

    const std::u16string& string() const { return *text_; }

    NSUInteger scanLocation() const { return location_; }
    // Throws NamedException("NSRangeException", ...) for a location past the end of the text.
    void setScanLocation(NSUInteger location);
    // True when only skipped characters (or none) remain.
    bool isAtEnd() const;

    bool caseSensitive() const { return caseSensitive_; }
    void setCaseSensitive(bool caseSensitive) { caseSensitive_ = caseSensitive; }

    // Null (the default) skips nothing.
    const std::shared_ptr<const NSCharacterSet>& charactersToBeSkipped() const { return skipped_; }
    void setCharactersToBeSkipped(std::shared_ptr<const NSCharacterSet> set) { skipped_ = std::move(set); }

    // Each scan first passes skipped characters, then:
    // - scanUpToString: advances to the next occurrence of `stop` or to the end of the text;
    //   true when it passed at least one character (false when `stop` stands right here or the
    //   scanner is at its end). `into`, when given, gets the passed characters.
    // - scanUpToCharactersFromSet: advances to the next unit of `set` or to the end.
    // - scanCharactersFromSet: advances over the units of `set`; true when there was one.
    // - scanString: advances over `string` when it stands here (case as `caseSensitive`).
    // A scan that answers false leaves the location where it was (before any skipping).
    bool scanUpToString(std::u16string_view stop, std::u16string* into = nullptr);
    bool scanUpToCharactersFromSet(const NSCharacterSet& set, std::u16string* into = nullptr);
    bool scanCharactersFromSet(const NSCharacterSet& set, std::u16string* into = nullptr);
    bool scanString(std::u16string_view string, std::u16string* into = nullptr);

private:
    NSUInteger skip() const;

    std::shared_ptr<const std::u16string> text_;
    NSUInteger location_ { 0 };
    bool caseSensitive_ { false };
    std::shared_ptr<const NSCharacterSet> skipped_;
};
