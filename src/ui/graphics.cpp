#include "ui/graphics.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace nuvo {
namespace {

class HeapBitmapMemory final : public BitmapMemory {
public:
    explicit HeapBitmapMemory(std::size_t pixelCount)
        : pixels_(static_cast<std::uint32_t*>(
              ::operator new[](pixelCount * sizeof(std::uint32_t), std::align_val_t{64}))) {
        // A new bitmap is black, as a fresh screen-compatible bitmap is.
        std::memset(pixels_, 0, pixelCount * sizeof(std::uint32_t));
    }
    ~HeapBitmapMemory() override { ::operator delete[](pixels_, std::align_val_t{64}); }
    HeapBitmapMemory(const HeapBitmapMemory&) = delete;
    HeapBitmapMemory& operator=(const HeapBitmapMemory&) = delete;
    std::uint32_t* Pixels() override { return pixels_; }

private:
    std::uint32_t* pixels_;
};

}  // namespace

std::unique_ptr<BitmapMemory> AllocateHeapBitmapMemory(int width, int height) {
    const std::size_t count = static_cast<std::size_t>(width > 0 ? width : 0) *
                              static_cast<std::size_t>(height > 0 ? height : 0);
    return std::make_unique<HeapBitmapMemory>(count > 0 ? count : 1);
}

TBitmap::TBitmap(int width, int height, std::unique_ptr<BitmapMemory> memory)
    : width_(width > 0 ? width : 0),
      height_(height > 0 ? height : 0),
      memory_(std::move(memory)),
      pixels_(memory_->Pixels()) {}

std::optional<ClippedCopy> ClipCopy(const TBitmap& dest, const TBitmap& source, int destX,
                                    int destY, int width, int height, int sourceX, int sourceY) {
    // 64-bit so that no position from hand-edited settings can overflow.
    long long dx = destX, dy = destY, sx = sourceX, sy = sourceY, w = width, h = height;
    const auto clipStart = [](long long& a, long long& b, long long& extent) {
        const long long shift = std::max({0LL, -a, -b});
        a += shift;
        b += shift;
        extent -= shift;
    };
    clipStart(dx, sx, w);
    clipStart(dy, sy, h);
    w = std::min({w, static_cast<long long>(dest.Width()) - dx,
                  static_cast<long long>(source.Width()) - sx});
    h = std::min({h, static_cast<long long>(dest.Height()) - dy,
                  static_cast<long long>(source.Height()) - sy});
    if (w <= 0 || h <= 0) return std::nullopt;
    // Everything now lies inside the bitmaps, so it fits in int again.
    return ClippedCopy{static_cast<int>(dx), static_cast<int>(dy), static_cast<int>(sx),
                       static_cast<int>(sy), static_cast<int>(w),   static_cast<int>(h)};
}

}  // namespace nuvo
