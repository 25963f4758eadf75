#pragma once

#include <optional>

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/Foundation/NSObject.h"
#include "Platform/UIKit/UIView.h"

// Something shown inline in a read-only code view's text, stored under the view's attachment
// attribute. It takes its own size when it gives one, else the size of its view's frame.
class CodeTextAttachment : public NSObject {
public:
    [[nodiscard]] virtual std::optional<CGSize> attachmentSize() const { return std::nullopt; }
    [[nodiscard]] virtual UIViewRef attachmentView() const { return nullptr; }
};
