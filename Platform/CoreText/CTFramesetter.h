#pragma once

#include <memory>
#include <vector>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/CoreGraphics/CGPath.h"
#include "Platform/CoreText/CFRange.h"
#include "Platform/CoreText/CTFrame.h"
#include "Platform/CoreText/CTTypesetter.h"

class NSAttributedString;

// Sets an attributed string into frames. The string is shaped once, when the framesetter is
// made; each frame only breaks lines. The suggested size and a frame of that size hold the
// same lines.
class CTFramesetter {
public:
    explicit CTFramesetter(const NSAttributedString& string);
    explicit CTFramesetter(CTTypesetterRef typesetter);

    const CTTypesetterRef& typesetter() const { return typesetter_; }

    // Lines of the range ((0, 0): the whole text) for the width, as many as fit the height.
    struct LineSet {
        std::vector<CTLineRef> lines;
        std::vector<CGPoint> origins; // relative to the box's bottom-left corner, y upward
        CGSize size {};               // widest line without trailing white space; height used
        CFRange fitRange {};
    };
    LineSet setLines(CFRange range, CGSize box) const;

private:
    // Line ends of the whole range at one width, kept for the next call with the same width:
    // the text view asks for the suggested size and then a frame of the same width.
    const std::vector<CTLineRef>& linesFor(CFRange range, double width) const;

    CTTypesetterRef typesetter_;
    mutable double cachedWidth_ { -1 };
    mutable CFRange cachedRange_ { -1, -1 };
    mutable std::vector<CTLineRef> cachedLines_;
};

using CTFramesetterRef = std::shared_ptr<const CTFramesetter>;

CTFramesetterRef CTFramesetterCreateWithAttributedString(const NSAttributedString& string);
// A framesetter over a typesetter made with options.
CTFramesetterRef CTFramesetterCreateWithTypesetter(CTTypesetterRef typesetter);
CTTypesetterRef CTFramesetterGetTypesetter(const CTFramesetterRef& framesetter);
// A frame of the string range ((0, 0): all of it) inside the path's bounding box. Frame
// attributes are not used and may be null.
CTFrameRef CTFramesetterCreateFrame(const CTFramesetterRef& framesetter, CFRange stringRange, const CGPathRef& path,
                                    const void* frameAttributes = nullptr);
// The size the range needs within the constraints (a width and usually an unbounded height);
// fitRange receives the range that fits.
CGSize CTFramesetterSuggestFrameSizeWithConstraints(const CTFramesetterRef& framesetter, CFRange stringRange,
                                                    const void* frameAttributes, CGSize constraints, CFRange* fitRange);
