#include "GestureTestSupport.h"

#include <filesystem>

#include "Classes/SyntaxColouring/SyntaxColouring.h"
#include "Platform/CoreGraphics/CGColor.h"
#include "Platform/CoreText/CTFont.h"
#include "Platform/UIKit/UIRenderer.h"
#include "tests/support/SnapshotFolder.h"

// Each coloured token is drawn in its own colour: inside the token's box the darkest ink is the
// colour the engine wrote for it, and plain text next to it stays black.
TEST_F(GestureTest, TokensAreDrawnInTheirColours)
{
    view_->setBackgroundColor(UIColor::whiteColor());
    auto engine = std::make_shared<SyntaxColouring>(u"");
    engine->setFont(CTFontCreateWithName("Droid Sans Mono", 14));
    engine->setSyntaxDefinition("page.php");
    view_->setSyntaxHighlighter(engine);
    engine->setTextView(view_);
    const std::u16string text = u"<?php\nfunction row($name) {\n    return \"text\"; // note\n}\n?>\n";
    load(text, false);
    const CGImageRef image = UIRenderer::snapshotView(*view_, 2);
    ASSERT_TRUE(image);
    ASSERT_TRUE(UIRenderer::writeViewPNG(*view_, snapshotFile("textview_gestures", "tokens"), 2));
    int coloured = 0;
    for (const std::u16string_view word : { std::u16string_view(u"function"), std::u16string_view(u"$name"),
                                            std::u16string_view(u"\"text\""), std::u16string_view(u"// note") }) {
        const std::size_t at = text.find(word);
        ASSERT_NE(at, std::u16string::npos);
        const auto colour = std::dynamic_pointer_cast<const CGColor>(
            view_->attributedString().attributesAtIndex(at + 1, nullptr).at(kCTForegroundColorAttributeName));
        ASSERT_TRUE(colour);
        const int r = int(colour->red() * 255 + 0.5);
        const int g = int(colour->green() * 255 + 0.5);
        const int b = int(colour->blue() * 255 + 0.5);
        if (r == 0 && g == 0 && b == 0) {
            continue; // a kind this definition leaves black
        }
        ++coloured;
        const CGRect box = view_->firstRectForNSRange(NSMakeRange(at, word.size()));
        // The pixel farthest from white in the box is the glyphs' full colour.
        int best = -1;
        CGImage::Pixel ink {};
        // Between the baseline and the x-height, so the lines above and below stay out.
        const CGFloat baseline = CGRectGetMaxY(box) + view_->font()->descender();
        for (CGFloat y = baseline - 7; y < baseline - 0.5; y += 0.5) {
            for (CGFloat x = box.origin.x; x < CGRectGetMaxX(box); x += 0.5) {
                const auto p = image->pixelAt(static_cast<std::size_t>(x * 2), static_cast<std::size_t>(y * 2));
                const int distance = (255 - p.red) + (255 - p.green) + (255 - p.blue);
                if (distance > best) {
                    best = distance;
                    ink = p;
                }
            }
        }
        EXPECT_NEAR(ink.red, r, 40) << utf16ToUtf8(word);
        EXPECT_NEAR(ink.green, g, 40) << utf16ToUtf8(word);
        EXPECT_NEAR(ink.blue, b, 40) << utf16ToUtf8(word);
    }
    EXPECT_GE(coloured, 3);
}
