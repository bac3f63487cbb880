#pragma once

#include "core/desk/overdue.h"
#include "core/desk/queue.h"
#include "core/desk/search.h"
#include "core/desk/status.h"
#include "gui/services/commandgate.h"

#include <QDateTime>
#include <QWidget>

#include <functional>

class ResultGrid;
class MaskedEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTimer;
class QTreeWidgetItem;
class TrailView;
class WrappedList;

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
    // One tick of the poller: clears a stale lock, or picks and refreshes
    // the status summary.
    void pollTick();
    // The status summary: grid and status bar.
    void refreshStatus();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    QPushButton *addCommandButton(const QString &caption, QWidget *parent);
    // Takes the next waiting grievance, if any, and shows it.
    void pickNext();
    void reply();
    void openRemarks();
    void closeRemarks();
    void forward();
    // Refresh: gives the grievance back and waits for the next.
    void giveBack();
    void giveBackAndClose();
    void showGrievance(desk::Grievance g);
    // What is read once per pick beside the grievance: its trail, its age
    // and the sender's other grievances.
    void showPickedDetails();
    // Opens one of the sender's other grievances, read only.
    void showPastGrievance(QTreeWidgetItem *item);
    void clearShown();
    // True when the signed-in user has a level; otherwise says so, once.
    bool levelSet();
    // Starts the poller again; the next tick picks.
    void enablePoller();
    // Back to waiting with empty fields, after the grievance was given up.
    void returnToWaiting();
    QList<QWidget *> commandButtons() const;
    // Runs a handler of this screen. With `repeated` given, a failure equal to
    // the one kept there is not reported again (the poller runs every second)
    // until a run goes through.
    bool runDesk(const std::function<void(int)> &work, QString *repeated = nullptr);
    // After a failed run: when no server answered the reopen (its one message
    // shown), the desk stays usable and each tick tries again quietly.
    void noteServerGone();
    // The quiet try of a tick; true once the server answers again.
    bool serverBack();

    QLineEdit *m_ticketNumber = nullptr;
    QLineEdit *m_grievanceType = nullptr;
    MaskedEdit *m_date = nullptr;
    QLineEdit *m_time = nullptr;
    QLineEdit *m_regNumber = nullptr;
    QLineEdit *m_sender = nullptr;
    QLineEdit *m_subject = nullptr;
    QPlainTextEdit *m_message = nullptr;
    TrailView *m_trail = nullptr; // the grievance's forwards and replies
    QLineEdit *m_mobile = nullptr;
    QLineEdit *m_email = nullptr;
    QLineEdit *m_altEmail = nullptr;
    QLineEdit *m_university = nullptr;
    QLineEdit *m_waiting = nullptr; // since raised and at this level
    QLabel *m_historyNote = nullptr;
    WrappedList *m_history = nullptr; // the sender's other grievances, newest first
    QLabel *m_noneWaiting = nullptr;

    QFrame *m_commandBar = nullptr;
    QPushButton *m_replyButton = nullptr;
    QPushButton *m_forwardButton = nullptr; // opens the remarks panel
    QPushButton *m_refreshButton = nullptr;
    QPushButton *m_closeButton = nullptr;

    QFrame *m_remarksPanel = nullptr;
    QPlainTextEdit *m_remarks = nullptr;
    QPushButton *m_sendForwardButton = nullptr;
    QPushButton *m_cancelForwardButton = nullptr;

    ResultGrid *m_statusGrid = nullptr;
    QLabel *m_pendingTotal = nullptr;
    QLabel *m_repliedTotal = nullptr;
    QStatusBar *m_statusBar = nullptr;
    QTimer *m_poller = nullptr;

    desk::Grievance m_shown;
    QVector<desk::FoundGrievance> m_pastGrievances; // as m_history lists them
    int m_overdueHours = desk::kDefaultOverdueHours;
    bool m_limitStale = true; // read again by the next tick
    desk::OverdueByLine m_overdue;
    QString m_overdueCounts;   // the pending counts the overdue columns were read with
    QDateTime m_overdueReadAt; // invalid: read them on the next refresh
    CommandGate m_gate;
    desk::StaleLockWatch m_watch;
    QString m_tickError; // last failure reported by a tick
    QString m_pickError; // last failure reported by the pick
    bool m_inTick = false;
    bool m_serverGone = false;
    bool m_activated = false;
    bool m_noLevelTold = false;
};
