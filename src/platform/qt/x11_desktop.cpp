#include "platform/qt/x11_desktop.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <string>

namespace nuvo::qt {
namespace {

// Windows of other clients may vanish while we look at them; the BadWindow errors that
// follow are expected and must not end the program.
class IgnoreXErrors {
public:
    explicit IgnoreXErrors(Display* display) : display_(display) {
        previous_ = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    ~IgnoreXErrors() {
        XSync(display_, False);
        XSetErrorHandler(previous_);
    }
    IgnoreXErrors(const IgnoreXErrors&) = delete;
    IgnoreXErrors& operator=(const IgnoreXErrors&) = delete;

private:
    Display* display_;
    XErrorHandler previous_;
};

// How deep below a root child a window manager's frame may hold its client.
constexpr int kMaxFrameDepth = 4;

}  // namespace

Display* X11Desktop::QtDisplay() {
    // Without a QGuiApplication (the xscreensaver module runs on a QCoreApplication, so
    // that Qt opens no window of its own) there is no Qt connection to share.
    auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto* x11 = gui != nullptr ? gui->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 != nullptr ? x11->display() : nullptr;
}

int X11Desktop::ConnectionDescriptor() const { return display_ != nullptr ? ConnectionNumber(display_) : -1; }

void XConnectionCloser::operator()(Display* display) const { XCloseDisplay(display); }

XConnection X11Desktop::OpenConnection() {
    Display* qt = QtDisplay();
    // Windows Qt has made must exist on the server before another connection names them.
    if (qt != nullptr) XSync(qt, False);
    return XConnection(XOpenDisplay(qt != nullptr ? DisplayString(qt) : nullptr));
}

X11Desktop::X11Desktop() : screenWatch_(std::make_unique<QObject>()) {
    const auto forget = [this] { rootSizeKnown_ = false; };
    const auto watch = [this, forget](QScreen* screen) {
        QObject::connect(screen, &QScreen::geometryChanged, screenWatch_.get(), forget);
        QObject::connect(screen, &QScreen::virtualGeometryChanged, screenWatch_.get(), forget);
    };
    // Qt sees the screens only with a QGuiApplication; without one (the xscreensaver module)
    // the size is asked of the server each time.
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        for (QScreen* screen : QGuiApplication::screens()) watch(screen);
        QObject::connect(gui, &QGuiApplication::screenAdded, screenWatch_.get(), [forget, watch](QScreen* screen) {
            forget();
            watch(screen);
        });
        QObject::connect(gui, &QGuiApplication::screenRemoved, screenWatch_.get(), forget);
        watchesScreens_ = true;
    }
    display_ = QtDisplay();
    if (display_ == nullptr) {
        display_ = XOpenDisplay(nullptr);
        ownsDisplay_ = display_ != nullptr;
    }
    if (display_ != nullptr) wmState_ = XInternAtom(display_, "WM_STATE", False);
}

bool X11Desktop::DisplayAvailable() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    XCloseDisplay(display);
    return true;
}

X11Desktop::~X11Desktop() {
    if (ownsDisplay_) XCloseDisplay(display_);
}

TRect X11Desktop::RootSize() {
    if (!rootSizeKnown_ && display_ != nullptr) {
        Window root = 0;
        int x = 0, y = 0;
        unsigned int w = 0, h = 0, border = 0, depth = 0;
        const bool known = XGetGeometry(display_, DefaultRootWindow(display_), &root, &x, &y, &w, &h, &border, &depth);
        rootSize_ = known ? TRect{0, 0, static_cast<int>(w), static_cast<int>(h)} : TRect{};
        rootSizeKnown_ = known && watchesScreens_;
    }
    return rootSize_;
}

int X11Desktop::ScreenWidth() { return RootSize().width; }

int X11Desktop::ScreenHeight() { return RootSize().height; }

bool X11Desktop::HasClass(Window window, std::string_view className) {
    XClassHint hint{};
    if (!XGetClassHint(display_, window, &hint)) return false;
    const bool match = hint.res_class != nullptr && className == hint.res_class;
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return match;
}

// The client window a window manager keeps inside `frame`: the first descendant, level
// by level, that carries WM_STATE; 0 if there is none.
Window X11Desktop::ClientWindow(Window frame, int depth) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (depth > kMaxFrameDepth ||
        !XQueryTree(display_, frame, &root, &parent, &children, &count)) {
        return 0;
    }
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display_, children[i], wmState_, 0, 0, False, AnyPropertyType,
                               &type, &format, &items, &after, &data) == Success) {
            if (data) XFree(data);
            if (type != None) found = children[i];
        }
    }
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        found = ClientWindow(children[i], depth + 1);
    }
    if (children) XFree(children);
    return found;
}

bool X11Desktop::WindowOfClassExists(std::string_view className) {
    if (display_ == nullptr) return false;
    IgnoreXErrors ignoreVanishedWindows(display_);
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count)) {
        return false;
    }
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i) {
        if (HasClass(children[i], className)) {
            found = true;
        } else if (Window client = ClientWindow(children[i], 1); client != 0) {
            found = HasClass(client, className);
        }
    }
    if (children) XFree(children);
    return found;
}

void X11Desktop::SetWindowClass(Window window, std::string_view instanceName,
                                std::string_view className) {
    if (display_ == nullptr) return;
    std::string instance(instanceName);
    std::string klass(className);
    XClassHint hint{instance.data(), klass.data()};
    XSetClassHint(display_, window, &hint);
    // Processed before the window is mapped, also on a connection of our own.
    XSync(display_, False);
}

namespace {

// Rows of a captured image into `dest` from row `top` on, in our pixel format.
void CopyImageRows(const XImage& image, TBitmap& dest, int top) {
    const bool plainRgb32 = image.bits_per_pixel == 32 && image.byte_order == LSBFirst &&
                            image.red_mask == 0xFF0000 && image.green_mask == 0xFF00 && image.blue_mask == 0xFF;
    if (plainRgb32) {
        // The usual 24-bit TrueColor screen: rows in our own pixel format.
        for (int y = 0; y < image.height; ++y) {
            const auto* source = reinterpret_cast<const std::uint32_t*>(
                image.data + static_cast<std::ptrdiff_t>(y) * image.bytes_per_line);
            std::uint32_t* row = dest.Row(top + y);
            for (int x = 0; x < image.width; ++x) row[x] = source[x] & 0xFFFFFF;
        }
        return;
    }
    // Any other TrueColor layout: channel positions from the visual's masks.
    auto channel = [](unsigned long pixel, unsigned long mask) -> std::uint32_t {
        if (mask == 0) return 0;
        int shift = 0;
        while (((mask >> shift) & 1) == 0) ++shift;
        const unsigned long max = mask >> shift;
        return static_cast<std::uint32_t>(((pixel & mask) >> shift) * 255 / max);
    };
    XImage& readable = const_cast<XImage&>(image);  // XGetPixel takes a non-const image
    for (int y = 0; y < image.height; ++y) {
        std::uint32_t* row = dest.Row(top + y);
        for (int x = 0; x < image.width; ++x) {
            const unsigned long pixel = XGetPixel(&readable, x, y);
            row[x] = (channel(pixel, image.red_mask) << 16) | (channel(pixel, image.green_mask) << 8) |
                     channel(pixel, image.blue_mask);
        }
    }
}

}  // namespace

void ReadDrawablePixels(Display* display, unsigned long drawable, int width, int height,
                        TBitmap& dest) {
    width = std::min(width, dest.Width());
    height = std::min(height, dest.Height());
    if (width <= 0 || height <= 0) return;
    // A pixmap has no visual, so its image comes without channel masks: its pixels are in
    // the layout of the screen's default visual.
    const Visual* screenVisual = DefaultVisual(display, DefaultScreen(display));

    // In bands of about 1 MB: Xlib's buffer for a band is soon memory the process has
    // touched before, where one image of the whole screen would be as many fresh pages as
    // the screen has, each a page fault.
    const int bandRows = std::max(1, (1 << 18) / width);
    IgnoreXErrors ignoreFailedRead(display);
    for (int top = 0; top < height; top += bandRows) {
        const int rows = std::min(bandRows, height - top);
        XImage* image = XGetImage(display, drawable, 0, top, static_cast<unsigned>(width),
                                  static_cast<unsigned>(rows), AllPlanes, ZPixmap);
        if (image == nullptr) return;
        if (image->red_mask == 0 && image->green_mask == 0 && image->blue_mask == 0) {
            image->red_mask = screenVisual->red_mask;
            image->green_mask = screenVisual->green_mask;
            image->blue_mask = screenVisual->blue_mask;
        }
        CopyImageRows(*image, dest, top);
        XDestroyImage(image);
    }
}

void X11Desktop::CaptureScreen(TBitmap& dest) {
    if (display_ == nullptr) return;
    const TRect screen = RootSize();
    ReadDrawablePixels(display_, DefaultRootWindow(display_), screen.width, screen.height, dest);
}

}  // namespace nuvo::qt
