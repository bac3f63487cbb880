#pragma once

#include "core/desk/queue.h"
#include "gui/services/commandgate.h"

#include <QWidget>

#include <functional>

class ResultGrid;
class MaskedEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class TrailView;

// The grievance desk: hands the signed-in user the next grievance at their
// level, one at a time, and shows it for reading, replying or forwarding.
class DeskScreen : public QWidget
{
    Q_OBJECT
public:
    explicit DeskScreen(QWidget *parent = nullptr);
    ~DeskScreen() override;

    // The displayed grievance (empty when none), as it was picked.
    const desk::Grievance &displayed() const { return m_shown; }

public slots:
    // One tick of the poller.
    void Timer1_Timer();
    // The status summary: grid and status bar.
    void Tkt_Status();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void assignStep();     // cmd(4)
    void replyClicked();   // cmd(0)
    void forwardClicked(); // cmd(5)
    void refreshClicked(); // cmd(6)
    void closeClicked();   // cmd(3)
    void showGrievance(desk::Grievance g);
    void clearShown();
    // Starts the poller again; the next tick picks.
    void enablePoller();
    // Back to waiting with empty fields, after the grievance was given up.
    void returnToWaiting();
    QList<QWidget *> commandButtons() const;
    // Runs a handler of this screen. With `repeated` given, a failure equal to
    // the one kept there is not reported again (the poller runs every second)
    // until a run goes through.
    bool runDesk(const std::function<void(int)> &work, QString *repeated = nullptr);

    QLineEdit *m_text[12] = {};
    QPlainTextEdit *m_message = nullptr; // text(4)
    TrailView *m_trail = nullptr;        // the grievance's forwards and replies
    QPlainTextEdit *m_remarks = nullptr; // text(8)
    MaskedEdit *m_date = nullptr;        // mskdt
    QLabel *m_dbName = nullptr;          // lbdbname
    QLabel *m_alert = nullptr;           // lbalert
    QPushButton *m_cmd[7] = {};
    QFrame *m_buttons = nullptr;      // frame(1)
    QFrame *m_remarksPanel = nullptr; // frame(3)
    ResultGrid *m_grid = nullptr;     // msf
    QLabel *m_panel[2] = {};
    QTimer *m_timer = nullptr; // Timer1

    desk::Grievance m_shown;
    CommandGate m_gate;
    desk::StaleLockWatch m_watch;
    QString m_tickError;   // last failure reported by a tick
    QString m_assignError; // last failure reported by the assignment step
    bool m_inTick = false;
    bool m_activated = false;
};
