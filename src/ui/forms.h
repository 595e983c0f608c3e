// Forms and their components: the image with its drawing surface, labels, the radio
// group, scroll bars, the check box and buttons with glyphs.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "ui/application.h"
#include "ui/form_design.h"
#include "ui/graphics.h"
#include "ui/platform_port.h"

namespace nuvo {

class TForm;

struct TPen {
    TColor Color = clBlack;
};
struct TBrush {
    TColor Color = 0xFFFFFF;
};

// A drawing surface over a bitmap.
class TCanvas {
public:
    explicit TCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}

    TPen Pen;
    TBrush Brush;

    TBitmap& Bitmap() { return bitmap_; }
    const TBitmap& Bitmap() const { return bitmap_; }

    // Outline one pixel wide in the pen colour, inside in the brush colour; covers the
    // pixels x1 <= x < x2, y1 <= y < y2, clipped to the bitmap.
    void Rectangle(int x1, int y1, int x2, int y2);

    // Copies width x height pixels from (sourceX, sourceY) of `source` to (destX, destY)
    // here; whatever lies outside either bitmap is not copied.
    void CopyFrom(const TCanvas& source, int destX, int destY, int width, int height,
                  int sourceX, int sourceY);

private:
    TBitmap& bitmap_;
};

enum class TCloseAction { caNone, caHide, caFree, caMinimize };

using TNotifyEvent = std::function<void()>;
using TMouseMoveEvent = std::function<void(TShiftState shift, int x, int y)>;
using TMouseEvent = std::function<void(TMouseButton button, TShiftState shift, int x, int y)>;
using TKeyEvent = std::function<void(TKeyCode& key, TShiftState shift)>;
using TCloseEvent = std::function<void(TCloseAction& action)>;

// A component of a form, placed by its design.
class TControl {
public:
    TControl(TForm& owner, int index, const TComponentDesign& design);
    virtual ~TControl() = default;
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    std::string_view Name() const { return design_.name; }
    const TComponentDesign& Design() const { return design_; }
    int Index() const { return index_; }
    TForm& Owner() { return owner_; }

    int Left() const { return bounds_.left; }
    int Top() const { return bounds_.top; }
    int Width() const { return bounds_.width; }
    int Height() const { return bounds_.height; }
    TRect BoundsRect() const { return bounds_; }
    void SetWidth(int width) { bounds_.width = width; }
    void SetHeight(int height) { bounds_.height = height; }
    bool Visible() const { return design_.visible; }

protected:
    PlatformPort& Port();
    PlatformWindow& Window();

private:
    TForm& owner_;
    int index_;
    const TComponentDesign& design_;
    TRect bounds_;
};

// An image: a rectangle showing a bitmap surface, created on first use at the image's
// current size.
class TImage : public TControl {
public:
    using TControl::TControl;
    TCanvas& Canvas();
    // Paints the surface onto the window at once.
    void Refresh();

private:
    std::optional<TBitmap> bitmap_;
    std::optional<TCanvas> canvas_;
};

class TLabel : public TControl {
public:
    using TControl::TControl;
};

class TRadioGroup : public TControl {
public:
    TRadioGroup(TForm& owner, int index, const TComponentDesign& design);
    int ItemIndex();
    // Below -1 becomes -1 (no item selected); past the last item becomes the last.
    void SetItemIndex(int value);
    int ItemCount() const { return static_cast<int>(Design().items.size()); }
};

class TScrollBar : public TControl {
public:
    TScrollBar(TForm& owner, int index, const TComponentDesign& design);
    int Position();
    // Clamped into Min to Max.
    void SetPosition(int value);
    int Min() const { return Design().min; }
    int Max() const { return Design().max; }
};

class TCheckBox : public TControl {
public:
    TCheckBox(TForm& owner, int index, const TComponentDesign& design);
    bool Checked();
    void SetChecked(bool value);
};

class TBitBtn : public TControl {
public:
    using TControl::TControl;
    TNotifyEvent OnClick;
    void Click();
    bool Default() const { return Design().isDefault; }
    bool Cancel() const { return Design().isCancel; }
};

// A top-level window with its components. Handlers raised in event handlers are shown by
// the application's error handler and do not stop the message loop.
class TForm : private WindowEvents {
public:
    TForm(TApplication& application, const TFormDesign& design);
    ~TForm() override;
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;

    TApplication& Application() { return application_; }
    const TFormDesign& Design() const { return design_; }
    PlatformWindow& Window() { return *window_; }

    int Left() const { return bounds_.left; }
    int Top() const { return bounds_.top; }
    int Width() const { return bounds_.width; }
    int Height() const { return bounds_.height; }
    void SetBounds(int left, int top, int width, int height);

    // Shows the window; a form with tab stops gives the first the focus unless a control
    // has it already.
    void Show();
    // Runs OnClose; unless it asks for caNone, the main form terminates the application
    // and any other form hides.
    void Close();

    // The component of that name, which must exist and be of that kind.
    template <class T>
    T& Component(std::string_view name) {
        return dynamic_cast<T&>(*components_.at(static_cast<std::size_t>(
            ComponentIndexOrThrow(name))));
    }

    TNotifyEvent OnCreate;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseDown;
    TKeyEvent OnKeyDown;
    TCloseEvent OnClose;

    // Runs OnCreate, then shows the form if it is designed visible. Called once by the
    // application when construction is complete.
    void AfterConstruction();

private:
    int ComponentIndexOrThrow(std::string_view name) const;
    // A key press: the dialog keys first, then the key handler. True when it was used.
    bool KeyPressed(TKeyCode key, TShiftState shift);
    // Dialog keys: Tab navigation, Enter for the focused or default button, Esc for the
    // cancel button. True when the key was used.
    bool DialogKey(TKeyCode key, TShiftState shift);
    void SelectNextControl(bool forward);
    TBitBtn* ButtonAt(int component);
    template <class F>
    void Guarded(F&& handler);

    // WindowEvents
    void MouseMove(int x, int y, TShiftState shift) override;
    void MouseDown(TMouseButton button, int x, int y, TShiftState shift) override;
    bool KeyDown(TKeyCode key, TShiftState shift) override;
    void KeyUp(TKeyCode key, TShiftState shift) override;
    void ControlClicked(int component) override;
    void CloseRequested() override;

    TApplication& application_;
    const TFormDesign& design_;
    TRect bounds_;
    std::vector<std::unique_ptr<TControl>> components_;
    std::vector<int> tabStops_;  // visible, enabled components with a tab order, in that order
    std::unique_ptr<PlatformWindow> window_;
    // Where the last mouse move was reported (or the pointer was when the form showed): a
    // move event at that same place is no move of the mouse.
    std::optional<TPoint> lastMouseAt_;
    // Shift is down and no other key or button went down since: letting it go is a key
    // press of Shift. A press of its own would make Shift+Tab a key and not navigation.
    bool shiftHeld_ = false;
    bool shiftAlone_ = false;
};

}  // namespace nuvo
