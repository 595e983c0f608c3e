// The design of a form as data: window properties and components. The program's two
// windows are described once in src/forms, and every platform builds its windows from
// these descriptions.
#pragma once

#include <span>
#include <string_view>

#include "ui/graphics.h"

namespace nuvo {

enum class TBorderStyle { bsNone, bsSingle };
enum class TComponentKind { Image, Label, RadioGroup, ScrollBar, CheckBox, BitBtn };
enum class TBitBtnKind { bkCustom, bkOK, bkCancel };

struct TComponentDesign {
    TComponentKind kind;
    std::string_view name;
    TRect bounds;                            // within the client area
    std::string_view text = {};              // caption of labels, group, check box, buttons (UTF-8)
    std::span<const std::string_view> items = {};  // radio group items, top to bottom
    int itemIndex = -1;                      // radio group: selected item
    int min = 0;                             // scroll bar range and position
    int max = 0;
    int position = 0;
    int smallChange = 1;                     // scroll bar step for an arrow click
    int largeChange = 1;                     // scroll bar step for a click on the track
    bool checked = false;                    // check box
    TBitBtnKind buttonKind = TBitBtnKind::bkCustom;
    bool isDefault = false;                  // Enter presses it unless another button has the focus
    bool isCancel = false;                   // Esc presses it
    int tabOrder = -1;                       // -1: not a tab stop
    bool visible = true;
    bool enabled = true;
};

struct TFormDesign {
    std::string_view className;              // also the platform's window class name
    std::string_view caption;                // UTF-8
    TBorderStyle borderStyle = TBorderStyle::bsSingle;
    bool systemMenuOnly = false;             // title bar with system menu and close box only
    bool stayOnTop = false;
    bool screenCenter = false;
    TRect bounds;                            // left, top and client width/height as designed
    TColor color = 0xF0F0F0;
    bool keyPreview = false;
    bool visible = false;                    // shown as soon as construction ends
    int fontHeight = 0;                      // pixels
    std::span<const TComponentDesign> components = {};
};

// Index of the named component in the design, or -1.
int ComponentIndex(const TFormDesign& design, std::string_view name);

}  // namespace nuvo
