// Bitmap memory straight from the kernel, for the saver's full-screen images.
#pragma once

#include <memory>

#include "ui/graphics.h"

namespace nuvo::qt {

// Zeroed anonymous pages, in 2 MiB pages where the kernel has them: a 3840x2160 image
// then takes 16 page faults instead of 8100 when it is first written, which is most of the
// saver's start-up on a virtual machine. Falls back to the heap when the map fails.
std::unique_ptr<BitmapMemory> AllocatePageBitmapMemory(int width, int height);

}  // namespace nuvo::qt
