#include "Platform/UIKit/UIKeyboardLayout.h"

#include <cairo.h>

#include <algorithm>

#include "Platform/CoreGraphics/CGColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIRenderer.h"

namespace {

constexpr CGFloat kKeyGap = 6;
constexpr CGFloat kKeyCornerRadius = 5;
constexpr int kRows = 4;

// One key of a row: its cap, kind and width in letter-key units. An empty cap of kind Letter is
// a gap that takes room without a key.
struct Slot {
    std::u16string cap;
    UIKeyboardLayout::KeyKind kind;
    CGFloat units;
};

using Kind = UIKeyboardLayout::KeyKind;
using Row = std::vector<Slot>;

std::vector<Slot> letters(const char16_t* row)
{
    std::vector<Slot> slots;
    for (const char16_t* c = row; *c != 0; ++c) {
        slots.push_back({ std::u16string(1, *c), Kind::Letter, 1 });
    }
    return slots;
}

Row join(std::initializer_list<Row> parts)
{
    Row row;
    for (const Row& part : parts) {
        row.insert(row.end(), part.begin(), part.end());
    }
    return row;
}

// The phone: ten letter units a row; shift and delete flank the last letter row.
std::vector<Row> phoneRows()
{
    return {
        letters(u"QWERTYUIOP"),
        letters(u"ASDFGHJKL"),
        join({ { { u"\u21e7", Kind::Shift, 1.4 }, { u"", Kind::Letter, 0.1 } }, letters(u"ZXCVBNM"),
               { { u"", Kind::Letter, 0.1 }, { u"\u232b", Kind::Delete, 1.4 } } }),
        { { u".?123", Kind::Numbers, 2.5 }, { u"space", Kind::Space, 5 }, { u"return", Kind::Return, 2.5 } },
    };
}

// The pad: delete ends the top row, return the second, shift both ends of the third, and the
// bottom row carries the numbers key on both sides of space and the key that hides the board.
std::vector<Row> padRows()
{
    return {
        join({ letters(u"QWERTYUIOP"), { { u"\u232b", Kind::Delete, 1.6 } } }),
        join({ { { u"", Kind::Letter, 0.4 } }, letters(u"ASDFGHJKL"), { { u"return", Kind::Return, 2.2 } } }),
        join({ { { u"\u21e7", Kind::Shift, 1.1 } }, letters(u"ZXCVBNM,."), { { u"\u21e7", Kind::Shift, 1.5 } } }),
        { { u".?123", Kind::Numbers, 1.6 }, { u"space", Kind::Space, 7 }, { u".?123", Kind::Numbers, 1.6 },
          { u"\u2328", Kind::Dismiss, 1.4 } },
    };
}

CGFloat unitsOf(const Row& row)
{
    CGFloat units = 0;
    for (const Slot& slot : row) {
        units += slot.units;
    }
    return units;
}

} // namespace

std::vector<UIKeyboardLayout::Key> UIKeyboardLayout::keys(CGSize board, bool pad)
{
    const std::vector<Row> rows = pad ? padRows() : phoneRows();
    CGFloat widest = 0;
    for (const Row& row : rows) {
        widest = std::max(widest, unitsOf(row));
    }
    const CGFloat unit = (board.width - kKeyGap) / widest;
    const CGFloat rowHeight = (board.height - kKeyGap) / kRows;
    std::vector<Key> keys;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        // A row narrower than the widest is centred, as the letter rows are on the platform.
        CGFloat x = kKeyGap + (widest - unitsOf(rows[r])) * unit / 2;
        const CGFloat y = kKeyGap + CGFloat(r) * rowHeight;
        for (const Slot& slot : rows[r]) {
            const CGFloat width = slot.units * unit;
            if (!slot.cap.empty()) {
                keys.push_back({ slot.cap, slot.kind, CGRectMake(x, y, width - kKeyGap, rowHeight - kKeyGap) });
            }
            x += width;
        }
    }
    return keys;
}

void UIKeyboardLayout::draw(CGContextRef context, CGRect board, bool pad)
{
    cairo_t* cr = context->cairo();
    cairo_save(cr);
    cairo_rectangle(cr, board.origin.x, board.origin.y, board.size.width, board.size.height);
    cairo_set_source_rgb(cr, 0.80, 0.82, 0.86);
    cairo_fill(cr);
    const auto all = keys(board.size, pad);
    // Letter keys are white, the keys that do something else a darker grey, as on the platform.
    for (const bool letter : { true, false }) {
        for (const Key& key : all) {
            if ((key.kind == KeyKind::Letter || key.kind == KeyKind::Space) == letter) {
                UIRenderer::addRoundedRect(cr, CGRectOffset(key.frame, board.origin.x, board.origin.y), kKeyCornerRadius);
            }
        }
        if (letter) {
            cairo_set_source_rgb(cr, 0.98, 0.98, 0.99);
        } else {
            cairo_set_source_rgb(cr, 0.67, 0.70, 0.75);
        }
        cairo_fill(cr);
    }
    cairo_restore(cr);

    const CGFloat keyHeight = all.empty() ? 0 : all.front().frame.size.height;
    static const CGColorRef ink = CGColorCreateRGBA(0.1, 0.1, 0.12, 1);
    const UIFontRef letterFont = UIFont::systemFontOfSize(std::clamp<CGFloat>(keyHeight * 0.5, 10, 24));
    const UIFontRef wordFont = UIFont::systemFontOfSize(std::clamp<CGFloat>(keyHeight * 0.34, 9, 17));
    for (const Key& key : all) {
        const bool word = key.cap.size() > 1;
        UIRenderer::drawTextLine(context, key.cap, word ? wordFont : letterFont, ink,
                                 CGRectOffset(key.frame, board.origin.x, board.origin.y), true);
    }
}
