// nuvo_present_bench [frame]: on the X display of $DISPLAY, at the size of its screen, the
// client CPU time (all threads of this process) of showing one frame the way the Linux
// program does (XFramePresenter on a connection of its own), against one memcpy of the
// frame timed in the same rounds. With "frame", also a whole frame (compose and present)
// of ours against the straightforward Qt way: a QPainter fill and one drawImage per band
// into a QImage, shown with a widget repaint through Qt's backing store. Prints rows of
// the bench/run table.
#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "frame_cases.h"
#include "platform/qt/page_memory.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/qt/x11_desktop.h"
#include "platform/qt/x_frame_presenter.h"
#include "saver/compose.h"

namespace nuvo::bench {
namespace {

double ProcessCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double CpuMsOf(const std::function<void()>& work) {
    const double start = ProcessCpuMs();
    work();
    return ProcessCpuMs() - start;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

void Row(const std::string& name, const char* key, double value) {
    std::printf("%s %s=%.3g\n", name.c_str(), key, value);
}

// A full-screen window the way the saver's is: above everything, painted by us alone.
class SurfaceWindow : public QWidget {
public:
    SurfaceWindow() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setAttribute(Qt::WA_PaintOnScreen);
    }
    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    void paintEvent(QPaintEvent*) override {}
};

// The peer's window: an ordinary widget that paints its image through the backing store.
class PeerWindow : public QWidget {
public:
    explicit PeerWindow(const QImage& image)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint), image_(image) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(0, 0, image_);
    }

private:
    const QImage& image_;
};

void ShowAndWait(QWidget& window, QRect bounds) {
    window.setGeometry(bounds);
    window.show();
    while (!window.windowHandle()->isExposed()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QCoreApplication::processEvents();
}

int Run(bool withFrames) {
    const QRect bounds = QGuiApplication::primaryScreen()->geometry();
    const ScreenSize screen{bounds.width(), bounds.height()};
    const std::string size = screen.Name();
    SaverImages& images = ImagesOfSize(screen);

    SurfaceWindow surface;
    ShowAndWait(surface, bounds);
    qt::XConnection connection = qt::X11Desktop::OpenConnection();
    if (!connection) {
        std::fprintf(stderr, "nuvo_present_bench: no connection of its own to the display\n");
        return 1;
    }
    qt::XFramePresenter presenter(connection.get(), surface.winId());
    std::fprintf(stderr, "nuvo_present_bench: %s, %s\n", size.c_str(),
                 presenter.SharesMemory() ? "shared memory" : "no shared memory");
    TBitmap display(screen.width, screen.height, presenter.CreateImageMemory(screen.width, screen.height));
    TCanvas displayCanvas(display);
    displayCanvas.Pen.Color = clBlack;
    displayCanvas.Brush.Color = clBlack;
    const TRect target{0, 0, screen.width, screen.height};
    TBitmap scratch(screen.width, screen.height, qt::AllocatePageBitmapMemory(screen.width, screen.height));
    const std::size_t frameBytes = static_cast<std::size_t>(screen.width) * static_cast<std::size_t>(screen.height) * 4;

    // The present against a memcpy of the frame, one of each a round.
    const int rounds = screen.width > 2000 ? 60 : 200;
    std::vector<double> presentMs, memcpyMs, ratios;
    std::memcpy(display.Pixels(), images.sourceBitmap.Pixels(), frameBytes);
    for (int round = 0; round < rounds; ++round) {
        const double copy = CpuMsOf([&] { std::memcpy(scratch.Pixels(), images.sourceBitmap.Pixels(), frameBytes); });
        const double present = CpuMsOf([&] { presenter.Present(display, target); });
        memcpyMs.push_back(copy);
        presentMs.push_back(present);
        if (copy > 0) ratios.push_back(present / copy);
    }
    Row("present/" + size, "client_ms", Median(presentMs));
    Row("present/" + size, "memcpy_ms", Median(memcpyMs));
    Row("present/" + size, "ratio_to_memcpy", Median(ratios));
    if (!withFrames) return 0;

    // Whole frames, ours and the peer's, taking turns at going first each round.
    const FrameCase frameCase{screen, TWaveSettings{}};
    const std::vector<StripLayout> layouts = LayoutsOverOnePeriod(frameCase);
    const QImage peerImage(reinterpret_cast<const uchar*>(images.displayBitmap.Pixels()), screen.width,
                           screen.height, qsizetype{screen.width} * 4, QImage::Format_RGB32);
    PeerWindow peer(peerImage);
    ShowAndWait(peer, bounds);
    const FrameDrawer peerCompose = QPainterPeer(images);
    FrameComposer composer(clBlack);
    const auto oursRound = [&] {
        for (const StripLayout& layout : layouts) {
            composer.Compose(displayCanvas, images.source, layout);
            presenter.Present(display, target);
        }
    };
    const auto peerRound = [&] {
        for (const StripLayout& layout : layouts) {
            peerCompose(layout);
            peer.repaint();
        }
    };
    std::vector<double> oursMs, peerMs, frameRatios;
    for (int round = 0; round < 40; ++round) {
        double ours = 0, theirs = 0;
        if (round % 2 == 0) {
            ours = CpuMsOf(oursRound);
            theirs = CpuMsOf(peerRound);
        } else {
            theirs = CpuMsOf(peerRound);
            ours = CpuMsOf(oursRound);
        }
        QCoreApplication::processEvents();
        oursMs.push_back(ours / kFramesPerRound);
        peerMs.push_back(theirs / kFramesPerRound);
        if (ours > 0) frameRatios.push_back(theirs / ours);
    }
    Row("frame/" + size, "ours_client_ms", Median(oursMs));
    Row("frame/" + size, "peer_client_ms", Median(peerMs));
    Row("frame/" + size, "ratio_peer_to_ours", Median(frameRatios));
    return 0;
}

}  // namespace
}  // namespace nuvo::bench

int main(int argc, char* argv[]) {
    const bool withFrames = argc > 1 && std::string(argv[1]) == "frame";
    nuvo::qt::PrepareQt();
    QApplication application(argc, argv);
    return nuvo::bench::Run(withFrames);
}
