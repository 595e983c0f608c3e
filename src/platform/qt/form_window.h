// A form's top-level window in Qt widgets, built from the form's design: the saver's
// full-screen surface or the dialog with its native controls.
#pragma once

#include <QImage>
#include <QWidget>

#include <vector>

#include "ui/form_design.h"
#include "ui/platform_port.h"

class QButtonGroup;
class QRadioButton;

namespace nuvo::qt {

class FormWindow : public QWidget {
public:
    FormWindow(const TFormDesign& design, WindowEvents& events);

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

    // Shows the bitmap at once; the widget keeps showing it (on exposure too) until the
    // next one. The bitmap's memory is used in place and must outlive the window.
    void Present(TRect clientRect, const TBitmap& bitmap);

    int ControlValue(int component) const;
    void SetControlValue(int component, int value);
    int FocusedComponent() const;
    void FocusComponent(int component);
    TPoint CursorPosition() const;

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
    QImage presented_;
    QPoint presentedAt_;
    int grabAttempts_ = 0;
};

}  // namespace nuvo::qt
