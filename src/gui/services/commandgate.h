#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>

// Runs one command of a screen at a time. While a command runs, including any
// wait inside it (a message box, the pause after a mail, a child process),
// the given controls (the screen's command buttons) are disabled and a second
// click or key press that reaches run() anyway is ignored.
class CommandGate
{
public:
    CommandGate() = default;

    // Runs `command` unless one is already running; returns false when it
    // was ignored for that reason. The controls that were enabled are
    // disabled meanwhile and enabled again afterwards; the focus goes back to
    // where it was unless the command moved it.
    bool run(const QList<QWidget *> &controls, const std::function<void()> &command);
    bool busy() const { return m_busy; }

private:
    bool m_busy = false;
};
