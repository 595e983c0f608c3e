// The window nuvo_k48 draws in as an xscreensaver module: a window of another client
// (the daemon's, or the preview of its settings page), reached through a connection of
// our own. We never move, map, grab or give it a cursor; we paint frames into it, read the
// picture the daemon left on it, and notice when it changes size or goes away.
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/qt/x_frame_presenter.h"
#include "ui/graphics.h"

struct _XDisplay;

namespace nuvo::qt {

// The window cannot be drawn in; the message is meant for stderr as it stands.
class ModuleWindowError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ModuleWindow {
public:
    // Opens a connection to $DISPLAY, looks at the window and reads its screenshot once.
    // Throws ModuleWindowError when there is no such window or we cannot draw in it.
    explicit ModuleWindow(unsigned long window);
    ~ModuleWindow();
    ModuleWindow(const ModuleWindow&) = delete;
    ModuleWindow& operator=(const ModuleWindow&) = delete;

    // The window's size as of the last events taken.
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Why the window has no picture for us ("" when it has one): the daemon stores the
    // screen it covered as a pixmap in the window's _SCREENSAVER_SCREENSHOT property.
    const std::string& MissingPictureReason() const { return missingPictureReason_; }
    // The screenshot scaled to dest's size, or black without one.
    void DrawPicture(TBitmap& dest) const;

    // Memory for frames that Present shows without copying them where it can.
    std::unique_ptr<BitmapMemory> CreateImageMemory(int width, int height);
    // Paints the bitmap into the rectangle of the window at once.
    void Present(TRect rect, const TBitmap& bitmap);

    // Readable when events for the window arrive.
    int ConnectionDescriptor() const;

    enum class Change { Unchanged, Resized, Destroyed };
    // Takes the events that have arrived: the window destroyed, or its size changed (Width
    // and Height tell the new one).
    Change TakeEvents();

private:
    void ReadScreenshot();
    void CloseConnection();

    _XDisplay* display_ = nullptr;
    unsigned long window_ = 0;
    std::optional<XFramePresenter> presenter_;
    int width_ = 0;
    int height_ = 0;
    bool destroyed_ = false;
    std::optional<TBitmap> screenshot_;
    std::string missingPictureReason_;
};

}  // namespace nuvo::qt
