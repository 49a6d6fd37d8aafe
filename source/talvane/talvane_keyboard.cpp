// The window at the keyboard: Return presses the focused button, Esc stops
// transmission, and the focus stays out of the transmit settings when a
// state change takes it from a control.

#include "modem_control_panel.h"
#include "talvane.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>

namespace vq_qt {

namespace {

// Outside a dialog a push button leaves Return and Enter to its parents;
// this makes them press it, as Space does.
class Return_presses_button : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            auto* button = qobject_cast<QPushButton*>(watched);
            if (button && (key == Qt::Key_Return || key == Qt::Key_Enter) && button->isEnabled()) {
                button->click();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void Talvane::_init_keyboard()
{
    auto* return_presses = new Return_presses_button(this);
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->installEventFilter(return_presses);
    }
    // Esc only ever kills: pressed twice it does not resume.
    auto* tx_kill = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    tx_kill->setContext(Qt::WindowShortcut);
    connect(tx_kill, &QShortcut::activated, modem_control_panel, &Modem_control_panel::kill_tx);
}

bool Talvane::focusNextPrevChild(bool next)
{
    // A control that is disabled or hidden while it has the focus hands it
    // on along the tab chain. That is a state change, not the operator: the
    // next control may be a transmit setting (the audio level, its text
    // selected, where a stray key changes the level). The focus goes to the
    // control's panel instead, and Tab goes on from there.
    QWidget* focused = focusWidget();
    if (focused && focused != this && (!focused->isEnabled() || !focused->isVisible())) {
        for (QWidget* up = focused->parentWidget(); up && up != this; up = up->parentWidget()) {
            if (up->isEnabled() && up->isVisible()) {
                up->setFocus(Qt::OtherFocusReason);
                return true;
            }
        }
        return false; // the focus is cleared
    }
    return QMainWindow::focusNextPrevChild(next);
}

} // namespace vq_qt
