#include "gui/services/commandgate.h"

#include <QApplication>

bool CommandGate::run(const QList<QWidget *> &controls, const std::function<void()> &command)
{
    if (m_busy)
        return false;
    m_busy = true;

    const QPointer<QWidget> focus = QApplication::focusWidget();
    QList<QPointer<QWidget>> disabled;
    for (QWidget *control : controls) {
        if (control && control->isEnabled()) {
            control->setEnabled(false);
            disabled << control;
        }
    }
    // Where disabling moved the focus: a command that moves it elsewhere
    // keeps its choice.
    const QPointer<QWidget> movedTo = QApplication::focusWidget();

    struct Restore
    {
        bool &busy;
        const QList<QPointer<QWidget>> &disabled;
        const QPointer<QWidget> &focus;
        const QPointer<QWidget> &movedTo;
        ~Restore()
        {
            busy = false;
            for (const QPointer<QWidget> &control : disabled)
                if (control) // the command may have closed the screen
                    control->setEnabled(true);
            if (focus && focus != movedTo && QApplication::focusWidget() == movedTo && focus->isEnabled() &&
                focus->isVisible())
                focus->setFocus();
        }
    } restore{m_busy, disabled, focus, movedTo};

    command();
    return true;
}
