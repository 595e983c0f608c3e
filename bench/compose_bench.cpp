// Compose benchmarks: our compose, the plain order it replaces, one memcpy of a whole
// frame and the QPainter peer, all in one run; prints the table rows of bench/run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <string>

#include "frame_cases.h"
#include "saver/compose.h"
#include "ui/forms.h"

namespace nuvo::bench {

std::vector<FrameCase> AllFrameCases() {
    std::vector<FrameCase> cases;
    for (const ScreenSize& screen : kScreenSizes) {
        for (int level : {0, 1, 2}) {
            for (bool vertical : {false, true}) {
                TWaveSettings settings;
                settings.detailLevel = level;
                settings.vertical = vertical;
                cases.push_back({screen, settings});
            }
        }
    }
    return cases;
}

std::vector<StripLayout> LayoutsOverOnePeriod(const FrameCase& frameCase) {
    std::vector<StripLayout> layouts;
    for (int frame = 0; frame < kFramesPerIteration; ++frame) {
        layouts.push_back(WaveStrips(frameCase.screen.width, frameCase.screen.height, frameCase.settings,
                                     1.0 + 2.0 * frame));
    }
    return layouts;
}

SaverImages::SaverImages(ScreenSize screen)
    : sourceBitmap(screen.width, screen.height, AllocateHeapBitmapMemory(screen.width, screen.height)),
      displayBitmap(screen.width, screen.height, AllocateHeapBitmapMemory(screen.width, screen.height)),
      source(sourceBitmap),
      display(displayBitmap) {
    for (int y = 0; y < screen.height; ++y) {
        for (int x = 0; x < screen.width; ++x) {
            sourceBitmap.Row(y)[x] =
                ((static_cast<std::uint32_t>(x) * 2654435761u) ^ (static_cast<std::uint32_t>(y) * 40503u)) & 0xFFFFFF;
        }
    }
    display.Pen.Color = clBlack;
    display.Brush.Color = clBlack;
}

SaverImages& ImagesOfSize(ScreenSize screen) {
    static std::map<std::pair<int, int>, std::unique_ptr<SaverImages>> images;
    std::unique_ptr<SaverImages>& found = images[{screen.width, screen.height}];
    if (!found) found = std::make_unique<SaverImages>(screen);
    return *found;
}

namespace {

using ComposeFunction = void (*)(TCanvas&, const TCanvas&, const StripLayout&);

void ComposeFrames(benchmark::State& state, const FrameCase& frameCase, ComposeFunction compose) {
    SaverImages& images = ImagesOfSize(frameCase.screen);
    const std::vector<StripLayout> layouts = LayoutsOverOnePeriod(frameCase);
    for (auto _ : state) {
        for (const StripLayout& layout : layouts) compose(images.display, images.source, layout);
        benchmark::DoNotOptimize(images.displayBitmap.Pixels());
        benchmark::ClobberMemory();
    }
}

// The floor: as many whole-frame copies as the others draw frames.
void CopyWholeFrames(benchmark::State& state, ScreenSize screen) {
    SaverImages& images = ImagesOfSize(screen);
    const std::size_t bytes = static_cast<std::size_t>(screen.width) * screen.height * sizeof(std::uint32_t);
    for (auto _ : state) {
        for (int frame = 0; frame < kFramesPerIteration; ++frame) {
            std::memcpy(images.displayBitmap.Pixels(), images.sourceBitmap.Pixels(), bytes);
            benchmark::DoNotOptimize(images.displayBitmap.Pixels());
            benchmark::ClobberMemory();
        }
    }
}

// The least a transverse frame costs: each display row copied once from its source row at
// the offset of the strip that ends on it, and the uncovered end filled; no strips, no
// overlaps. What separates this from one memcpy of a frame is the shifted rows alone.
void CopyShiftedRows(benchmark::State& state, const FrameCase& frameCase) {
    SaverImages& images = ImagesOfSize(frameCase.screen);
    const int width = frameCase.screen.width;
    const int height = frameCase.screen.height;
    std::vector<std::vector<int>> shiftsOfFrames;
    for (const StripLayout& layout : LayoutsOverOnePeriod(frameCase)) {
        std::vector<int> shifts(static_cast<std::size_t>(height), 0);
        for (const StripCopy& strip : layout.Strips()) {
            for (int y = std::max(strip.destTop, 0); y < std::min(strip.destTop + layout.bandHeight, height); ++y) {
                shifts[static_cast<std::size_t>(y)] = std::clamp(strip.destLeft, -width, width);
            }
        }
        shiftsOfFrames.push_back(std::move(shifts));
    }
    for (auto _ : state) {
        for (const std::vector<int>& shifts : shiftsOfFrames) {
            for (int y = 0; y < height; ++y) {
                const int shift = shifts[static_cast<std::size_t>(y)];
                std::uint32_t* to = images.displayBitmap.Row(y);
                const std::uint32_t* from = images.sourceBitmap.Row(y);
                const std::size_t kept = static_cast<std::size_t>(width - std::abs(shift));
                if (shift >= 0) {
                    std::fill(to, to + shift, clBlack);
                    std::memcpy(to + shift, from, kept * sizeof(std::uint32_t));
                } else {
                    std::memcpy(to, from - shift, kept * sizeof(std::uint32_t));
                    std::fill(to + kept, to + width, clBlack);
                }
            }
            benchmark::DoNotOptimize(images.displayBitmap.Pixels());
            benchmark::ClobberMemory();
        }
    }
}

void RegisterAll() {
    for (const ScreenSize& screen : kScreenSizes) {
        benchmark::RegisterBenchmark(("memcpy/" + screen.Name()).c_str(),
                                     [screen](benchmark::State& state) { CopyWholeFrames(state, screen); });
    }
    for (const FrameCase& frameCase : AllFrameCases()) {
        benchmark::RegisterBenchmark(("compose/" + frameCase.Name()).c_str(), [frameCase](benchmark::State& state) {
            ComposeFrames(state, frameCase, ComposeFrame);
        });
        benchmark::RegisterBenchmark(("reference/" + frameCase.Name()).c_str(), [frameCase](benchmark::State& state) {
            ComposeFrames(state, frameCase, ComposeFrameReference);
        });
        if (!frameCase.settings.vertical) {
            benchmark::RegisterBenchmark(("shifted_rows/" + frameCase.Name()).c_str(),
                                         [frameCase](benchmark::State& state) { CopyShiftedRows(state, frameCase); });
        }
    }
    RegisterQPainterPeer();
}

// Shows the usual console report on stderr and keeps the median CPU time of each benchmark
// for the table, which goes to stdout.
class TableReporter : public benchmark::ConsoleReporter {
public:
    TableReporter() {
        SetOutputStream(&std::cerr);
        SetErrorStream(&std::cerr);
    }

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (median || single) {
                // Per frame, in milliseconds.
                medianMs_[run.run_name.function_name] =
                    run.GetAdjustedCPUTime() * TimeUnitSeconds(run.time_unit) * 1e3 / kFramesPerIteration;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintTable() const {
        for (const ScreenSize& screen : kScreenSizes) Row("memcpy/" + screen.Name(), "ms", Ms("memcpy/" + screen.Name()));
        for (const FrameCase& frameCase : AllFrameCases()) {
            const std::string name = frameCase.Name();
            const double ours = Ms("compose/" + name);
            Row("compose/" + name, "ms", ours);
            Row("compose/" + name, "ratio_to_memcpy", Ratio(ours, Ms("memcpy/" + frameCase.screen.Name())));
            Row("compose/" + name, "ratio_qpainter_to_ours", Ratio(Ms("qpainter/" + name), ours));
            Row("compose/" + name, "ratio_plain_order_to_ours", Ratio(Ms("reference/" + name), ours));
            Row("compose/" + name, "ratio_to_shifted_rows", Ratio(ours, Ms("shifted_rows/" + name)));
            Row("shifted_rows/" + name, "ratio_to_memcpy",
                Ratio(Ms("shifted_rows/" + name), Ms("memcpy/" + frameCase.screen.Name())));
            Row("qpainter/" + name, "ms", Ms("qpainter/" + name));
        }
    }

private:
    static double TimeUnitSeconds(benchmark::TimeUnit unit) {
        switch (unit) {
            case benchmark::kNanosecond: return 1e-9;
            case benchmark::kMicrosecond: return 1e-6;
            case benchmark::kMillisecond: return 1e-3;
            default: return 1.0;
        }
    }
    // Negative when the benchmark did not run (filtered out or failed).
    double Ms(const std::string& name) const {
        const auto found = medianMs_.find(name);
        return found == medianMs_.end() ? -1.0 : found->second;
    }
    static double Ratio(double numerator, double denominator) {
        return numerator < 0 || denominator <= 0 ? -1.0 : numerator / denominator;
    }
    static void Row(const std::string& name, const char* key, double value) {
        if (value < 0) return;
        std::printf("%s %s=%.3g\n", name.c_str(), key, value);
    }

    std::map<std::string, double> medianMs_;
};

}  // namespace
}  // namespace nuvo::bench

int main(int argc, char** argv) {
    nuvo::bench::RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    nuvo::bench::TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintTable();
    benchmark::Shutdown();
    return 0;
}
