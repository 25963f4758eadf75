#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "Platform/CoreGraphics/CGAffineTransform.h"
#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/UIKit/Forward.h"
#include "Platform/UIKit/UIRenderer.h"

// What a layer looked like in a frame: where it lay on screen and everything that decides how its
// own pixels come out. A layer whose record changes is painted again, where it was and where it is.
struct LayerRecord {
    std::uint64_t parent { 0 };
    std::size_t index { 0 };
    CGRect box {}; // its bounds on screen, cut by clipping superlayers
    CGAffineTransform toScreen {};
    CGRect bounds {};
    double opacity { 1 }; // with the superlayers' opacity
    double cornerRadius { 0 };
    double borderWidth { 0 };
    std::array<double, 4> borderColor {};
    std::array<double, 4> backgroundColor {};
    bool masksToBounds { false };
    bool upward { false };
    const void* contents { nullptr };
    friend bool operator==(const LayerRecord&, const LayerRecord&) = default;
};

// What each layer of the last frame looked like, to find what changed.
struct UIRenderer::Damage {
    std::unordered_map<std::uint64_t, LayerRecord> records;
    std::vector<std::uint64_t> windows;
    bool transitionLastFrame { false };
    bool menuLastFrame { false };

    // Walks the visible windows (back to front) as the painter does and answers, in screen
    // points, what changed since the last frame; sets full when the whole screen must be painted
    // again (other windows, a transition, the edit menu now or then). Keeps this frame's records.
    [[nodiscard]] std::vector<CGRect> update(const std::vector<UIWindowRef>& backToFront, bool menuVisible, bool& full);
    // Drops empty rectangles and those inside another, rounded out to whole device pixels; too
    // many become one.
    [[nodiscard]] static std::vector<CGRect> simplified(std::vector<CGRect> rects, CGRect screen, CGFloat scale);
};
