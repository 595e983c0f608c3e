#include "platform/qt/key_codes.h"

#include <utility>

namespace nuvo::qt {
namespace {

// Keys whose Qt code differs from the virtual-key code.
constexpr std::pair<int, TKeyCode> kKeyTable[] = {
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, keys::vkTab}, {Qt::Key_Backtab, keys::vkTab},
    {Qt::Key_Clear, 0x0C}, {Qt::Key_Return, keys::vkReturn}, {Qt::Key_Enter, keys::vkReturn},
    {Qt::Key_Shift, keys::vkShift}, {Qt::Key_Control, keys::vkControl},
    {Qt::Key_Alt, keys::vkMenu}, {Qt::Key_AltGr, keys::vkMenu}, {Qt::Key_Pause, 0x13},
    {Qt::Key_CapsLock, 0x14}, {Qt::Key_Kana_Shift, 0x15}, {Qt::Key_Kanji, 0x19},
    {Qt::Key_Escape, keys::vkEscape}, {Qt::Key_Henkan, 0x1C}, {Qt::Key_Muhenkan, 0x1D},
    {Qt::Key_Space, keys::vkSpace}, {Qt::Key_PageUp, 0x21}, {Qt::Key_PageDown, 0x22},
    {Qt::Key_End, 0x23}, {Qt::Key_Home, 0x24}, {Qt::Key_Left, keys::vkLeft},
    {Qt::Key_Up, keys::vkUp}, {Qt::Key_Right, keys::vkRight}, {Qt::Key_Down, keys::vkDown},
    {Qt::Key_Select, 0x29}, {Qt::Key_Printer, 0x2A}, {Qt::Key_Execute, 0x2B},
    {Qt::Key_Print, 0x2C}, {Qt::Key_SysReq, 0x2C}, {Qt::Key_Insert, 0x2D},
    {Qt::Key_Delete, 0x2E}, {Qt::Key_Help, 0x2F}, {Qt::Key_Meta, 0x5B},
    {Qt::Key_Super_L, 0x5B}, {Qt::Key_Super_R, 0x5C}, {Qt::Key_Menu, 0x5D},
    {Qt::Key_Sleep, 0x5F}, {Qt::Key_NumLock, 0x90}, {Qt::Key_ScrollLock, 0x91},
    {Qt::Key_Semicolon, 0xBA}, {Qt::Key_Plus, 0xBB}, {Qt::Key_Equal, 0xBB},
    {Qt::Key_Comma, 0xBC}, {Qt::Key_Minus, 0xBD}, {Qt::Key_Period, 0xBE},
    {Qt::Key_Slash, 0xBF}, {Qt::Key_BracketLeft, 0xDB}, {Qt::Key_BracketRight, 0xDD},
};

}  // namespace

TKeyCode VirtualKeyFor(const QKeyEvent& event) {
    const int key = event.key();
    const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        // Keypad digits have codes of their own (VK_NUMPAD0 to VK_NUMPAD9).
        return static_cast<TKeyCode>(keypad ? 0x60 + (key - Qt::Key_0) : key);
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<TKeyCode>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        return static_cast<TKeyCode>(0x70 + (key - Qt::Key_F1));
    }
    if (keypad) {
        switch (key) {
            case Qt::Key_Asterisk: return 0x6A;
            case Qt::Key_Plus: return 0x6B;
            case Qt::Key_Minus: return 0x6D;
            case Qt::Key_Period: return 0x6E;
            case Qt::Key_Slash: return 0x6F;
            default: break;
        }
    }
    for (const auto& [qtKey, virtualKey] : kKeyTable) {
        if (qtKey == key) return virtualKey;
    }
    return kUnmappedKey;
}

TShiftState ShiftStateFor(Qt::KeyboardModifiers modifiers) {
    return TShiftState{.shift = modifiers.testFlag(Qt::ShiftModifier),
                       .ctrl = modifiers.testFlag(Qt::ControlModifier),
                       .alt = modifiers.testFlag(Qt::AltModifier)};
}

}  // namespace nuvo::qt
