#include "ui/graphics.h"

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

}  // namespace nuvo
