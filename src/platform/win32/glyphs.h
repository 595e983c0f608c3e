// The glyphs of the OK and Cancel buttons: small icons drawn in code, so the program
// carries no image files.
#pragma once

#include <windows.h>

#include "ui/form_design.h"

namespace nuvo::win32 {

constexpr int kGlyphSize = 16;

// A 16 x 16 icon for the button kind (a green tick for OK, a red cross for Cancel), or
// nullptr for a custom button. The caller destroys it with DestroyIcon.
HICON CreateButtonGlyph(TBitBtnKind kind);

}  // namespace nuvo::win32
