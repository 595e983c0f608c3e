// A form's top-level window in Qt widgets, built from the form's design: the saver's
// full-screen surface or the dialog with its native controls.
#pragma once

#include <QWidget>

#include <memory>
#include <vector>

#include "platform/qt/x11_desktop.h"
#include "ui/form_design.h"
#include "ui/platform_port.h"

class QButtonGroup;
class QRadioButton;

namespace nuvo::qt {

class XFramePresenter;

class FormWindow : public QWidget {
public:
    FormWindow(const TFormDesign& design, WindowEvents& events);
    ~FormWindow() override;

    // A borderless form is a saver surface: it bypasses the window manager, stays above
    // everything and takes the keyboard and the pointer while it is shown.
    bool IsSaverSurface() const { return design_.borderStyle == TBorderStyle::bsNone; }

    // After this no event reaches the form library any more (the form is going away).
    void StopEvents() { events_ = nullptr; }

    // Asks the form library to close the form, as the close box does.
    void RequestClose() {
        if (events_) events_->CloseRequested();
    }

    void SetBounds(TRect bounds);
    void ShowForm();
    void SetCursorHidden(bool hidden);

    // Memory for a bitmap of the saver surface that Present shows without a copy.
    std::unique_ptr<BitmapMemory> CreateImageMemory(int width, int height);
    // Shows the bitmap at once; the window shows it again on exposure until the next one.
    // The bitmap must outlive the window.
    void Present(TRect clientRect, const TBitmap& bitmap);

    int ControlValue(int component) const;
    void SetControlValue(int component, int value);
    int FocusedComponent() const;
    void FocusComponent(int component);
    TPoint CursorPosition() const;

    // A saver surface paints itself, past Qt's backing store.
    QPaintEngine* paintEngine() const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Control {
        QWidget* widget = nullptr;            // null for images, which the window paints
        std::vector<QRadioButton*> items;     // radio group items, top to bottom
        QButtonGroup* group = nullptr;
    };

    void BuildControls();
    Control BuildControl(int index, const TComponentDesign& component);
    void WaitUntilExposed();
    void GrabInput();

    const TFormDesign& design_;
    WindowEvents* events_;
    std::vector<Control> controls_;
    // The saver surface's frames go straight to the X server, on a connection of their own
    // where the server allows one.
    XConnection presenterConnection_;
    std::unique_ptr<XFramePresenter> presenter_;
    const TBitmap* presented_ = nullptr;
    TRect presentedRect_;
    int grabAttempts_ = 0;
};

}  // namespace nuvo::qt
