#include "ui/forms.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

namespace nuvo {

// --- TCanvas ---------------------------------------------------------------------------

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    if (x2 < x1) std::swap(x1, x2);
    if (y2 < y1) std::swap(y1, y2);
    const int left = std::max(x1, 0);
    const int right = std::min(x2, bitmap_.Width());
    const int top = std::max(y1, 0);
    const int bottom = std::min(y2, bitmap_.Height());
    if (left >= right) return;  // so x2 > 0 and x2 - 1 below cannot overflow
    for (int y = top; y < bottom; ++y) {
        std::uint32_t* row = bitmap_.Row(y);
        const bool edgeRow = y == y1 || y == y2 - 1;
        std::fill(row + left, row + right, edgeRow ? Pen.Color : Brush.Color);
        if (edgeRow) continue;
        if (x1 >= left) row[x1] = Pen.Color;
        if (x2 <= right) row[x2 - 1] = Pen.Color;
    }
}

void TCanvas::CopyFrom(const TCanvas& source, int destX, int destY, int width, int height,
                       int sourceX, int sourceY) {
    const TBitmap& from = source.bitmap_;
    const std::optional<ClippedCopy> copy =
        ClipCopy(bitmap_, from, destX, destY, width, height, sourceX, sourceY);
    if (!copy) return;
    for (int row = 0; row < copy->height; ++row) {
        std::memmove(bitmap_.Row(copy->destY + row) + copy->destX,
                     from.Row(copy->sourceY + row) + copy->sourceX,
                     static_cast<std::size_t>(copy->width) * sizeof(std::uint32_t));
    }
}

// --- components --------------------------------------------------------------------------

TControl::TControl(TForm& owner, int index, const TComponentDesign& design)
    : owner_(owner), index_(index), design_(design), bounds_(design.bounds) {}

PlatformPort& TControl::Port() { return owner_.Application().Port(); }
PlatformWindow& TControl::Window() { return owner_.Window(); }

TCanvas& TImage::Canvas() {
    if (!canvas_) {
        bitmap_.emplace(Width(), Height(), Visible() ? Port().CreateDisplayBitmapMemory(Window(), Width(), Height())
                                                     : Port().CreateBitmapMemory(Width(), Height()));
        canvas_.emplace(*bitmap_);
    }
    return *canvas_;
}

void TImage::Refresh() {
    if (bitmap_ && Visible()) Window().Present(BoundsRect(), *bitmap_);
}

TRadioGroup::TRadioGroup(TForm& owner, int index, const TComponentDesign& design)
    : TControl(owner, index, design) {}

int TRadioGroup::ItemIndex() { return Window().ControlValue(Index()); }

void TRadioGroup::SetItemIndex(int value) {
    value = std::clamp(value, -1, ItemCount() - 1);
    Window().SetControlValue(Index(), value);
}

TScrollBar::TScrollBar(TForm& owner, int index, const TComponentDesign& design)
    : TControl(owner, index, design) {}

int TScrollBar::Position() { return Window().ControlValue(Index()); }

void TScrollBar::SetPosition(int value) {
    Window().SetControlValue(Index(), std::clamp(value, Min(), Max()));
}

TCheckBox::TCheckBox(TForm& owner, int index, const TComponentDesign& design)
    : TControl(owner, index, design) {}

bool TCheckBox::Checked() { return Window().ControlValue(Index()) != 0; }

void TCheckBox::SetChecked(bool value) { Window().SetControlValue(Index(), value ? 1 : 0); }

void TBitBtn::Click() {
    if (OnClick) OnClick();
}

// --- TForm -------------------------------------------------------------------------------

namespace {

std::unique_ptr<TControl> MakeControl(TForm& form, int index, const TComponentDesign& design) {
    switch (design.kind) {
        case TComponentKind::Image: return std::make_unique<TImage>(form, index, design);
        case TComponentKind::Label: return std::make_unique<TLabel>(form, index, design);
        case TComponentKind::RadioGroup: return std::make_unique<TRadioGroup>(form, index, design);
        case TComponentKind::ScrollBar: return std::make_unique<TScrollBar>(form, index, design);
        case TComponentKind::CheckBox: return std::make_unique<TCheckBox>(form, index, design);
        case TComponentKind::BitBtn: return std::make_unique<TBitBtn>(form, index, design);
    }
    throw std::logic_error("unknown component kind");
}

}  // namespace

TForm::TForm(TApplication& application, const TFormDesign& design)
    : application_(application), design_(design), bounds_(design.bounds) {
    for (std::size_t i = 0; i < design.components.size(); ++i) {
        components_.push_back(MakeControl(*this, static_cast<int>(i), design.components[i]));
        const TComponentDesign& d = design.components[i];
        if (d.tabOrder >= 0 && d.visible && d.enabled) tabStops_.push_back(static_cast<int>(i));
    }
    std::ranges::stable_sort(tabStops_, {}, [&](int component) {
        return design.components[static_cast<std::size_t>(component)].tabOrder;
    });
    window_ = application_.Port().CreateFormWindow(design_, *this);
}

TForm::~TForm() = default;

void TForm::SetBounds(int left, int top, int width, int height) {
    bounds_ = {left, top, width, height};
    window_->SetBounds(bounds_);
}

void TForm::Show() {
    window_->Show();
    if (!tabStops_.empty() && window_->FocusedComponent() < 0) window_->FocusComponent(tabStops_.front());
    lastMouseAt_ = window_->CursorPosition();
}

void TForm::Close() {
    TCloseAction action = TCloseAction::caHide;
    if (OnClose) OnClose(action);
    if (action == TCloseAction::caNone) return;
    // The program's forms are all main windows: closing one ends the application.
    if (application_.MainForm() == this) application_.Terminate();
}

int TForm::ComponentIndexOrThrow(std::string_view name) const {
    const int index = ComponentIndex(design_, name);
    if (index < 0) throw std::logic_error("no component named " + std::string(name));
    return index;
}

TBitBtn* TForm::ButtonAt(int component) {
    if (component < 0 || component >= static_cast<int>(components_.size())) return nullptr;
    return dynamic_cast<TBitBtn*>(components_[static_cast<std::size_t>(component)].get());
}

template <class F>
void TForm::Guarded(F&& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        application_.ShowException(error);
    }
}

void TForm::AfterConstruction() {
    Guarded([&] {
        if (OnCreate) OnCreate();
    });
    if (design_.visible) Show();
}

void TForm::SelectNextControl(bool forward) {
    if (tabStops_.empty()) return;
    const auto at = std::ranges::find(tabStops_, window_->FocusedComponent());
    const auto count = static_cast<std::ptrdiff_t>(tabStops_.size());
    std::ptrdiff_t next;
    if (at == tabStops_.end()) {
        next = forward ? 0 : count - 1;
    } else {
        next = ((at - tabStops_.begin()) + (forward ? 1 : count - 1)) % count;
    }
    window_->FocusComponent(tabStops_[static_cast<std::size_t>(next)]);
}

bool TForm::DialogKey(TKeyCode key, TShiftState shift) {
    if (key == keys::vkTab && !shift.ctrl && !shift.alt) {
        SelectNextControl(!shift.shift);
        return true;
    }
    if (shift.shift || shift.ctrl || shift.alt) return false;
    TBitBtn* target = nullptr;
    if (key == keys::vkReturn) {
        // The focused button takes Enter; otherwise the default button does.
        target = ButtonAt(window_->FocusedComponent());
        for (std::size_t i = 0; target == nullptr && i < components_.size(); ++i) {
            TBitBtn* button = ButtonAt(static_cast<int>(i));
            if (button != nullptr && button->Default()) target = button;
        }
    } else if (key == keys::vkEscape) {
        for (std::size_t i = 0; target == nullptr && i < components_.size(); ++i) {
            TBitBtn* button = ButtonAt(static_cast<int>(i));
            if (button != nullptr && button->Cancel()) target = button;
        }
    }
    if (target == nullptr) return false;
    target->Click();
    return true;
}

void TForm::MouseMove(int x, int y, TShiftState shift) {
    const TPoint at{x, y};
    if (lastMouseAt_ == at) return;  // a platform's report of a pointer that stayed put
    lastMouseAt_ = at;
    Guarded([&] {
        if (OnMouseMove) OnMouseMove(shift, x, y);
    });
}

void TForm::MouseDown(TMouseButton button, int x, int y, TShiftState shift) {
    shiftAlone_ = false;
    Guarded([&] {
        if (OnMouseDown) OnMouseDown(button, shift, x, y);
    });
}

bool TForm::KeyDown(TKeyCode key, TShiftState shift) {
    if (key == keys::vkShift) {
        if (!shiftHeld_) shiftAlone_ = true;  // a held Shift repeats its key-down
        shiftHeld_ = true;
        return false;  // no key press (yet): the focused control sees Shift go down
    }
    shiftAlone_ = false;
    return KeyPressed(key, shift);
}

void TForm::KeyUp(TKeyCode key, TShiftState shift) {
    if (key != keys::vkShift) return;
    const bool pressedAlone = shiftHeld_ && shiftAlone_;
    shiftHeld_ = false;
    shiftAlone_ = false;
    if (!pressedAlone) return;
    shift.shift = true;
    KeyPressed(keys::vkShift, shift);
}

bool TForm::KeyPressed(TKeyCode key, TShiftState shift) {
    bool used = false;
    Guarded([&] {
        if (DialogKey(key, shift)) {
            used = true;
        } else if (design_.keyPreview && OnKeyDown) {
            TKeyCode handlerKey = key;
            OnKeyDown(handlerKey, shift);
            used = handlerKey == 0;  // a handler clears the key to swallow it
        }
    });
    return used;
}

void TForm::ControlClicked(int component) {
    Guarded([&] {
        if (TBitBtn* button = ButtonAt(component)) button->Click();
    });
}

void TForm::CloseRequested() {
    Guarded([&] { Close(); });
}

}  // namespace nuvo
