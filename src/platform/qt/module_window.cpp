#include "platform/qt/module_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>

#include "platform/qt/area_average.h"
#include "platform/qt/x11_desktop.h"

namespace nuvo::qt {
namespace {

// Errors on our connection are about a window that another client owns and may destroy
// at any moment: they are expected, and the DestroyNotify that follows ends us quietly.
// Errors on other connections go to the handler that was there before.
Display* moduleDisplay = nullptr;
XErrorHandler previousHandler = nullptr;

int IgnoreModuleWindowErrors(Display* display, XErrorEvent* error) {
    if (display == moduleDisplay || previousHandler == nullptr) return 0;
    return previousHandler(display, error);
}

std::string WindowName(unsigned long window) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", window);
    return text;
}

}  // namespace

ModuleWindow::ModuleWindow(unsigned long window) : window_(window) {
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) throw ModuleWindowError("cannot open the X display");
    moduleDisplay = display_;
    previousHandler = XSetErrorHandler(IgnoreModuleWindowErrors);

    // Selected before the size is read, so no change of size can fall in between. Not
    // ButtonPress: the daemon has taken that, and a second client asking for it fails.
    XSelectInput(display_, window_, StructureNotifyMask);
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display_, window_, &attributes)) {
        CloseConnection();
        throw ModuleWindowError("there is no window " + WindowName(window_) + " on the display");
    }
    width_ = attributes.width;
    height_ = attributes.height;
    // The events of this connection are ours alone, so frames can go through shared memory.
    presenter_.emplace(display_, window_, true);
    ReadScreenshot();
}

ModuleWindow::~ModuleWindow() {
    presenter_.reset();
    CloseConnection();
}

void ModuleWindow::CloseConnection() {
    XCloseDisplay(display_);
    XSetErrorHandler(previousHandler);
    moduleDisplay = nullptr;
}

void ModuleWindow::ReadScreenshot() {
    const Atom property = XInternAtom(display_, "_SCREENSAVER_SCREENSHOT", False);
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    Pixmap pixmap = None;
    if (XGetWindowProperty(display_, window_, property, 0, 1, False, XA_PIXMAP, &type, &format,
                           &items, &after, &data) == Success) {
        if (type == XA_PIXMAP && format == 32 && items == 1) {
            pixmap = static_cast<Pixmap>(*reinterpret_cast<unsigned long*>(data));
        }
        if (data != nullptr) XFree(data);
    }
    if (pixmap == None) {
        missingPictureReason_ = "the window " + WindowName(window_) +
                                " has no _SCREENSAVER_SCREENSHOT, so the picture is black";
        return;
    }
    Window root = 0;
    int x = 0, y = 0;
    unsigned int width = 0, height = 0, border = 0, depth = 0;
    if (!XGetGeometry(display_, pixmap, &root, &x, &y, &width, &height, &border, &depth) ||
        depth != static_cast<unsigned int>(DefaultDepth(display_, DefaultScreen(display_)))) {
        missingPictureReason_ = "the screenshot pixmap of the window " + WindowName(window_) +
                                " cannot be read, so the picture is black";
        return;
    }
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    screenshot_.emplace(w, h, AllocateHeapBitmapMemory(w, h));
    std::fill_n(screenshot_->Pixels(), static_cast<std::size_t>(w) * static_cast<std::size_t>(h), clBlack);
    ReadDrawablePixels(display_, pixmap, w, h, *screenshot_);
}

void ModuleWindow::DrawPicture(TBitmap& dest) const {
    if (screenshot_) {
        ScaleByAreaAverage(*screenshot_, dest);
    } else {
        for (int y = 0; y < dest.Height(); ++y) std::fill_n(dest.Row(y), dest.Width(), clBlack);
    }
}

std::unique_ptr<BitmapMemory> ModuleWindow::CreateImageMemory(int width, int height) {
    return presenter_->CreateImageMemory(width, height);
}

void ModuleWindow::Present(TRect rect, const TBitmap& bitmap) {
    if (!destroyed_) presenter_->Present(bitmap, rect);
}

int ModuleWindow::ConnectionDescriptor() const { return ConnectionNumber(display_); }

ModuleWindow::Change ModuleWindow::TakeEvents() {
    Change change = Change::Unchanged;
    while (!destroyed_ && XPending(display_) > 0) {
        XEvent event{};
        XNextEvent(display_, &event);
        if (event.type == DestroyNotify && event.xdestroywindow.window == window_) {
            destroyed_ = true;
        } else if (event.type == ConfigureNotify && event.xconfigure.window == window_ &&
                   (event.xconfigure.width != width_ || event.xconfigure.height != height_)) {
            width_ = event.xconfigure.width;
            height_ = event.xconfigure.height;
            change = Change::Resized;
        }
    }
    return destroyed_ ? Change::Destroyed : change;
}

}  // namespace nuvo::qt
