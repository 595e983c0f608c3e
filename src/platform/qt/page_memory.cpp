#include "platform/qt/page_memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace nuvo::qt {
namespace {

constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

class PageBitmapMemory final : public BitmapMemory {
public:
    PageBitmapMemory(void* mapping, std::size_t bytes) : mapping_(mapping), bytes_(bytes) {}
    ~PageBitmapMemory() override { ::munmap(mapping_, bytes_); }
    PageBitmapMemory(const PageBitmapMemory&) = delete;
    PageBitmapMemory& operator=(const PageBitmapMemory&) = delete;
    std::uint32_t* Pixels() override { return static_cast<std::uint32_t*>(mapping_); }

private:
    void* mapping_;
    std::size_t bytes_;
};

std::size_t RoundUp(std::size_t value, std::size_t step) { return (value + step - 1) / step * step; }

}  // namespace

std::unique_ptr<BitmapMemory> AllocatePageBitmapMemory(int width, int height) {
    const std::size_t pixelBytes = width > 0 && height > 0 ? static_cast<std::size_t>(width) *
                                                                 static_cast<std::size_t>(height) * sizeof(std::uint32_t)
                                                           : 0;
    // Small images gain nothing from a mapping of their own.
    if (pixelBytes < kHugePageBytes) return AllocateHeapBitmapMemory(width, height);
    const std::size_t bytes = RoundUp(pixelBytes, kHugePageBytes);
    // Map one huge page more and trim, so that the image starts on a huge-page boundary.
    void* wide = ::mmap(nullptr, bytes + kHugePageBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (wide == MAP_FAILED) return AllocateHeapBitmapMemory(width, height);
    auto* start = static_cast<char*>(wide);
    auto* aligned = reinterpret_cast<char*>(RoundUp(reinterpret_cast<std::uintptr_t>(start), kHugePageBytes));
    if (aligned > start) ::munmap(start, static_cast<std::size_t>(aligned - start));
    if (const std::size_t tail = kHugePageBytes - static_cast<std::size_t>(aligned - start); tail > 0) {
        ::munmap(aligned + bytes, tail);
    }
    // Only advice: without huge pages the image works the same in small ones.
    ::madvise(aligned, bytes, MADV_HUGEPAGE);
    return std::make_unique<PageBitmapMemory>(aligned, bytes);
}

}  // namespace nuvo::qt
