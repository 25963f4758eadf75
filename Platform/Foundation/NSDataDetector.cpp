#include "Platform/Foundation/NSDataDetector.h"

#include <unicode/uchar.h>

#include <string>

#include "Platform/Foundation/NSException.h"

namespace {

struct Scheme {
    std::u16string_view prefix; // lower case
    bool needsHost;             // "://" forms need a host after the prefix
};

constexpr Scheme kSchemes[] = {
    { u"http://", true },
    { u"https://", true },
    { u"ftp://", true },
    { u"mailto:", false },
};

bool isAsciiAlnum(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'); }

// Letters and digits of any script: a link never starts in the middle of a word.
bool isWordCharacter(char16_t c)
{
    if (c < 0x80) {
        return isAsciiAlnum(c) || c == u'_';
    }
    return (c >= 0xD800 && c <= 0xDFFF) || u_isalnum(c);
}

// What may stand in an address as written in text (non-ASCII letters included; they are
// escaped when the URL is made).
bool isAddressCharacter(char16_t c)
{
    if (c <= 0x20 || c == 0x7F || c == u'<' || c == u'>' || c == u'"' || c == u'`') {
        return false;
    }
    if (c >= 0x80 && c < 0xD800 && (u_isspace(c) || u_iscntrl(c))) {
        return false;
    }
    return true;
}

bool isLocalPartCharacter(char16_t c) { return isAsciiAlnum(c) || c == u'.' || c == u'_' || c == u'%' || c == u'+' || c == u'-'; }
bool isDomainCharacter(char16_t c) { return isAsciiAlnum(c) || c == u'-' || c == u'.'; }

bool startsWithFolded(std::u16string_view text, std::size_t at, std::u16string_view lowerPrefix)
{
    if (text.size() - at < lowerPrefix.size()) {
        return false;
    }
    for (std::size_t k = 0; k < lowerPrefix.size(); ++k) {
        char16_t c = text[at + k];
        if (c >= u'A' && c <= u'Z') {
            c = static_cast<char16_t>(c + 32);
        }
        if (c != lowerPrefix[k]) {
            return false;
        }
    }
    return true;
}

// Sentence punctuation and closing brackets that have no opening partner inside the link are
// not part of it: "(see http://a.org/x)." ends at "x".
std::size_t trimTrailing(std::u16string_view text, std::size_t start, std::size_t end)
{
    while (end > start) {
        const char16_t last = text[end - 1];
        if (std::u16string_view(u".,;:!?'").find(last) != std::u16string_view::npos) {
            --end;
            continue;
        }
        char16_t opener = 0;
        if (last == u')') opener = u'(';
        if (last == u']') opener = u'[';
        if (last == u'}') opener = u'{';
        if (opener == 0) {
            break;
        }
        int balance = 0;
        for (std::size_t k = start; k < end; ++k) {
            if (text[k] == opener) ++balance;
            if (text[k] == last) --balance;
        }
        if (balance >= 0) {
            break;
        }
        --end;
    }
    return end;
}

std::size_t scanAddressBody(std::u16string_view text, std::size_t from)
{
    std::size_t end = from;
    while (end < text.size() && isAddressCharacter(text[end])) {
        ++end;
    }
    return end;
}

// local@domain.tld: answers the end of the address, or 0 when there is none at `start`.
std::size_t scanEmail(std::u16string_view text, std::size_t start)
{
    std::size_t at = start;
    while (at < text.size() && isLocalPartCharacter(text[at])) {
        ++at;
    }
    if (at == start || at >= text.size() || text[at] != u'@' || text[start] == u'.' || text[at - 1] == u'.') {
        return 0;
    }
    std::size_t end = at + 1;
    while (end < text.size() && isDomainCharacter(text[end])) {
        ++end;
    }
    while (end > at + 1 && (text[end - 1] == u'.' || text[end - 1] == u'-')) {
        --end;
    }
    // At least two labels, none empty, and a top-level label of two letters or more.
    const std::u16string_view domain = text.substr(at + 1, end - at - 1);
    const std::size_t lastDot = domain.rfind(u'.');
    if (lastDot == std::u16string_view::npos || lastDot + 3 > domain.size() || domain.find(u"..") != std::u16string_view::npos
        || domain.front() == u'.' || domain.front() == u'-') {
        return 0;
    }
    for (std::size_t k = lastDot + 1; k < domain.size(); ++k) {
        if (!((domain[k] >= u'a' && domain[k] <= u'z') || (domain[k] >= u'A' && domain[k] <= u'Z'))) {
            return 0;
        }
    }
    return end;
}

// The address as a URL string: non-ASCII and characters no URL holds become "%XX" escapes;
// existing escapes stay.
std::string escapeForURL(std::string_view utf8, bool escapeBrackets)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    auto isHex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); };
    std::string out;
    bool seenHash = false;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        const char c = utf8[i];
        bool keep = byte > 0x20 && byte < 0x7F && std::string_view("\"<>\\^`{|}").find(c) == std::string_view::npos;
        if (c == '%') {
            keep = i + 2 < utf8.size() && isHex(utf8[i + 1]) && isHex(utf8[i + 2]);
        } else if (c == '#') {
            keep = !seenHash;
            seenHash = true;
        } else if ((c == '[' || c == ']') && escapeBrackets) {
            keep = false;
        }
        if (keep) {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 0xF]);
        }
    }
    return out;
}

std::shared_ptr<const NSURL> makeURL(const std::string& utf8)
{
    if (auto url = NSURL::URLWithString(escapeForURL(utf8, false))) {
        return url;
    }
    return NSURL::URLWithString(escapeForURL(utf8, true));
}

struct Found {
    std::size_t end { 0 };
    std::string url;
};

// The link that starts at `i`, if any (end 0 when none).
Found linkAt(std::u16string_view text, std::size_t i)
{
    for (const Scheme& scheme : kSchemes) {
        if (!startsWithFolded(text, i, scheme.prefix)) {
            continue;
        }
        const std::size_t bodyStart = i + scheme.prefix.size();
        if (scheme.needsHost) {
            if (bodyStart >= text.size() || !(isWordCharacter(text[bodyStart]) || text[bodyStart] == u'[')) {
                return {};
            }
            const std::size_t end = trimTrailing(text, i, scanAddressBody(text, bodyStart));
            return { end, utf16ToUtf8(text.substr(i, end - i)) };
        }
        // mailto: an address, then perhaps "?subject=...".
        const std::size_t addressEnd = scanEmail(text, bodyStart);
        if (addressEnd == 0) {
            return {};
        }
        std::size_t end = addressEnd;
        if (end < text.size() && text[end] == u'?') {
            end = trimTrailing(text, i, scanAddressBody(text, end));
        }
        return { end, utf16ToUtf8(text.substr(i, end - i)) };
    }
    if (startsWithFolded(text, i, u"www.") && i + 4 < text.size() && isWordCharacter(text[i + 4])) {
        const std::size_t end = trimTrailing(text, i, scanAddressBody(text, i + 4));
        // "www.x" alone is no address: a dot must follow the name.
        const std::u16string_view host = text.substr(i + 4, end - i - 4);
        const std::size_t dot = host.find(u'.');
        if (dot != std::u16string_view::npos && dot + 1 < host.size() && host.find_first_of(u"/?#") > dot) {
            return { end, "http://" + utf16ToUtf8(text.substr(i, end - i)) };
        }
        return {};
    }
    if (isLocalPartCharacter(text[i]) && text[i] != u'.') {
        if (const std::size_t end = scanEmail(text, i)) {
            return { end, "mailto:" + utf16ToUtf8(text.substr(i, end - i)) };
        }
    }
    return {};
}

}

std::shared_ptr<NSDataDetector> NSDataDetector::dataDetectorWithTypes(NSTextCheckingTypes types, NSErrorRef* error)
{
    if (types == 0 || (types & ~static_cast<NSTextCheckingTypes>(NSTextCheckingTypeLink)) != 0) {
        if (error != nullptr) {
            *error = NSError::errorWithDomain(NSCocoaErrorDomain, 2048, "The data detector supports only links.");
        }
        return nullptr;
    }
    return std::make_shared<NSDataDetector>(types);
}

void NSDataDetector::enumerateMatchesInString(std::u16string_view text, NSMatchingOptions, NSRange range,
                                              const std::function<void(const NSTextCheckingResultRef&, bool* stop)>& block) const
{
    if (range.location > text.size() || range.length > text.size() - range.location) {
        throw NamedException("NSRangeException", "range " + NSStringFromRange(range) + " out of bounds");
    }
    // Only the range is scanned, as if it were the whole text.
    const std::u16string_view scanned = text.substr(range.location, range.length);
    std::size_t i = 0;
    while (i < scanned.size()) {
        const bool wordStart = i == 0 || !isWordCharacter(scanned[i - 1]);
        // An e-mail address does not start inside one ("a.b@c.de" starts at "a").
        const bool insideAddress = i > 0 && (isLocalPartCharacter(scanned[i - 1]) || scanned[i - 1] == u'@');
        if (wordStart && !insideAddress) {
            Found found = linkAt(scanned, i);
            if (found.end > i) {
                if (auto url = makeURL(found.url)) {
                    bool stop = false;
                    block(NSTextCheckingResult::linkCheckingResultWithRange(NSMakeRange(range.location + i, found.end - i), url), &stop);
                    if (stop) {
                        return;
                    }
                }
                i = found.end;
                continue;
            }
        }
        ++i;
    }
}

std::vector<NSTextCheckingResultRef> NSDataDetector::matchesInString(std::u16string_view text, NSMatchingOptions options, NSRange range) const
{
    std::vector<NSTextCheckingResultRef> results;
    enumerateMatchesInString(text, options, range, [&](const NSTextCheckingResultRef& result, bool*) { results.push_back(result); });
    return results;
}

NSTextCheckingResultRef NSDataDetector::firstMatchInString(std::u16string_view text, NSMatchingOptions options, NSRange range) const
{
    NSTextCheckingResultRef first;
    enumerateMatchesInString(text, options, range, [&](const NSTextCheckingResultRef& result, bool* stop) {
        first = result;
        *stop = true;
    });
    return first;
}

NSUInteger NSDataDetector::numberOfMatchesInString(std::u16string_view text, NSMatchingOptions options, NSRange range) const
{
    return matchesInString(text, options, range).size();
}
