// Pixels, rectangles and bitmaps: the drawing vocabulary shared by the program and its platforms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace nuvo {

// 0x00RRGGBB, the byte order of a 32-bit Windows DIB and of Qt's RGB32 images.
using TColor = std::uint32_t;
constexpr TColor clBlack = 0x000000;

struct TPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    int Right() const { return left + width; }
    int Bottom() const { return top + height; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

// Memory for the pixels of a bitmap: rows top-down and contiguous, one 32-bit pixel each.
// A platform may provide its own (a DIB section on Windows) so that its graphics calls
// read and write the very pixels the program draws.
class BitmapMemory {
public:
    virtual ~BitmapMemory() = default;
    virtual std::uint32_t* Pixels() = 0;
};

// Plain heap memory, 64-byte aligned so whole rows move with the widest copies.
std::unique_ptr<BitmapMemory> AllocateHeapBitmapMemory(int width, int height);

// A 32-bit bitmap of fixed size; the stride is the width.
class TBitmap {
public:
    TBitmap(int width, int height, std::unique_ptr<BitmapMemory> memory);

    int Width() const { return width_; }
    int Height() const { return height_; }
    std::uint32_t* Row(int y) { return pixels_ + static_cast<std::ptrdiff_t>(y) * width_; }
    const std::uint32_t* Row(int y) const { return pixels_ + static_cast<std::ptrdiff_t>(y) * width_; }
    std::uint32_t* Pixels() { return pixels_; }
    const std::uint32_t* Pixels() const { return pixels_; }
    std::uint32_t Pixel(int x, int y) const { return Row(y)[x]; }

private:
    int width_;
    int height_;
    std::unique_ptr<BitmapMemory> memory_;
    std::uint32_t* pixels_;
};

// A rectangle copy cut to what lies inside both bitmaps: width x height pixels from
// (sourceX, sourceY) of the source go to (destX, destY) of the destination.
struct ClippedCopy {
    int destX;
    int destY;
    int sourceX;
    int sourceY;
    int width;
    int height;
};

// The part of a copy of width x height pixels from (sourceX, sourceY) to (destX, destY)
// that lies inside both bitmaps, or nothing. Any int positions and sizes are safe.
std::optional<ClippedCopy> ClipCopy(const TBitmap& dest, const TBitmap& source, int destX,
                                    int destY, int width, int height, int sourceX, int sourceY);

}  // namespace nuvo
