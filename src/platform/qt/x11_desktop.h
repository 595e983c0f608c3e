// The few things the program needs from X11 itself, where Qt has no word for them: the
// window class of any client's window, and the pixels of the whole screen.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "ui/graphics.h"

struct _XDisplay;
class QObject;

namespace nuvo::qt {

// Copies width x height pixels of a window or a pixmap of the screen's depth, from (0, 0),
// into dest at (0, 0), as far as dest reaches; what cannot be read is left as it is.
void ReadDrawablePixels(_XDisplay* display, unsigned long drawable, int width, int height,
                        TBitmap& dest);

struct XConnectionCloser {
    void operator()(_XDisplay* display) const;
};
using XConnection = std::unique_ptr<_XDisplay, XConnectionCloser>;

class X11Desktop {
public:
    // Works on Qt's own connection, so requests are ordered with Qt's (a class set here
    // reaches the server before Qt maps the window); opens one of its own only if Qt's
    // platform has no Xlib display.
    X11Desktop();
    // True if the X display named by $DISPLAY accepts a connection.
    static bool DisplayAvailable();
    ~X11Desktop();
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    // Size of the root window, the whole X screen.
    int ScreenWidth();
    int ScreenHeight();

    // True if a direct child of the root, or the client inside one (the descendant with
    // WM_STATE, under a reparenting window manager), has this WM_CLASS class name.
    bool WindowOfClassExists(std::string_view className);

    // Sets WM_CLASS of one of our windows: instance name, class name.
    void SetWindowClass(unsigned long window, std::string_view instanceName,
                        std::string_view className);

    // Copies the root window's pixels from (0, 0) into dest, as far as both reach.
    void CaptureScreen(TBitmap& dest);

    // The descriptor of the connection, -1 without one.
    int ConnectionDescriptor() const;

    // Qt's own connection (null when Qt's platform has no Xlib display).
    static _XDisplay* QtDisplay();
    // A new connection to the display Qt shows on, for work that must read its own events
    // (Qt's event thread reads all of Qt's); null if the server refuses one.
    static XConnection OpenConnection();

private:
    bool HasClass(unsigned long window, std::string_view className);
    unsigned long ClientWindow(unsigned long frame, int depth);
    // The root window's size, or 0 x 0 without a display.
    TRect RootSize();

    _XDisplay* display_ = nullptr;
    bool ownsDisplay_ = false;
    unsigned long wmState_ = 0;
    // The root size as last asked of the server; asked again once Qt has seen the screens
    // change, so that the frame loop's look at the size costs no round trip.
    TRect rootSize_;
    bool rootSizeKnown_ = false;
    bool watchesScreens_ = false;  // Qt tells when the screens change
    std::unique_ptr<QObject> screenWatch_;
};

}  // namespace nuvo::qt
