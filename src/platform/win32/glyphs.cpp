#include "glyphs.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

namespace nuvo::win32 {
namespace {

struct Point {
    double x;
    double y;
};
struct Stroke {
    Point from;
    Point to;
};

double DistanceToStroke(Point p, Stroke s) {
    const double dx = s.to.x - s.from.x;
    const double dy = s.to.y - s.from.y;
    const double t = std::clamp(((p.x - s.from.x) * dx + (p.y - s.from.y) * dy) /
                                    (dx * dx + dy * dy),
                                0.0, 1.0);
    return std::hypot(p.x - (s.from.x + t * dx), p.y - (s.from.y + t * dy));
}

// Straight-alpha BGRA pixels of thick anti-aliased strokes in one colour.
void DrawStrokes(std::uint32_t* pixels, std::span<const Stroke> strokes, double halfWidth,
                 std::uint32_t rgb) {
    for (int y = 0; y < kGlyphSize; ++y) {
        for (int x = 0; x < kGlyphSize; ++x) {
            const Point centre{x + 0.5, y + 0.5};
            double distance = 1e9;
            for (const Stroke& s : strokes) distance = std::min(distance, DistanceToStroke(centre, s));
            const double coverage = std::clamp(halfWidth + 0.5 - distance, 0.0, 1.0);
            const auto alpha = static_cast<std::uint32_t>(std::lround(coverage * 255.0));
            pixels[y * kGlyphSize + x] = alpha ? (alpha << 24) | rgb : 0;
        }
    }
}

}  // namespace

HICON CreateButtonGlyph(TBitBtnKind kind) {
    static constexpr Stroke kTick[] = {{{3.0, 8.5}, {6.5, 12.0}}, {{6.5, 12.0}, {13.0, 4.0}}};
    static constexpr Stroke kCross[] = {{{4.0, 4.0}, {12.0, 12.0}}, {{12.0, 4.0}, {4.0, 12.0}}};
    std::span<const Stroke> strokes;
    std::uint32_t rgb = 0;
    switch (kind) {
        case TBitBtnKind::bkOK: strokes = kTick; rgb = 0x008000; break;
        case TBitBtnKind::bkCancel: strokes = kCross; rgb = 0xC00000; break;
        case TBitBtnKind::bkCustom: return nullptr;
    }

    BITMAPV5HEADER header{};
    header.bV5Size = sizeof header;
    header.bV5Width = kGlyphSize;
    header.bV5Height = -kGlyphSize;  // top-down
    header.bV5Planes = 1;
    header.bV5BitCount = 32;
    header.bV5Compression = BI_BITFIELDS;
    header.bV5RedMask = 0x00FF0000;
    header.bV5GreenMask = 0x0000FF00;
    header.bV5BlueMask = 0x000000FF;
    header.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    HBITMAP colour = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&header),
                                      DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!colour) return nullptr;
    DrawStrokes(static_cast<std::uint32_t*>(bits), strokes, 1.2, rgb);
    // With an alpha channel in the colour bitmap the mask is not consulted, but an icon
    // needs one.
    HBITMAP mask = CreateBitmap(kGlyphSize, kGlyphSize, 1, 1, nullptr);

    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = colour;
    info.hbmMask = mask;
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(colour);
    DeleteObject(mask);
    return icon;
}

}  // namespace nuvo::win32
