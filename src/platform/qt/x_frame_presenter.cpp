#include "platform/qt/x_frame_presenter.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/qt/page_memory.h"

namespace nuvo::qt {

struct XFramePresenter::Segment {
    XShmSegmentInfo info{};
    XImage* image = nullptr;     // the segment as an image of its size, for XShmPutImage
    Display* display = nullptr;  // while the server has it attached

    ~Segment() {
        if (display != nullptr) {
            XShmDetach(display, &info);
            XFlush(display);
        }
        if (image != nullptr) XDestroyImage(image);  // the header only: shared images own no data
        shmdt(info.shmaddr);
    }
};

namespace {

// The pixels of a bitmap in a shared segment; the presenter finds the segment by them.
class SharedImageMemory final : public BitmapMemory {
public:
    explicit SharedImageMemory(std::shared_ptr<XFramePresenter::Segment> segment)
        : segment_(std::move(segment)) {}
    std::uint32_t* Pixels() override { return reinterpret_cast<std::uint32_t*>(segment_->info.shmaddr); }

private:
    std::shared_ptr<XFramePresenter::Segment> segment_;
};

// Only a server on this machine shares our segments: a remote one would take the number for
// one of its own.
bool LocalDisplay(Display* display) {
    const std::string_view name = DisplayString(display);
    const std::string_view host = name.substr(0, name.rfind(':'));
    return host.empty() || host == "unix" || host.front() == '/';
}

// The server checks the attach when it handles the request; its refusal arrives as an error.
bool attachRefused = false;

bool AttachChecked(Display* display, XShmSegmentInfo& info) {
    XSync(display, False);
    attachRefused = false;
    const XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) {
        attachRefused = true;
        return 0;
    });
    const bool sent = XShmAttach(display, &info);
    XSync(display, False);
    XSetErrorHandler(previous);
    return sent && !attachRefused;
}

// An 8-bit channel placed into a visual's mask.
unsigned long ToMask(std::uint32_t channel, unsigned long mask) {
    if (mask == 0) return 0;
    const int shift = std::countr_zero(mask);
    const unsigned long max = mask >> shift;
    return ((channel * max + 127) / 255) << shift;
}

}  // namespace

XFramePresenter::XFramePresenter(Display* display, unsigned long window, bool ownsEvents)
    : display_(display), window_(window) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display_, window_, &attributes)) return;
    visual_ = attributes.visual;
    depth_ = attributes.depth;
    const Visual& visual = *attributes.visual;
    int formats = 0;
    int bitsPerPixel = 0;
    if (XPixmapFormatValues* list = XListPixmapFormats(display_, &formats)) {
        for (int i = 0; i < formats; ++i) {
            if (list[i].depth == depth_) bitsPerPixel = list[i].bits_per_pixel;
        }
        XFree(list);
    }
    plainRgb32_ = bitsPerPixel == 32 && (depth_ == 24 || depth_ == 32) && visual.red_mask == 0xFF0000 &&
                  visual.green_mask == 0xFF00 && visual.blue_mask == 0xFF;

    XGCValues values{};
    values.graphics_exposures = False;
    gc_ = XCreateGC(display_, window_, GCGraphicsExposures, &values);

    // Shared images hold our pixels as they are, so they need the plain format.
    int major = 0, minor = 0;
    Bool sharedPixmaps = False;
    if (ownsEvents && plainRgb32_ && LocalDisplay(display_) && XShmQueryExtension(display_) &&
        XShmQueryVersion(display_, &major, &minor, &sharedPixmaps)) {
        shmEventBase_ = XShmGetEventBase(display_);
    }
}

XFramePresenter::~XFramePresenter() {
    for (const std::weak_ptr<Segment>& weak : segments_) {
        if (const std::shared_ptr<Segment> segment = weak.lock()) {
            XShmDetach(display_, &segment->info);
            segment->display = nullptr;
        }
    }
    if (converted_ != nullptr) XDestroyImage(converted_);
    if (gc_ != nullptr) XFreeGC(display_, static_cast<GC>(gc_));
    XSync(display_, False);
}

std::unique_ptr<BitmapMemory> XFramePresenter::CreateImageMemory(int width, int height) {
    if (!SharesMemory() || width <= 0 || height <= 0) return AllocatePageBitmapMemory(width, height);
    auto segment = std::make_shared<Segment>();
    segment->info.shmaddr = reinterpret_cast<char*>(-1);
    XImage* image = XShmCreateImage(display_, static_cast<Visual*>(visual_), static_cast<unsigned>(depth_),
                                    ZPixmap, nullptr, &segment->info, static_cast<unsigned>(width),
                                    static_cast<unsigned>(height));
    // Our rows are the width apart, with nothing in between.
    if (image == nullptr || image->bytes_per_line != width * 4) {
        if (image != nullptr) XDestroyImage(image);
        return AllocatePageBitmapMemory(width, height);
    }
    segment->image = image;
    const auto bytes = static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(height);
    segment->info.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (segment->info.shmid < 0) return AllocatePageBitmapMemory(width, height);
    segment->info.shmaddr = static_cast<char*>(shmat(segment->info.shmid, nullptr, 0));
    // Shared memory comes in 4 KiB pages only. Fault them in with one call: page by page on
    // first write they cost about 65 ms for a 1920x1080 image on a virtual machine, in one
    // call 10 to 20 ms. Only advice: without it the pages come on first write.
    if (segment->info.shmaddr != reinterpret_cast<char*>(-1)) madvise(segment->info.shmaddr, bytes, MADV_POPULATE_WRITE);
    segment->info.readOnly = True;  // the server only reads our frames
    image->data = segment->info.shmaddr;
    const bool attached = segment->info.shmaddr != reinterpret_cast<char*>(-1) &&
                          AttachChecked(display_, segment->info);
    // Both sides hold it now (or never will): the segment goes when the last one lets go,
    // whether the program ends in order, by a signal or with the display.
    shmctl(segment->info.shmid, IPC_RMID, nullptr);
    if (!attached) {
        image->data = nullptr;
        shmEventBase_ = -1;  // this server refuses: plain puts from now on
        return AllocatePageBitmapMemory(width, height);
    }
    segment->display = display_;
    std::erase_if(segments_, [](const std::weak_ptr<Segment>& weak) { return weak.expired(); });
    segments_.push_back(segment);
    return std::make_unique<SharedImageMemory>(std::move(segment));
}

XFramePresenter::Segment* XFramePresenter::SharedSegmentFor(const TBitmap& bitmap) {
    for (const std::weak_ptr<Segment>& weak : segments_) {
        const std::shared_ptr<Segment> segment = weak.lock();
        if (segment && segment->info.shmaddr == reinterpret_cast<const char*>(bitmap.Pixels()) &&
            segment->image->width == bitmap.Width() && segment->image->height == bitmap.Height()) {
            return segment.get();  // the bitmap holds it
        }
    }
    return nullptr;
}

void XFramePresenter::Present(const TBitmap& bitmap, TRect target) {
    const int width = std::min(target.width, bitmap.Width());
    const int height = std::min(target.height, bitmap.Height());
    if (gc_ == nullptr || width <= 0 || height <= 0) return;
    auto* gc = static_cast<GC>(gc_);
    if (Segment* segment = SharedSegmentFor(bitmap)) {
        XShmPutImage(display_, window_, gc, segment->image, 0, 0, target.left, target.top,
                     static_cast<unsigned>(width), static_cast<unsigned>(height), True);
        // The server reads the segment while it handles the request and says when it is done,
        // before it answers the round trip; a put that failed (the window of another client
        // destroyed under us) says nothing, so waiting for the word alone could wait forever.
        XSync(display_, False);
        struct Wanted {
            int type;
            ShmSeg segment;
        } wanted{shmEventBase_ + ShmCompletion, segment->info.shmseg};
        XEvent done;
        XCheckIfEvent(
            display_, &done,
            [](Display*, XEvent* event, XPointer argument) -> Bool {
                const auto& want = *reinterpret_cast<const Wanted*>(argument);
                return event->type == want.type &&
                       reinterpret_cast<const XShmCompletionEvent*>(event)->shmseg == want.segment;
            },
            reinterpret_cast<XPointer>(&wanted));
        return;
    }
    if (!plainRgb32_) {
        PutConverted(bitmap, target.left, target.top, width, height);
        return;
    }
    // Xlib sends the rows from our memory; the round trip keeps frames from piling up in
    // the server and has them on the screen when this returns.
    XImage image{};
    image.width = bitmap.Width();
    image.height = bitmap.Height();
    image.format = ZPixmap;
    image.data = const_cast<char*>(reinterpret_cast<const char*>(bitmap.Pixels()));
    image.byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    image.bitmap_unit = 32;
    image.bitmap_bit_order = image.byte_order;
    image.bitmap_pad = 32;
    image.depth = depth_;
    image.bytes_per_line = bitmap.Width() * 4;
    image.bits_per_pixel = 32;
    image.red_mask = 0xFF0000;
    image.green_mask = 0xFF00;
    image.blue_mask = 0xFF;
    XInitImage(&image);
    XPutImage(display_, window_, gc, &image, 0, 0, target.left, target.top, static_cast<unsigned>(width),
              static_cast<unsigned>(height));
    XSync(display_, False);
}

void XFramePresenter::Fill(TRect target, TColor color) {
    if (gc_ == nullptr || target.width <= 0 || target.height <= 0) return;
    const Visual& visual = *static_cast<Visual*>(visual_);
    auto* gc = static_cast<GC>(gc_);
    XSetForeground(display_, gc,
                   ToMask((color >> 16) & 0xFF, visual.red_mask) | ToMask((color >> 8) & 0xFF, visual.green_mask) |
                       ToMask(color & 0xFF, visual.blue_mask));
    XFillRectangle(display_, window_, gc, target.left, target.top, static_cast<unsigned>(target.width),
                   static_cast<unsigned>(target.height));
    XSync(display_, False);
}

// A window whose visual does not take our pixels as they are: each pixel goes through the
// visual's masks into an image of the window's own format. Slow, but the frame is exact.
void XFramePresenter::PutConverted(const TBitmap& bitmap, int x, int y, int width, int height) {
    if (converted_ == nullptr || converted_->width < width || converted_->height < height) {
        if (converted_ != nullptr) XDestroyImage(converted_);
        converted_ = XCreateImage(display_, static_cast<Visual*>(visual_), static_cast<unsigned>(depth_),
                                  ZPixmap, 0, nullptr, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), 32, 0);
        if (converted_ == nullptr) return;
        converted_->data = static_cast<char*>(
            calloc(static_cast<std::size_t>(converted_->bytes_per_line) * static_cast<std::size_t>(height), 1));
    }
    const Visual& visual = *static_cast<Visual*>(visual_);
    for (int row = 0; row < height; ++row) {
        const std::uint32_t* source = bitmap.Row(row);
        for (int column = 0; column < width; ++column) {
            const std::uint32_t pixel = source[column];
            XPutPixel(converted_, column, row,
                      ToMask((pixel >> 16) & 0xFF, visual.red_mask) | ToMask((pixel >> 8) & 0xFF, visual.green_mask) |
                          ToMask(pixel & 0xFF, visual.blue_mask));
        }
    }
    XPutImage(display_, window_, static_cast<GC>(gc_), converted_, 0, 0, x, y, static_cast<unsigned>(width),
              static_cast<unsigned>(height));
    XSync(display_, False);
}

}  // namespace nuvo::qt
