#include "platform/qt/area_average.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace nuvo::qt {
namespace {

// The source pixels one destination pixel covers along an axis, with their weights. Along
// an axis of `sourceLength` pixels shown on `destLength`, measured in units of
// 1/destLength source pixel: destination pixel i covers [i * sourceLength, (i + 1) *
// sourceLength), source pixel j covers [j * destLength, (j + 1) * destLength); the weight
// is their overlap, and the weights of one destination pixel add up to sourceLength.
struct Span {
    int first = 0;
    std::vector<std::uint32_t> weights;
};

std::vector<Span> AxisSpans(int sourceLength, int destLength) {
    std::vector<Span> spans(static_cast<std::size_t>(destLength));
    const std::int64_t s = sourceLength, d = destLength;
    for (std::int64_t i = 0; i < d; ++i) {
        const std::int64_t begin = i * s, end = (i + 1) * s;
        Span& span = spans[static_cast<std::size_t>(i)];
        span.first = static_cast<int>(begin / d);
        for (std::int64_t j = begin / d; j * d < end; ++j) {
            const std::int64_t overlap = std::min((j + 1) * d, end) - std::max(j * d, begin);
            span.weights.push_back(static_cast<std::uint32_t>(overlap));
        }
    }
    return spans;
}

constexpr int kChannels = 3;

std::uint32_t Channel(std::uint32_t pixel, int channel) { return (pixel >> (8 * channel)) & 0xFF; }

}  // namespace

void ScaleByAreaAverage(const TBitmap& source, TBitmap& dest) {
    const int sourceWidth = source.Width(), sourceHeight = source.Height();
    const int destWidth = dest.Width(), destHeight = dest.Height();
    if (destWidth <= 0 || destHeight <= 0) return;
    if (sourceWidth <= 0 || sourceHeight <= 0) {
        for (int y = 0; y < destHeight; ++y) std::fill_n(dest.Row(y), destWidth, clBlack);
        return;
    }
    if (sourceWidth == destWidth && sourceHeight == destHeight) {
        std::memcpy(dest.Pixels(), source.Pixels(),
                    static_cast<std::size_t>(destWidth) * static_cast<std::size_t>(destHeight) * 4);
        return;
    }

    // Across first: every source row becomes destWidth weighted channel sums (at most
    // 255 * sourceWidth each), then down: the weighted sums of those rows, exact in 64 bits.
    const std::vector<Span> across = AxisSpans(sourceWidth, destWidth);
    const std::vector<Span> down = AxisSpans(sourceHeight, destHeight);
    const std::size_t rowSums = static_cast<std::size_t>(destWidth) * kChannels;
    std::vector<std::uint32_t> sums(static_cast<std::size_t>(sourceHeight) * rowSums);
    for (int y = 0; y < sourceHeight; ++y) {
        const std::uint32_t* row = source.Row(y);
        std::uint32_t* out = &sums[static_cast<std::size_t>(y) * rowSums];
        for (const Span& span : across) {
            std::uint32_t total[kChannels] = {};
            for (std::size_t k = 0; k < span.weights.size(); ++k) {
                const std::uint32_t pixel = row[span.first + static_cast<int>(k)];
                for (int c = 0; c < kChannels; ++c) total[c] += span.weights[k] * Channel(pixel, c);
            }
            for (int c = 0; c < kChannels; ++c) *out++ = total[c];
        }
    }

    const std::uint64_t area = static_cast<std::uint64_t>(sourceWidth) * static_cast<std::uint64_t>(sourceHeight);
    std::vector<std::uint64_t> column(rowSums);
    for (int y = 0; y < destHeight; ++y) {
        const Span& span = down[static_cast<std::size_t>(y)];
        std::fill(column.begin(), column.end(), 0);
        for (std::size_t k = 0; k < span.weights.size(); ++k) {
            const std::uint32_t* in = &sums[static_cast<std::size_t>(span.first + static_cast<int>(k)) * rowSums];
            for (std::size_t i = 0; i < rowSums; ++i) column[i] += std::uint64_t{span.weights[k]} * in[i];
        }
        std::uint32_t* row = dest.Row(y);
        for (int x = 0; x < destWidth; ++x) {
            std::uint32_t pixel = 0;
            for (int c = 0; c < kChannels; ++c) {
                const std::uint64_t mean = (column[static_cast<std::size_t>(x) * kChannels + c] + area / 2) / area;
                pixel |= static_cast<std::uint32_t>(mean) << (8 * c);
            }
            row[x] = pixel;
        }
    }
}

}  // namespace nuvo::qt
