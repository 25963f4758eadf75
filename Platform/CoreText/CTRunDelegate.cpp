#include "Platform/CoreText/CTRunDelegate.h"

#include <cmath>

namespace {

// A callback answering nonsense (negative, NaN) must not break the layout.
CGFloat sane(CGFloat value) { return std::isfinite(value) && value > 0 ? value : 0; }

}

CTRunDelegate::CTRunDelegate(const CTRunDelegateCallbacks& callbacks, void* refCon)
    : callbacks_(callbacks)
    , refCon_(refCon)
{
}

CTRunDelegate::~CTRunDelegate()
{
    if (callbacks_.dealloc != nullptr) {
        callbacks_.dealloc(refCon_);
    }
}

CGFloat CTRunDelegate::ascent() const { return callbacks_.getAscent ? sane(callbacks_.getAscent(refCon_)) : 0; }
CGFloat CTRunDelegate::descent() const { return callbacks_.getDescent ? sane(callbacks_.getDescent(refCon_)) : 0; }
CGFloat CTRunDelegate::width() const { return callbacks_.getWidth ? sane(callbacks_.getWidth(refCon_)) : 0; }

CTRunDelegateRef CTRunDelegateCreate(const CTRunDelegateCallbacks* callbacks, void* refCon)
{
    if (callbacks == nullptr || callbacks->version != kCTRunDelegateVersion1) {
        return nullptr;
    }
    return std::make_shared<const CTRunDelegate>(*callbacks, refCon);
}

void* CTRunDelegateGetRefCon(const CTRunDelegateRef& runDelegate) { return runDelegate ? runDelegate->refCon() : nullptr; }
