// Shows frames in an X window straight from the memory the program draws them in: the
// image's pixels live in a MIT-SHM segment the X server has attached, and a frame is one
// XShmPutImage from it. Where the server cannot share memory (no MIT-SHM, a remote display,
// the segment or the attach refused), the same pixels go with a plain XPutImage.
#pragma once

#include <memory>
#include <vector>

#include "ui/graphics.h"

struct _XDisplay;
struct _XImage;

namespace nuvo::qt {

class XFramePresenter {
public:
    // Draws into `window` (any client's) over `display`; both outlive the presenter. Shared
    // memory needs the completion events the server sends on that connection, so only with
    // `ownsEvents` (no other code reads the connection's events: not so on Qt's, which Qt's
    // event thread reads) does the presenter share memory.
    XFramePresenter(_XDisplay* display, unsigned long window, bool ownsEvents = true);
    ~XFramePresenter();
    XFramePresenter(const XFramePresenter&) = delete;
    XFramePresenter& operator=(const XFramePresenter&) = delete;

    // Memory for a width x height image that Present shows without copying it: a shared
    // segment, already marked for removal so that nothing stays behind however the program
    // ends; plain heap memory where the server cannot share.
    std::unique_ptr<BitmapMemory> CreateImageMemory(int width, int height);

    // Puts the bitmap's pixels from (0, 0), as far as they and `target` reach, at target's
    // top-left corner of the window, and returns once the server has read them: the caller
    // may draw the next frame into the same memory at once.
    void Present(const TBitmap& bitmap, TRect target);

    // Paints the rectangle of the window in one colour (what shows before the first frame).
    void Fill(TRect target, TColor color);

    // True when CreateImageMemory gives shared segments.
    bool SharesMemory() const { return shmEventBase_ >= 0; }

    struct Segment;

private:
    Segment* SharedSegmentFor(const TBitmap& bitmap);
    void PutConverted(const TBitmap& bitmap, int x, int y, int width, int height);

    _XDisplay* display_;
    unsigned long window_;
    void* gc_ = nullptr;
    void* visual_ = nullptr;
    int depth_ = 0;
    bool plainRgb32_ = false;  // the window takes our pixel format as it is
    int shmEventBase_ = -1;    // -1: no shared memory with this server
    std::vector<std::weak_ptr<Segment>> segments_;
    _XImage* converted_ = nullptr;  // rows in the window's format, for other visuals
};

}  // namespace nuvo::qt
