#pragma once

#include <memory>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/CoreText/CFRange.h"
#include "Platform/Foundation/NSObject.h"

// Callbacks that size a run of text from outside (an inline attachment): the run takes its
// width, ascent and descent from them and draws no glyphs. Any callback may be null (0 then);
// dealloc runs once, when the delegate goes, and releases whatever refCon holds.
using CTRunDelegateDeallocateCallback = void (*)(void* refCon);
using CTRunDelegateGetAscentCallback = CGFloat (*)(void* refCon);
using CTRunDelegateGetDescentCallback = CGFloat (*)(void* refCon);
using CTRunDelegateGetWidthCallback = CGFloat (*)(void* refCon);

enum : CFIndex {
    kCTRunDelegateVersion1 = 1,
    kCTRunDelegateCurrentVersion = kCTRunDelegateVersion1,
};

struct CTRunDelegateCallbacks {
    CFIndex version { kCTRunDelegateVersion1 };
    CTRunDelegateDeallocateCallback dealloc { nullptr };
    CTRunDelegateGetAscentCallback getAscent { nullptr };
    CTRunDelegateGetDescentCallback getDescent { nullptr };
    CTRunDelegateGetWidthCallback getWidth { nullptr };
};

// Attribute value under kCTRunDelegateAttributeName. Compared by identity: two attachments side
// by side stay two runs.
class CTRunDelegate : public NSObject {
public:
    CTRunDelegate(const CTRunDelegateCallbacks& callbacks, void* refCon);
    ~CTRunDelegate() override;
    CTRunDelegate(const CTRunDelegate&) = delete;
    CTRunDelegate& operator=(const CTRunDelegate&) = delete;

    [[nodiscard]] CGFloat ascent() const;
    [[nodiscard]] CGFloat descent() const;
    [[nodiscard]] CGFloat width() const;
    [[nodiscard]] void* refCon() const { return refCon_; }

private:
    CTRunDelegateCallbacks callbacks_;
    void* refCon_;
};

using CTRunDelegateRef = std::shared_ptr<const CTRunDelegate>;

// Null for callbacks of another version (or none).
CTRunDelegateRef CTRunDelegateCreate(const CTRunDelegateCallbacks* callbacks, void* refCon);
void* CTRunDelegateGetRefCon(const CTRunDelegateRef& runDelegate);
