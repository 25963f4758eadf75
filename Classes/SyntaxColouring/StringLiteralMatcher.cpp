#include "Classes/SyntaxColouring/StringLiteralMatcher.h"

#include <algorithm>
#include <cstdint>

#include <unicode/utf16.h>

namespace {

// Every character of the quote written so that ICU reads it literally, inside a bracket
// expression as well as outside one (letters and digits stand for themselves).
std::u16string escapedForPattern(std::u16string_view quote)
{
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    std::u16string escaped;
    for (std::size_t i = 0; i < quote.size(); ++i) {
        const char16_t unit = quote[i];
        if ((unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z') || (unit >= u'0' && unit <= u'9')) {
            escaped += unit;
            continue;
        }
        char32_t codePoint = unit;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < quote.size() && quote[i + 1] >= 0xDC00 && quote[i + 1] <= 0xDFFF) {
            codePoint = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (quote[i + 1] - 0xDC00);
            ++i;
        }
        escaped += u"\\x{";
        for (int shift = 20; shift >= 0; shift -= 4) escaped += kHex[(codePoint >> shift) & 0xF];
        escaped += u'}';
    }
    return escaped;
}

// Everything up to the closing quote; the body's quantifiers are possessive, so where the body
// ends does not depend on what follows it.
std::u16string openingAndBody(const std::u16string& quote)
{
    return u"\\W" + quote + u"[^" + quote + u"\\\\]*+(?:\\\\(?:.|$)[^" + quote + u"\\\\]*+)*+";
}

bool isOneCodePoint(std::u16string_view quote)
{
    if (quote.size() == 1) return !(quote[0] >= 0xD800 && quote[0] <= 0xDFFF);
    return quote.size() == 2 && quote[0] >= 0xD800 && quote[0] <= 0xDBFF && quote[1] >= 0xDC00 && quote[1] <= 0xDFFF;
}

} // namespace

std::u16string StringLiteralPattern::literalPatternText(std::u16string_view quote)
{
    const std::u16string escaped = escapedForPattern(quote);
    return openingAndBody(escaped) + escaped;
}

// A plain search tries every later start after a literal that never closes, and each try runs
// to the same far end: quadratic in a text full of escaped quotes. For a quote of one character
// other than the backslash no such try can succeed: inside an unclosed body every quote is an
// escaped one, and a try from its backslash scans exactly the rest of the same body. So the
// compiled pattern takes the unclosed literal whole (the closing quote is optional, and group 1
// tells whether it came) and the search goes on after it, which finds the same literals.
// A longer quote (or the backslash) keeps the plain search: its pieces can start a literal
// inside such a body.
StringLiteralPattern::StringLiteralPattern(std::u16string_view quote)
    : quote_(quote)
    , closingIsOptional_(isOneCodePoint(quote) && quote != u"\\")
{
    const std::u16string escaped = escapedForPattern(quote);
    pattern_ = std::make_unique<RegexPattern>(closingIsOptional_ ? openingAndBody(escaped) + u"(" + escaped + u")?"
                                                                 : literalPatternText(quote));
}

StringLiteralMatcher::StringLiteralMatcher(StringLiteralPattern& pattern, std::u16string_view text)
    : closingIsOptional_(pattern.closingIsOptional())
    , quote_(pattern.quote())
    , matcher_(pattern.pattern(), text)
    , text_(pattern.pattern().textToSearch())
{
}

void StringLiteralMatcher::reset()
{
    matcher_.reset();
    found_ = NSRangeNotFound;
    if (complete_) {
        replayed_ = 0;
        return;
    }
    from_ = 0;
    nextQuote_ = 0;
    literals_.clear();
}

bool StringLiteralMatcher::findNext()
{
    if (replayed_) {
        if (*replayed_ >= literals_.size()) return false;
        found_ = literals_[(*replayed_)++];
        return true;
    }
    if (closingIsOptional_ ? !searchLiteral() : !matcher_.findNext()) {
        complete_ = true;
        return false;
    }
    if (!closingIsOptional_) found_ = matcher_.rangeOfMatch();
    literals_.push_back(found_);
    return true;
}

// A literal can only start on the character just before a quote, so only those places are
// tried, each anchored there: a plain search would try the pattern at every character.
bool StringLiteralMatcher::searchLiteral()
{
    for (;;) {
        const std::size_t quote = text_.find(quote_, std::max(nextQuote_, from_ + 1));
        if (quote == std::u16string_view::npos) {
            nextQuote_ = text_.size();
            return false;
        }
        nextQuote_ = quote + 1;
        // The character before the quote, a whole surrogate pair when it is one.
        NSUInteger start = quote - 1;
        if (U16_IS_TRAIL(text_[start]) && start > from_ && U16_IS_LEAD(text_[start - 1])) --start;
        if (!matcher_.lookingAt(start)) continue;
        const NSRange match = matcher_.rangeOfMatch();
        from_ = match.max();
        // Unclosed: no literal starts inside it (see the pattern), so the search goes on after it.
        if (matcher_.rangeOfMatchGroup(1).location == NSNotFound) continue;
        found_ = match;
        return true;
    }
}
