#include <gtest/gtest.h>

#include <filesystem>

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreText/CTFont.h"
#include "Platform/CoreText/CTLine.h"
#include "Platform/CoreText/CTRunDelegate.h"
#include "Platform/Foundation/NSAttributedString.h"
#include "Platform/Foundation/NSDataDetector.h"
#include "Platform/Foundation/NSDateFormatter.h"
#include "Platform/Foundation/NSException.h"
#include "Platform/Foundation/NSNumber.h"
#include "Platform/UIKit/UIColor.h"
#include "tests/support/SnapshotFolder.h"

namespace {

struct Box {
    CGFloat width;
    CGFloat height;
    int* released;
};

CTRunDelegateRef attachmentDelegate(Box* box, bool withDescent)
{
    CTRunDelegateCallbacks callbacks;
    callbacks.version = kCTRunDelegateVersion1;
    callbacks.dealloc = [](void* refCon) {
        auto* b = static_cast<Box*>(refCon);
        ++*b->released;
        delete b;
    };
    callbacks.getAscent = [](void* refCon) { return static_cast<Box*>(refCon)->height; };
    callbacks.getDescent = withDescent ? +[](void*) -> CGFloat { return 7; } : nullptr;
    callbacks.getWidth = [](void* refCon) { return static_cast<Box*>(refCon)->width; };
    return CTRunDelegateCreate(&callbacks, box);
}

NSAttributeDictionary textAttributes()
{
    return { { kCTFontAttributeName, CTFontCreateWithName("Helvetica", 16) } };
}

}

TEST(RunDelegate, SizesItsRunAndReleasesItsObjectWithTheText)
{
    int released = 0;
    {
        NSMutableAttributedString text(u"ab\uFFFCcd", textAttributes());
        text.addAttribute(kCTRunDelegateAttributeName, attachmentDelegate(new Box { 40, 30, &released }, true), NSMakeRange(2, 1));
        const CTLineRef plain = CTLineCreateWithAttributedString(NSAttributedString(u"abcd", textAttributes()));
        const CTLineRef line = CTLineCreateWithAttributedString(text);
        CGFloat ascent = 0, descent = 0;
        const double width = CTLineGetTypographicBounds(line, &ascent, &descent, nullptr);
        EXPECT_NEAR(width, CTLineGetTypographicBounds(plain, nullptr, nullptr, nullptr) + 40, 0.01);
        EXPECT_EQ(ascent, 30);
        CGFloat plainDescent = 0;
        CTLineGetTypographicBounds(plain, nullptr, &plainDescent, nullptr);
        EXPECT_EQ(descent, std::max<CGFloat>(7, plainDescent));
        // The object's run: its own, at the caret offset of its character, 40 wide.
        const auto& runs = CTLineGetGlyphRuns(line);
        ASSERT_EQ(runs.size(), 3u);
        EXPECT_TRUE(CTRunGetRunDelegate(runs[1]));
        EXPECT_EQ(CTRunGetStringRange(runs[1]), CFRangeMake(2, 1));
        EXPECT_NEAR(runs[1]->originX, CTLineGetOffsetForStringIndex(line, 2, nullptr), 0.01);
        CGFloat runAscent = 0;
        EXPECT_NEAR(CTRunGetTypographicBounds(runs[1], CFRangeMake(0, 0), &runAscent, nullptr, nullptr), 40, 0.01);
        EXPECT_EQ(runAscent, 30);
        EXPECT_NEAR(CTLineGetOffsetForStringIndex(line, 3, nullptr) - CTLineGetOffsetForStringIndex(line, 2, nullptr), 40, 0.01);
        EXPECT_EQ(released, 0);
    }
    EXPECT_EQ(released, 1);
    // Callbacks of another version make no delegate.
    CTRunDelegateCallbacks wrong;
    wrong.version = 2;
    EXPECT_FALSE(CTRunDelegateCreate(&wrong, nullptr));
}

TEST(RunDelegate, UnderlinedLinkBesideAnAttachmentIsDrawnInItsColour)
{
    int released = 0;
    const auto blue = UIColor::blueColor();
    NSMutableAttributedString text(u"See www.example.com \uFFFC done", textAttributes());
    text.addAttribute(kCTForegroundColorAttributeName, blue->CGColor(), NSMakeRange(4, 15));
    text.addAttribute(kCTUnderlineStyleAttributeName, NSNumber::numberWithInt(1), NSMakeRange(4, 15));
    text.addAttribute(kCTRunDelegateAttributeName, attachmentDelegate(new Box { 24, 18, &released }, false), NSMakeRange(20, 1));
    const CTLineRef line = CTLineCreateWithAttributedString(text);

    auto context = CGContext::createImageContext(CGSizeMake(320, 50), 1, true, false);
    ASSERT_TRUE(context);
    CGContextSetRGBFillColor(context.get(), 1, 1, 1, 1);
    CGContextFillRect(context.get(), CGRectMake(0, 0, 320, 50));
    const CGFloat baseline = 16;
    CGContextSetTextPosition(context.get(), 10, baseline);
    CTLineDraw(line, context.get());
    // The attachment's own drawing goes where its run lies, as a text view puts it.
    for (const CTRunRef& run : CTLineGetGlyphRuns(line)) {
        if (CTRunGetRunDelegate(run)) {
            CGContextSetRGBFillColor(context.get(), 0.9, 0.2, 0.1, 1);
            CGContextFillRect(context.get(), CGRectMake(10 + run->originX, baseline, run->width, run->ascent));
        }
    }
    const CGImageRef image = context->makeImage();
    ASSERT_TRUE(image->writePNG(snapshotFile("uikit_controls", "underlined-link-and-attachment")));

    // Under the link (y upward: a little below the baseline), a blue line runs from its start to
    // its end; none runs under "See".
    const CGFloat linkStart = 10 + CTLineGetOffsetForStringIndex(line, 4, nullptr);
    const CGFloat linkEnd = 10 + CTLineGetOffsetForStringIndex(line, 19, nullptr);
    auto blueBelow = [&](CGFloat x) {
        for (int row = 50 - int(baseline) + 1; row <= 50 - int(baseline) + 4; ++row) {
            const auto p = image->pixelAt(std::size_t(x), std::size_t(row));
            if (p.blue > 180 && p.red < 100 && p.green < 100) return true;
        }
        return false;
    };
    EXPECT_TRUE(blueBelow(linkStart + 2));
    EXPECT_TRUE(blueBelow((linkStart + linkEnd) / 2));
    EXPECT_TRUE(blueBelow(linkEnd - 2));
    EXPECT_FALSE(blueBelow(12));
    EXPECT_FALSE(blueBelow(linkEnd + 8));
    // The attachment box sits right after the link and its space.
    const CGFloat boxX = 10 + CTLineGetOffsetForStringIndex(line, 20, nullptr);
    const auto box = image->pixelAt(std::size_t(boxX + 12), std::size_t(50 - baseline - 9));
    EXPECT_GT(box.red, 200);
    EXPECT_LT(box.green, 80);
}

// ---- Links --------------------------------------------------------------------------------

TEST(DataDetector, FindsLinksInRealLookingText)
{
    struct Case {
        std::u16string text;
        std::vector<std::pair<std::u16string, std::string>> links; // text as found, URL
    };
    const std::vector<Case> cases = {
        { u"Docs at https://example.com/guide.html.", { { u"https://example.com/guide.html", "https://example.com/guide.html" } } },
        { u"(see http://en.wikipedia.org/wiki/Foo_(bar))", { { u"http://en.wikipedia.org/wiki/Foo_(bar)", "http://en.wikipedia.org/wiki/Foo_(bar)" } } },
        { u"Visit www.lexiphant.org, or not", { { u"www.lexiphant.org", "http://www.lexiphant.org" } } },
        { u"Mirror: ftp://ftp.example.org/pub/file.tar.gz!", { { u"ftp://ftp.example.org/pub/file.tar.gz", "ftp://ftp.example.org/pub/file.tar.gz" } } },
        { u"Write to mailto:dev@example.com?subject=Hi or me@host.example.net.",
          { { u"mailto:dev@example.com?subject=Hi", "mailto:dev@example.com?subject=Hi" }, { u"me@host.example.net", "mailto:me@host.example.net" } } },
        { u"<a href=\"http://a.b/c?d=1&e=2#top\">x</a>", { { u"http://a.b/c?d=1&e=2#top", "http://a.b/c?d=1&e=2#top" } } },
        { u"Caf\u00e9 at http://example.com/men\u00fc ok", { { u"http://example.com/men\u00fc", "http://example.com/men%C3%BC" } } },
        { u"HTTP://EXAMPLE.COM and https://x.org/a b", { { u"HTTP://EXAMPLE.COM", "HTTP://EXAMPLE.COM" }, { u"https://x.org/a", "https://x.org/a" } } },
        { u"no links: http:// alone, xhttp://no, www., a@b, file.txt", {} },
        { u"$var = 'http://q.com/x';", { { u"http://q.com/x", "http://q.com/x" } } },
    };
    const auto detector = NSDataDetector::dataDetectorWithTypes(NSTextCheckingTypeLink);
    ASSERT_TRUE(detector);
    for (const Case& c : cases) {
        const auto found = detector->matchesInString(c.text, 0, NSMakeRange(0, c.text.size()));
        ASSERT_EQ(found.size(), c.links.size()) << utf16ToUtf8(c.text);
        for (std::size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(found[i]->resultType(), NSTextCheckingTypeLink);
            const NSRange r = found[i]->range();
            EXPECT_EQ(c.text.substr(r.location, r.length), c.links[i].first) << utf16ToUtf8(c.text);
            EXPECT_EQ(found[i]->URL()->absoluteString(), c.links[i].second);
        }
    }
}

TEST(DataDetector, ScansOnlyTheRangeAndStopsWhenAsked)
{
    const std::u16string text = u"a http://one.org b http://two.org c";
    const auto detector = NSDataDetector::dataDetectorWithTypes(NSTextCheckingTypeLink);
    const auto second = detector->firstMatchInString(text, 0, NSMakeRange(17, text.size() - 17));
    ASSERT_TRUE(second);
    EXPECT_EQ(second->range(), NSMakeRange(19, 14));
    EXPECT_EQ(detector->numberOfMatchesInString(text, 0, NSMakeRange(0, text.size())), 2u);
    // A range that cuts a link finds only what lies inside.
    EXPECT_EQ(detector->firstMatchInString(text, 0, NSMakeRange(2, 10))->URL()->absoluteString(), "http://one");
    EXPECT_THROW((void)detector->matchesInString(text, 0, NSMakeRange(30, 10)), NamedException);
    NSErrorRef error;
    EXPECT_FALSE(NSDataDetector::dataDetectorWithTypes(1, &error));
    EXPECT_TRUE(error);
}

// ---- Dates --------------------------------------------------------------------------------

TEST(DateFormatter, ShortDateAndTimeInTheLocalesForm)
{
    struct Case {
        std::string locale;
        std::u16string expected;
    };
    // 2011-03-09 14:05 UTC.
    const NSDate date = NSDate::dateWithTimeIntervalSince1970(1299679500);
    const std::vector<Case> cases = {
        { "en_US", u"3/9/11, 2:05\u202fPM" },
        { "de_DE", u"09.03.11, 14:05" },
        { "en_GB", u"09/03/2011, 14:05" },
    };
    for (const Case& c : cases) {
        NSDateFormatter formatter;
        formatter.setDateStyle(NSDateFormatterShortStyle);
        formatter.setTimeStyle(NSDateFormatterShortStyle);
        formatter.setLocale(c.locale);
        formatter.setTimeZone("UTC");
        EXPECT_EQ(utf16ToUtf8(formatter.stringFromDate16(date)), utf16ToUtf8(c.expected)) << c.locale;
    }
    NSDateFormatter none;
    EXPECT_EQ(none.stringFromDate(date), "");
}

TEST(DateFormatter, TheUsersLocaleComesFromTheEnvironment)
{
    struct Case {
        const char* lcAll;
        const char* lcTime;
        const char* lang;
        std::string expected;
    };
    const std::vector<Case> cases = {
        { "de_DE.UTF-8", "fr_FR", "en_US", "de_DE" },
        { "", "fr_FR.UTF-8@euro", "en_US", "fr_FR" },
        { "", "", "C", "en_US" },
        { "", "", "", "en_US" },
    };
    for (const Case& c : cases) {
        setenv("LC_ALL", c.lcAll, 1);
        setenv("LC_TIME", c.lcTime, 1);
        setenv("LANG", c.lang, 1);
        EXPECT_EQ(NSDateFormatter::userLocaleIdentifier(), c.expected);
    }
    unsetenv("LC_ALL");
    unsetenv("LC_TIME");
    unsetenv("LANG");
}
