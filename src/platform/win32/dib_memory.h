// Bitmap pixels in a 32-bit top-down DIB section: the form library draws into the very
// memory that GDI copies the screen into and onto windows from.
#pragma once

#include <windows.h>

#include <cstdint>

#include "ui/graphics.h"

namespace nuvo::win32 {

class Win32Port;

class DibMemory final : public BitmapMemory {
public:
    DibMemory(Win32Port& port, int width, int height);
    ~DibMemory() override;
    DibMemory(const DibMemory&) = delete;
    DibMemory& operator=(const DibMemory&) = delete;

    std::uint32_t* Pixels() override { return pixels_; }
    // A memory device context with the DIB section selected.
    HDC Dc() const { return dc_; }
    bool Valid() const { return bitmap_ != nullptr; }

private:
    Win32Port& port_;
    HBITMAP bitmap_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* pixels_ = nullptr;
};

// Describes a 32-bit top-down bitmap of that size, the layout of TBitmap.
BITMAPINFO TopDownBitmapInfo(int width, int height);

}  // namespace nuvo::win32
