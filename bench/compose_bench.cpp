// Compose benchmarks: our compose, the plain order it replaces, one memcpy of a whole
// frame, the QPainter peer and the least a transverse frame costs, timed side by side;
// prints the table rows of bench/run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "frame_cases.h"
#include "saver/compose.h"
#include "ui/forms.h"

namespace nuvo::bench {

namespace {

// How long one method takes to draw the frames of a round.
struct Method {
    std::string name;
    std::function<void()> drawRound;
};

// The saver's compose, with one composer kept over all the frames as the saver keeps it.
FrameDrawer Composing(SaverImages& images) {
    return [&images, composer = std::make_shared<FrameComposer>(clBlack)](const StripLayout& layout) {
        composer->Compose(images.display, images.source, layout);
    };
}

FrameDrawer InThePlainOrder(SaverImages& images) {
    return [&images](const StripLayout& layout) { ComposeFrameReference(images.display, images.source, layout); };
}

std::function<void()> EachLayout(FrameDrawer draw, const std::vector<StripLayout>& layouts) {
    return [draw = std::move(draw), &layouts] {
        for (const StripLayout& layout : layouts) draw(layout);
    };
}

// The floor: as many whole-frame copies as the others draw frames.
std::function<void()> CopyWholeFrames(SaverImages& images) {
    const std::size_t bytes =
        static_cast<std::size_t>(images.displayBitmap.Width()) * images.displayBitmap.Height() * sizeof(std::uint32_t);
    return [&images, bytes] {
        for (int frame = 0; frame < kFramesPerRound; ++frame) {
            std::memcpy(images.displayBitmap.Pixels(), images.sourceBitmap.Pixels(), bytes);
            benchmark::ClobberMemory();
        }
    };
}

// The least a transverse frame costs: each display row copied once from its source row at
// the offset of the strip that ends on it, and the uncovered end filled; no strips, no
// overlaps. What separates this from one memcpy of a frame is the shifted rows alone.
std::function<void()> CopyShiftedRows(SaverImages& images, const std::vector<StripLayout>& layouts) {
    const int width = images.displayBitmap.Width();
    const int height = images.displayBitmap.Height();
    std::vector<std::vector<int>> shiftsOfFrames;
    for (const StripLayout& layout : layouts) {
        std::vector<int> shifts(static_cast<std::size_t>(height), 0);
        for (const StripCopy& strip : layout.Strips()) {
            for (int y = std::max(strip.destTop, 0); y < std::min(strip.destTop + layout.bandHeight, height); ++y) {
                shifts[static_cast<std::size_t>(y)] = std::clamp(strip.destLeft, -width, width);
            }
        }
        shiftsOfFrames.push_back(std::move(shifts));
    }
    return [&images, width, height, shiftsOfFrames = std::move(shiftsOfFrames)] {
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
            benchmark::ClobberMemory();
        }
    };
}

// True when `draw` leaves on the display, for every layout, the frame of the plain order:
// every method that draws frames does the same work. The unused byte of a pixel is not
// compared (Qt sets it in the pixels it draws, ours leave it 0).
bool DrawsThePlainOrdersFrames(const FrameDrawer& draw, SaverImages& images, const std::vector<StripLayout>& layouts) {
    const int width = images.displayBitmap.Width();
    const int height = images.displayBitmap.Height();
    TBitmap expectedBitmap(width, height, AllocateHeapBitmapMemory(width, height));
    TCanvas expected(expectedBitmap);
    expected.Pen.Color = clBlack;
    expected.Brush.Color = clBlack;
    for (const StripLayout& layout : layouts) {
        ComposeFrameReference(expected, images.source, layout);
        draw(layout);
        if (!std::equal(expectedBitmap.Pixels(), expectedBitmap.Pixels() + std::size_t(width) * height,
                        images.displayBitmap.Pixels(),
                        [](std::uint32_t plain, std::uint32_t drawn) { return plain == (drawn & 0xFFFFFF); })) {
            return false;
        }
    }
    return true;
}

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double Median(std::vector<double> values) {
    if (values.empty()) return -1.0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// One benchmark per frame case. Each iteration is a round in which every method draws the
// same frames on the same two images, timed on this thread's CPU clock, the methods taking
// turns at going first. A ratio is the median over rounds of the ratio within a round: a
// shared machine's memory bandwidth drifts by tens of percent from second to second, and
// the methods of one round, a few milliseconds apart, meet the same bandwidth.
void CompareMethods(benchmark::State& state, const FrameCase& frameCase) {
    SaverImages& images = ImagesOfSize(frameCase.screen);
    const std::vector<StripLayout> layouts = LayoutsOverOnePeriod(frameCase);
    const FrameDrawer ours = Composing(images);
    const FrameDrawer plainOrder = InThePlainOrder(images);
    const FrameDrawer qpainter = QPainterPeer(images);
    for (const auto& [name, draw] : {std::pair{"compose", &ours}, {"plain order", &plainOrder}, {"qpainter", &qpainter}}) {
        if (!DrawsThePlainOrdersFrames(*draw, images, layouts)) {
            state.SkipWithError((std::string(name) + " draws another frame than the plain order").c_str());
            return;
        }
    }
    std::vector<Method> methods = {{"memcpy", CopyWholeFrames(images)},
                                   {"compose", EachLayout(ours, layouts)},
                                   {"plain_order", EachLayout(plainOrder, layouts)},
                                   {"qpainter", EachLayout(qpainter, layouts)}};
    if (!frameCase.settings.vertical) methods.push_back({"shifted_rows", CopyShiftedRows(images, layouts)});

    std::map<std::string, std::vector<double>> seconds;
    std::size_t round = 0;
    for (auto _ : state) {
        for (std::size_t turn = 0; turn < methods.size(); ++turn) {
            const Method& method = methods[(round + turn) % methods.size()];
            const double start = ThreadCpuSeconds();
            method.drawRound();
            seconds[method.name].push_back(ThreadCpuSeconds() - start);
        }
        ++round;
    }

    for (const Method& method : methods) {
        state.counters[method.name + "_ms"] = Median(seconds[method.name]) * 1e3 / kFramesPerRound;
    }
    const auto medianRatio = [&seconds](const std::string& numerator, const std::string& denominator) {
        if (!seconds.contains(numerator) || !seconds.contains(denominator)) return -1.0;
        std::vector<double> ratios;
        for (std::size_t i = 0; i < seconds[numerator].size(); ++i) {
            ratios.push_back(seconds[numerator][i] / seconds[denominator][i]);
        }
        return Median(std::move(ratios));
    };
    state.counters["ratio_to_memcpy"] = medianRatio("compose", "memcpy");
    state.counters["ratio_qpainter_to_ours"] = medianRatio("qpainter", "compose");
    state.counters["ratio_plain_order_to_ours"] = medianRatio("plain_order", "compose");
    state.counters["ratio_to_shifted_rows"] = medianRatio("compose", "shifted_rows");
    state.counters["shifted_rows_ratio_to_memcpy"] = medianRatio("shifted_rows", "memcpy");
    state.counters["rounds"] = static_cast<double>(round);
}

// A fixed number of rounds, a few seconds a case: a round takes about 10 ms at 1920x1080
// and 90 ms at 3840x2160.
int RoundsOf(const FrameCase& frameCase) {
    return frameCase.screen.width * frameCase.screen.height > 4'000'000 ? 60 : 300;
}

void RegisterAll() {
    for (const FrameCase& frameCase : AllFrameCases()) {
        benchmark::RegisterBenchmark(("frames/" + frameCase.Name()).c_str(),
                                     [frameCase](benchmark::State& state) { CompareMethods(state, frameCase); })
            ->Unit(benchmark::kMillisecond)
            ->Iterations(RoundsOf(frameCase));
    }
}

// Shows the usual console report on stderr and prints the table of the counters on stdout.
class TableReporter : public benchmark::ConsoleReporter {
public:
    TableReporter() {
        SetOutputStream(&std::cerr);
        SetErrorStream(&std::cerr);
    }

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!run.error_occurred) table_.push_back(run);
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintTable() const {
        std::map<std::string, double> memcpyMs;
        for (const Run& run : table_) {
            const std::string name = CaseName(run);
            const std::string size = name.substr(0, name.find('/'));
            if (!memcpyMs.contains(size)) {
                memcpyMs[size] = Counter(run, "memcpy_ms");
                Row("memcpy/" + size, "ms", memcpyMs[size]);
            }
            Row("compose/" + name, "ms", Counter(run, "compose_ms"));
            Row("compose/" + name, "ratio_to_memcpy", Counter(run, "ratio_to_memcpy"));
            Row("compose/" + name, "ratio_qpainter_to_ours", Counter(run, "ratio_qpainter_to_ours"));
            Row("compose/" + name, "ratio_plain_order_to_ours", Counter(run, "ratio_plain_order_to_ours"));
            Row("compose/" + name, "ratio_to_shifted_rows", Counter(run, "ratio_to_shifted_rows"));
            Row("shifted_rows/" + name, "ratio_to_memcpy", Counter(run, "shifted_rows_ratio_to_memcpy"));
            Row("qpainter/" + name, "ms", Counter(run, "qpainter_ms"));
            Row("plain_order/" + name, "ms", Counter(run, "plain_order_ms"));
        }
    }

private:
    // "frames/1920x1080/level0/transverse" -> "1920x1080/level0/transverse"
    static std::string CaseName(const Run& run) {
        const std::string& name = run.run_name.function_name;
        return name.substr(name.find('/') + 1);
    }
    // Negative when the run has no such figure (a method that does not apply to the case).
    static double Counter(const Run& run, const std::string& key) {
        const auto found = run.counters.find(key);
        return found == run.counters.end() ? -1.0 : found->second.value;
    }
    static void Row(const std::string& name, const char* key, double value) {
        if (value < 0) return;
        std::printf("%s %s=%.3g\n", name.c_str(), key, value);
    }

    std::vector<Run> table_;
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
