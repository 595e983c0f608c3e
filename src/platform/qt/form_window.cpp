#include "platform/qt/form_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include "platform/qt/key_codes.h"
#include "platform/qt/page_memory.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/qt/x_frame_presenter.h"

namespace nuvo::qt {
namespace {

QRect ToQRect(TRect r) { return QRect(r.left, r.top, r.width, r.height); }

QColor ToQColor(TColor color) {
    return QColor(static_cast<int>((color >> 16) & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>(color & 0xFF));
}

Qt::WindowFlags FlagsFor(const TFormDesign& design) {
    Qt::WindowFlags flags = Qt::Window;
    if (design.borderStyle == TBorderStyle::bsNone) {
        // Bypassing the window manager keeps panels and docks from drawing over the saver.
        flags |= Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint;
    } else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint;
        if (!design.systemMenuOnly) flags |= Qt::WindowMinimizeButtonHint;
    }
    if (design.stayOnTop) flags |= Qt::WindowStaysOnTopHint;
    return flags;
}

TMouseButton ButtonFor(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton: return TMouseButton::mbLeft;
        case Qt::RightButton: return TMouseButton::mbRight;
        case Qt::MiddleButton: return TMouseButton::mbMiddle;
        default: return TMouseButton::mbOther;
    }
}

// A scroll bar with the keys of the Windows control: Left and Up step back, Right and Down
// forward, Page Up and Page Down by a page, Home and End to the ends. (Qt's own horizontal
// scroll bar turns Left and Right round.)
class StepScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        SliderAction action = SliderNoAction;
        switch (event->key()) {
            case Qt::Key_Left:
            case Qt::Key_Up: action = SliderSingleStepSub; break;
            case Qt::Key_Right:
            case Qt::Key_Down: action = SliderSingleStepAdd; break;
            case Qt::Key_PageUp: action = SliderPageStepSub; break;
            case Qt::Key_PageDown: action = SliderPageStepAdd; break;
            case Qt::Key_Home: action = SliderToMinimum; break;
            case Qt::Key_End: action = SliderToMaximum; break;
            default: QScrollBar::keyPressEvent(event); return;
        }
        triggerAction(action);
    }
};

// How long the saver keeps trying to take the keyboard and the pointer when another
// client holds them (a menu that is open as the saver starts, for example).
constexpr int kGrabAttempts = 50;
constexpr int kGrabRetryMs = 100;
// How long showing the saver waits for the server to put it on the screen.
constexpr int kExposeWaitMs = 500;

}  // namespace

FormWindow::FormWindow(const TFormDesign& design, WindowEvents& events)
    : QWidget(nullptr, FlagsFor(design)), design_(design), events_(&events) {
    setWindowTitle(FromUtf8(design.caption));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, ToQColor(design.color));
    setPalette(colours);
    setAutoFillBackground(!IsSaverSurface());
    if (IsSaverSurface()) {
        // Every pixel is ours, put straight into the window: its bitmap or its colour,
        // nothing else, and no backing store in between.
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setAttribute(Qt::WA_PaintOnScreen);
    }
    setMouseTracking(true);
    SetBounds(design.bounds);
    BuildControls();
    // The native window exists from here on; its key presses go through eventFilter.
    winId();
    windowHandle()->installEventFilter(this);
    if (IsSaverSurface()) {
        presenterConnection_ = X11Desktop::OpenConnection();
        if (presenterConnection_) {
            presenter_ = std::make_unique<XFramePresenter>(presenterConnection_.get(), winId());
        } else if (_XDisplay* qtDisplay = X11Desktop::QtDisplay()) {
            presenter_ = std::make_unique<XFramePresenter>(qtDisplay, winId(), false);
        }
    }
}

FormWindow::~FormWindow() = default;

void FormWindow::BuildControls() {
    if (design_.fontHeight > 0) setFont(JapaneseFont(design_.fontHeight));
    controls_.reserve(design_.components.size());
    for (std::size_t i = 0; i < design_.components.size(); ++i) {
        controls_.push_back(BuildControl(static_cast<int>(i), design_.components[i]));
    }
}

FormWindow::Control FormWindow::BuildControl(int index, const TComponentDesign& component) {
    Control control;
    switch (component.kind) {
        case TComponentKind::Image:
            return control;
        case TComponentKind::Label: {
            auto* label = new QLabel(FromUtf8(component.text), this);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            control.widget = label;
            break;
        }
        case TComponentKind::RadioGroup: {
            auto* box = new QGroupBox(FromUtf8(component.text), this);
            control.widget = box;
            control.group = new QButtonGroup(box);
            // One column; the items share the space inside the frame evenly, as the
            // designed radio group arranges them.
            auto* column = new QVBoxLayout(box);
            column->setContentsMargins(4, 0, 4, 0);
            column->setSpacing(0);
            for (std::size_t item = 0; item < component.items.size(); ++item) {
                auto* button = new QRadioButton(FromUtf8(component.items[item]), box);
                button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
                column->addWidget(button);
                control.group->addButton(button, static_cast<int>(item));
                control.items.push_back(button);
            }
            break;
        }
        case TComponentKind::ScrollBar: {
            auto* bar = new StepScrollBar(Qt::Horizontal, this);
            bar->setRange(component.min, component.max);
            bar->setSingleStep(component.smallChange);
            bar->setPageStep(component.largeChange);
            bar->setValue(component.position);
            bar->setFocusPolicy(Qt::StrongFocus);
            control.widget = bar;
            break;
        }
        case TComponentKind::CheckBox: {
            auto* box = new QCheckBox(FromUtf8(component.text), this);
            box->setChecked(component.checked);
            control.widget = box;
            break;
        }
        case TComponentKind::BitBtn: {
            auto* button = new QPushButton(FromUtf8(component.text), this);
            if (component.buttonKind == TBitBtnKind::bkOK) {
                button->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
            } else if (component.buttonKind == TBitBtnKind::bkCancel) {
                button->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
            }
            // Enter and Esc belong to the form library's dialog keys; the button itself
            // must not act on them.
            button->setAutoDefault(false);
            button->setDefault(false);
            connect(button, &QPushButton::clicked, this, [this, index] {
                if (events_) events_->ControlClicked(index);
            });
            control.widget = button;
            break;
        }
    }
    control.widget->setGeometry(ToQRect(component.bounds));
    control.widget->setEnabled(component.enabled);
    control.widget->setVisible(component.visible);
    // A control that is no tab stop still takes the focus when clicked.
    if (component.tabOrder < 0 && control.widget->focusPolicy() != Qt::NoFocus) {
        control.widget->setFocusPolicy(Qt::ClickFocus);
    }
    return control;
}

void FormWindow::SetBounds(TRect bounds) {
    if (design_.borderStyle == TBorderStyle::bsSingle) setFixedSize(bounds.width, bounds.height);
    setGeometry(ToQRect(bounds));
}

void FormWindow::ShowForm() {
    if (design_.screenCenter) {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        move(screen.left() + (screen.width() - width()) / 2,
             screen.top() + (screen.height() - height()) / 2);
    }
    show();
    raise();
    activateWindow();
    if (IsSaverSurface()) {
        WaitUntilExposed();
        GrabInput();
    }
}

// The saver's first frame follows at once and must reach the screen, and the grabs need a
// viewable window. Input and close signals wait meanwhile; nothing reaches the form library.
void FormWindow::WaitUntilExposed() {
    QElapsedTimer waited;
    waited.start();
    while (!windowHandle()->isExposed() && waited.elapsed() < kExposeWaitMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::ExcludeSocketNotifiers);
        if (!windowHandle()->isExposed()) QThread::msleep(1);
    }
}

void FormWindow::GrabInput() {
    QWindow* window = windowHandle();
    if (window == nullptr || !isVisible()) return;
    const bool grabbed = window->setKeyboardGrabEnabled(true) && window->setMouseGrabEnabled(true);
    if (!grabbed && ++grabAttempts_ < kGrabAttempts) {
        QTimer::singleShot(kGrabRetryMs, this, [this] { GrabInput(); });
    }
}

void FormWindow::SetCursorHidden(bool hidden) {
    if (hidden) {
        setCursor(Qt::BlankCursor);
    } else {
        unsetCursor();
    }
}

std::unique_ptr<BitmapMemory> FormWindow::CreateImageMemory(int width, int height) {
    return presenter_ ? presenter_->CreateImageMemory(width, height) : AllocatePageBitmapMemory(width, height);
}

void FormWindow::Present(TRect clientRect, const TBitmap& bitmap) {
    presented_ = &bitmap;
    presentedRect_ = clientRect;
    if (presenter_) presenter_->Present(bitmap, clientRect);
}

QPaintEngine* FormWindow::paintEngine() const {
    return IsSaverSurface() ? nullptr : QWidget::paintEngine();
}

// The saver surface shows its last frame again; before the first, its colour.
void FormWindow::paintEvent(QPaintEvent* event) {
    if (!IsSaverSurface()) {
        QWidget::paintEvent(event);
        return;
    }
    if (!presenter_) return;
    const QRect imageRect = ToQRect(presentedRect_);
    if (presented_ == nullptr || !imageRect.contains(event->rect())) {
        presenter_->Fill(TRect{0, 0, width(), height()}, design_.color);
    }
    if (presented_ != nullptr) presenter_->Present(*presented_, presentedRect_);
}

int FormWindow::ControlValue(int component) const {
    const Control& control = controls_.at(static_cast<std::size_t>(component));
    switch (design_.components[static_cast<std::size_t>(component)].kind) {
        case TComponentKind::RadioGroup: return control.group->checkedId();
        case TComponentKind::ScrollBar: return static_cast<QScrollBar*>(control.widget)->value();
        case TComponentKind::CheckBox:
            return static_cast<QCheckBox*>(control.widget)->isChecked() ? 1 : 0;
        default: return 0;
    }
}

void FormWindow::SetControlValue(int component, int value) {
    const Control& control = controls_.at(static_cast<std::size_t>(component));
    switch (design_.components[static_cast<std::size_t>(component)].kind) {
        case TComponentKind::RadioGroup:
            if (value >= 0 && value < static_cast<int>(control.items.size())) {
                control.items[static_cast<std::size_t>(value)]->setChecked(true);
            } else if (QAbstractButton* checked = control.group->checkedButton()) {
                // An exclusive group never lets its last item go; clear it in between.
                control.group->setExclusive(false);
                checked->setChecked(false);
                control.group->setExclusive(true);
            }
            break;
        case TComponentKind::ScrollBar:
            static_cast<QScrollBar*>(control.widget)->setValue(value);
            break;
        case TComponentKind::CheckBox:
            static_cast<QCheckBox*>(control.widget)->setChecked(value != 0);
            break;
        default:
            break;
    }
}

int FormWindow::FocusedComponent() const {
    const QWidget* focused = focusWidget();
    if (focused == nullptr) return -1;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const QWidget* widget = controls_[i].widget;
        if (widget != nullptr && (widget == focused || widget->isAncestorOf(focused))) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

TPoint FormWindow::CursorPosition() const {
    const QPoint at = mapFromGlobal(QCursor::pos());
    return {at.x(), at.y()};
}

void FormWindow::FocusComponent(int component) {
    const Control& control = controls_.at(static_cast<std::size_t>(component));
    if (!control.items.empty()) {
        // A radio group takes the focus on its selected item, or its first.
        QAbstractButton* item = control.group->checkedButton();
        (item ? item : control.items.front())->setFocus(Qt::TabFocusReason);
    } else if (control.widget != nullptr) {
        control.widget->setFocus(Qt::TabFocusReason);
    }
}

// Key presses and releases reach the window before any widget: the form library sees
// every key, Tab and Shift included, and only the presses it leaves go on to the focused
// control. Qt reports a held key as releases and presses marked auto-repeat; the key was
// not let go, so only its presses are told.
bool FormWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != windowHandle()) return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::FocusIn) {
        // A window disabled by a message box hands the keyboard on to the box, as on
        // Windows: a click on the window must not leave the box without its keys.
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal->window() != this) modal->activateWindow();
    }
    if (events_ == nullptr) return false;
    if (event->type() == QEvent::KeyPress) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        return events_->KeyDown(VirtualKeyFor(key), ShiftStateFor(key.modifiers()));
    }
    if (event->type() == QEvent::KeyRelease) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        if (!key.isAutoRepeat()) events_->KeyUp(VirtualKeyFor(key), ShiftStateFor(key.modifiers()));
        return false;
    }
    return QWidget::eventFilter(watched, event);
}

void FormWindow::mouseMoveEvent(QMouseEvent* event) {
    if (events_) {
        const QPoint at = event->position().toPoint();
        events_->MouseMove(at.x(), at.y(), ShiftStateFor(event->modifiers()));
    }
}

void FormWindow::mousePressEvent(QMouseEvent* event) {
    if (events_) {
        const QPoint at = event->position().toPoint();
        events_->MouseDown(ButtonFor(event->button()), at.x(), at.y(),
                           ShiftStateFor(event->modifiers()));
    }
}

// The second press of a double click is a press like the first.
void FormWindow::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

// The close box asks; the form library decides and closes the form itself.
void FormWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    RequestClose();
}

}  // namespace nuvo::qt
