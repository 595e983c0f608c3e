// Qt key events in the form library's words: Windows virtual-key codes and shift state.
#pragma once

#include <QKeyEvent>

#include "ui/platform_port.h"

namespace nuvo::qt {

// The virtual-key code a Windows keyboard would report for this key; keys without one
// map to kUnmappedKey, which still counts as a key press.
TKeyCode VirtualKeyFor(const QKeyEvent& event);
inline constexpr TKeyCode kUnmappedKey = 0xFF;

TShiftState ShiftStateFor(Qt::KeyboardModifiers modifiers);

}  // namespace nuvo::qt
