#pragma once

#include "core/desk/queue.h"
#include "gui/services/commandgate.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTextEdit;

// What the reply screen tells the screen that opened it.
struct ReplyHooks
{
    // The reply was recorded: the grievance is closed and no longer held.
    std::function<void()> sent;
    // The grievance was released by an administrator meanwhile; nothing was
    // written.
    std::function<void()> notHeld;
};

// The reply screen: answers a grievance, records the reply, closes the
// grievance and mails the answer through the relay. It works on the grievance
// it was handed, as the desk showed it when it was picked.
class ReplyDialog : public QDialog
{
    Q_OBJECT
public:
    ReplyDialog(desk::Grievance grievance, ReplyHooks hooks, QWidget *parent = nullptr);

    // The Send command (`cmd(0)`).
    void send();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void fill();
    void sendCommand();

    const desk::Grievance m_grievance;
    const ReplyHooks m_hooks;
    CommandGate m_gate;
    bool m_filled = false;

    QLineEdit *m_univText;         // text(11)
    QLineEdit *m_typeText;         // text(5)
    QLineEdit *m_to;               // text(0)
    QLineEdit *m_mobileText;       // text(3)
    QLineEdit *m_cc;               // text(1)
    QLineEdit *m_subjectText;      // text(2)
    QPlainTextEdit *m_messageText; // text(4)
    QTextEdit *m_rtb;
    QCheckBox *m_reset;  // chk(0)
    QLabel *m_ack;       // lback
    QPushButton *m_send; // cmd(0)
};
