#include "gui/desk/deskscreen.h"

#include "core/desk/forward.h"
#include "core/desk/history.h"
#include "core/desk/status.h"
#include "core/services/database.h"
#include "core/services/handler.h"
#include "core/services/session.h"
#include "gui/desk/pastgrievancedialog.h"
#include "gui/desk/replydialog.h"
#include "gui/desk/trailview.h"
#include "gui/desk/wrappedlist.h"
#include "gui/services/formutil.h"
#include "gui/shell/waitdialog.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kNotHeld = QStringLiteral("This grievance has been released by the administrator and may be "
                                        "handled by another user; it has not been "
                                        "forwarded.");
const QString kNothingShown = QStringLiteral("No grievance is displayed; there is nothing to forward.");
const QString kNoLevel = QStringLiteral("No level is set for your account; ask the administrator");

} // namespace

DeskScreen::DeskScreen(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Receive Grievance . . ."));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();

    // The command buttons wait for a grievance; the remarks panel
    // opens only on Forward.
    m_commandBar->setEnabled(false);
    closeRemarks();

    m_poller = new QTimer(this);
    m_poller->setObjectName(QStringLiteral("poller"));
    m_poller->setInterval(1000);
    connect(m_poller, &QTimer::timeout, this, &DeskScreen::pollTick);
    m_poller->start();
}

DeskScreen::~DeskScreen() = default;

QPushButton *DeskScreen::addCommandButton(const QString &caption, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->installEventFilter(this); // Esc on a button closes the desk
    return button;
}

void DeskScreen::buildControls()
{
    // Widgets are created in tab order.
    const auto caption = [this](const QString &text) { return new QLabel(text, this); };
    const auto field = [this] {
        auto *edit = new QLineEdit(this);
        edit->setReadOnly(true);
        showFromStart(edit);
        return edit;
    };

    auto *fields = new QGridLayout;
    fields->addWidget(caption(QStringLiteral("TKT No.")), 0, 0);
    m_ticketNumber = field();
    m_ticketNumber->setObjectName(QStringLiteral("ticketNumber"));
    fields->addWidget(m_ticketNumber, 0, 1);
    fields->addWidget(caption(QStringLiteral("Type")), 0, 2);
    m_grievanceType = field();
    fields->addWidget(m_grievanceType, 0, 3);
    fields->addWidget(caption(QStringLiteral("Date")), 0, 4);
    m_date = new MaskedEdit(QStringLiteral("##/##/####"), this);
    m_date->setReadOnly(true);
    showFromStart(m_date);
    m_time = field();
    auto *dateBox = new QHBoxLayout;
    dateBox->addWidget(m_date);
    dateBox->addWidget(m_time);
    fields->addLayout(dateBox, 0, 5);

    fields->addWidget(caption(QStringLiteral("From ")), 1, 0);
    m_regNumber = field();
    fields->addWidget(m_regNumber, 1, 1);
    m_sender = field();
    fields->addWidget(m_sender, 1, 2, 1, 4);
    fields->addWidget(caption(QStringLiteral("Subject")), 2, 0);
    m_subject = field();
    fields->addWidget(m_subject, 2, 1, 1, 5);
    fields->addWidget(caption(QStringLiteral("Message")), 3, 0, Qt::AlignTop);
    m_message = new QPlainTextEdit(this);
    m_message->setReadOnly(true);
    m_message->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    fields->addWidget(m_message, 3, 1, 1, 5);
    fields->addWidget(caption(QStringLiteral("Mobile")), 4, 0);
    m_mobile = field();
    fields->addWidget(m_mobile, 4, 1);
    fields->addWidget(caption(QStringLiteral("Email")), 4, 2);
    m_email = field();
    fields->addWidget(m_email, 4, 3, 1, 3);
    // The second address is as long as the first: a row of its own, so the
    // whole address shows.
    fields->addWidget(caption(QStringLiteral("Alt. Email")), 5, 0);
    m_altEmail = field();
    fields->addWidget(m_altEmail, 5, 1, 1, 5);
    fields->addWidget(caption(QStringLiteral("Univ.")), 6, 0);
    m_university = field();
    m_university->setObjectName(QStringLiteral("university"));
    fields->addWidget(m_university, 6, 1, 1, 5);
    fields->addWidget(caption(QStringLiteral("Waiting")), 7, 0);
    m_waiting = field();
    m_waiting->setObjectName(QStringLiteral("waiting"));
    fields->addWidget(m_waiting, 7, 1, 1, 5);
    // The narrow column holds the mobile (20 digits at most) and the
    // registration number: wide enough for a whole mobile number.
    m_mobile->setMinimumWidth(m_mobile->fontMetrics().horizontalAdvance(QString(20, QLatin1Char('0'))) + 12);

    // What happened to the grievance before it reached this desk (a level-2
    // user sees the remarks that came with a forwarded one), and what else
    // its sender wrote.
    auto *sideSplit = new QSplitter(Qt::Vertical, this);
    auto *trailPane = new QWidget(sideSplit);
    auto *trailLayout = new QVBoxLayout(trailPane);
    trailLayout->setContentsMargins(0, 0, 0, 0);
    trailLayout->addWidget(new QLabel(QStringLiteral("Trail"), trailPane));
    m_trail = new TrailView(trailPane);
    trailLayout->addWidget(m_trail);
    auto *historyPane = new QWidget(sideSplit);
    auto *historyLayout = new QVBoxLayout(historyPane);
    historyLayout->setContentsMargins(0, 0, 0, 0);
    m_historyNote = new QLabel(historyPane);
    m_historyNote->setObjectName(QStringLiteral("historyNote"));
    m_historyNote->setWordWrap(true);
    historyLayout->addWidget(m_historyNote);
    m_history = new WrappedList(6, historyPane);
    m_history->setObjectName(QStringLiteral("senderHistory"));
    m_history->setToolTip(QStringLiteral("Enter or double-click: the grievance and its trail"));
    historyLayout->addWidget(m_history);
    sideSplit->setStretchFactor(0, 3);
    sideSplit->setStretchFactor(1, 2);
    fields->addWidget(sideSplit, 0, 6, 8, 1);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);
    fields->setColumnStretch(5, 2);
    fields->setColumnStretch(6, 4);
    fields->setRowStretch(3, 1);

    m_noneWaiting = new QLabel(QStringLiteral("No Inquiries!!"), this);
    QFont alertFont = m_noneWaiting->font();
    alertFont.setBold(true);
    alertFont.setPointSize(alertFont.pointSize() + 4);
    m_noneWaiting->setFont(alertFont);
    m_noneWaiting->setStyleSheet(QStringLiteral("color: red"));
    m_noneWaiting->hide();

    m_commandBar = new QFrame(this);
    m_commandBar->setFrameShape(QFrame::StyledPanel);
    m_replyButton = addCommandButton(QStringLiteral("&Reply"), m_commandBar);
    m_replyButton->setObjectName(QStringLiteral("replyButton"));
    m_forwardButton = addCommandButton(QStringLiteral("&Forward"), m_commandBar);
    m_forwardButton->setObjectName(QStringLiteral("forwardButton"));
    m_refreshButton = addCommandButton(QStringLiteral("Re&fresh"), m_commandBar);
    m_refreshButton->setObjectName(QStringLiteral("refreshButton"));
    m_closeButton = addCommandButton(QStringLiteral("&Close"), m_commandBar);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    auto *commandRow = new QHBoxLayout(m_commandBar);
    for (QPushButton *button : {m_replyButton, m_forwardButton, m_refreshButton, m_closeButton})
        commandRow->addWidget(button);

    m_remarksPanel = new QFrame(this);
    m_remarksPanel->setFrameShape(QFrame::StyledPanel);
    auto *remarksLayout = new QGridLayout(m_remarksPanel);
    remarksLayout->addWidget(caption(QStringLiteral("Remarks")), 0, 0, Qt::AlignTop);
    m_remarks = new QPlainTextEdit(m_remarksPanel);
    m_remarks->setObjectName(QStringLiteral("remarks"));
    m_remarks->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_remarks->setMaximumHeight(90);
    remarksLayout->addWidget(m_remarks, 0, 1, 2, 1);
    m_sendForwardButton = addCommandButton(QStringLiteral("&Forward"), m_remarksPanel);
    m_sendForwardButton->setObjectName(QStringLiteral("sendForwardButton"));
    remarksLayout->addWidget(m_sendForwardButton, 0, 2);
    m_cancelForwardButton = addCommandButton(QStringLiteral("&Close"), m_remarksPanel);
    remarksLayout->addWidget(m_cancelForwardButton, 1, 2);

    auto *summaryFrame = new QFrame(this);
    summaryFrame->setFrameShape(QFrame::StyledPanel);
    m_statusGrid = new ResultGrid(summaryFrame);
    m_statusGrid->horizontalHeader()->hide();
    m_statusGrid->verticalHeader()->hide();
    m_statusGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_statusGrid->setSelectionMode(QAbstractItemView::NoSelection);
    m_statusGrid->setFocusPolicy(Qt::NoFocus);
    auto *summaryLayout = new QVBoxLayout(summaryFrame);
    summaryLayout->addWidget(m_statusGrid);
    summaryFrame->setFixedWidth(410); // the grid's five columns and the frame's margins

    m_statusBar = new QStatusBar(this);
    m_statusBar->setSizeGripEnabled(false);
    m_pendingTotal = new QLabel(m_statusBar);
    m_repliedTotal = new QLabel(m_statusBar);
    for (QLabel *total : {m_pendingTotal, m_repliedTotal}) {
        total->setMinimumWidth(200);
        m_statusBar->addWidget(total);
    }

    auto *left = new QVBoxLayout;
    left->addLayout(fields, 1);
    left->addWidget(m_noneWaiting, 0, Qt::AlignHCenter);
    left->addWidget(m_remarksPanel);
    left->addWidget(m_commandBar);

    auto *body = new QHBoxLayout;
    body->addLayout(left, 1);
    body->addWidget(summaryFrame);

    auto *outer = new QVBoxLayout(this);
    outer->addLayout(body, 1);
    outer->addWidget(m_statusBar);
    resize(1180, 620);

    connect(m_replyButton, &QPushButton::clicked, this, &DeskScreen::reply);
    connect(m_forwardButton, &QPushButton::clicked, this, &DeskScreen::openRemarks);
    connect(m_cancelForwardButton, &QPushButton::clicked, this, &DeskScreen::closeRemarks);
    connect(m_closeButton, &QPushButton::clicked, this, &DeskScreen::giveBackAndClose);
    connect(m_sendForwardButton, &QPushButton::clicked, this, &DeskScreen::forward);
    connect(m_refreshButton, &QPushButton::clicked, this, &DeskScreen::giveBack);
    connect(m_history, &QTreeWidget::itemActivated, this, &DeskScreen::showPastGrievance);
}

void DeskScreen::openRemarks()
{
    m_remarksPanel->show();
    m_remarksPanel->setEnabled(true);
}

void DeskScreen::closeRemarks()
{
    m_remarksPanel->hide();
    m_remarksPanel->setEnabled(false);
}

QList<QWidget *> DeskScreen::commandButtons() const
{
    return {m_replyButton, m_forwardButton,     m_cancelForwardButton,
            m_closeButton, m_sendForwardButton, m_refreshButton};
}

void DeskScreen::enablePoller()
{
    m_limitStale = true;
    m_watch = desk::StaleLockWatch();
    m_poller->start();
}

bool DeskScreen::runDesk(const std::function<void(int)> &work, QString *repeated)
{
    HandlerOptions options;
    options.style = ErrorStyle::DescriptionNumber;
    options.icon = Icon::Exclamation;
    if (!repeated)
        return runHandled(options, work);
    bool silenced = false;
    const bool ok = runHandled(options, [&](int attempt) {
        try {
            work(attempt);
            repeated->clear();
        } catch (const AppError &error) {
            if (error.isGoneAway())
                throw;
            const QString text = formatError(ErrorStyle::DescriptionNumber, error);
            if (text == *repeated) {
                silenced = true; // already said; a tick every second must not repeat it
                return;
            }
            *repeated = text;
            throw;
        }
    });
    return ok && !silenced;
}

void DeskScreen::noteServerGone()
{
    if (Conn::isOpen() || m_serverGone)
        return;
    m_serverGone = true;
    m_statusBar->showMessage(QStringLiteral("No answer from the server: trying again . . ."));
    m_poller->start();
}

bool DeskScreen::serverBack()
{
    if (!Conn::open(Conn::Greeting::Glance))
        return false;
    m_serverGone = false;
    m_statusBar->clearMessage();
    // A grievance shown when the server went keeps the desk as it was: no
    // ticks until it is replied to, forwarded or given back.
    if (!m_shown.tktid.isEmpty()) {
        m_poller->stop();
        return false;
    }
    return true;
}

void DeskScreen::pollTick()
{
    // A message box shown by a tick or a command runs its own event loop; the
    // ticks that fire meanwhile are skipped.
    if (m_inTick || m_gate.busy())
        return;
    if (m_serverGone && !serverBack())
        return;
    m_inTick = true;
    if (!levelSet()) {
        m_inTick = false;
        return;
    }
    runDesk(
            [this](int) {
                if (!desk::lockFree()) {
                    if (m_watch.heldTooLong(true, ui().now()))
                        desk::clearStaleLock(); // left by a stopped client; the next tick picks
                    return;
                }
                m_watch.heldTooLong(false, ui().now());
                pickNext();
                if (!Conn::isOpen())
                    return; // the pick found no server, and said so
                // The limit changes seldom: read when the desk starts waiting
                // again, not on every tick.
                if (m_limitStale) {
                    m_overdueHours = desk::overdueHours();
                    m_limitStale = false;
                    m_overdueReadAt = QDateTime();
                }
                refreshStatus();
                WaitDialog::closeIfOpen();
            },
            &m_tickError);
    noteServerGone();
    m_inTick = false;
}

bool DeskScreen::levelSet()
{
    // Blanks count as no level, as the Users screen shows them.
    if (!session().userLevel.trimmed().isEmpty())
        return true;
    if (!m_noLevelTold) {
        m_noLevelTold = true;
        // Kept in the status bar once the box is closed: the desk never picks.
        m_statusBar->showMessage(kNoLevel);
        msgBox(kNoLevel, Icon::Exclamation);
    }
    return false;
}

void DeskScreen::pickNext()
{
    const QString user = session().userName;
    const QString level = session().userLevel;
    QString picked;
    runDesk(
            [&](int) {
                const desk::AssignResult result = desk::assignNext(user, level);
                if (result.outcome == desk::AssignOutcome::Picked)
                    picked = result.grievance.tktid;
                switch (result.outcome) {
                case desk::AssignOutcome::AlreadyHolding:
                case desk::AssignOutcome::LockBusy:
                    break;
                case desk::AssignOutcome::Picked:
                    m_noneWaiting->hide();
                    showGrievance(result.grievance);
                    m_commandBar->setEnabled(true);
                    m_poller->stop();
                    break;
                case desk::AssignOutcome::NoneWaiting:
                    m_noneWaiting->show();
                    clearShown();
                    break;
                }
            },
            &m_pickError);
    // Read apart from the pick: a link lost here must not run the pick again.
    if (!picked.isEmpty())
        runDesk([this](int) { showPickedDetails(); });
}

void DeskScreen::showPickedDetails()
{
    m_trail->showTrail(m_shown.tktid);
    const desk::GrievanceAge age = desk::ageOf(m_shown.tktid);
    m_waiting->setText(age.sinceRaised < 0
                               ? QString()
                               : desk::formatAge(age.sinceRaised) + QStringLiteral(" since raised, ") +
                                         desk::formatAge(age.atLevel) + QStringLiteral(" at this level"));
    const desk::SenderHistory history = desk::senderHistory(m_shown);
    m_history->clear();
    m_pastGrievances = history.rows;
    for (const desk::FoundGrievance &g : std::as_const(m_pastGrievances))
        m_history->addEntry({g.tktid, g.date.toString(QStringLiteral("dd/MM/yyyy")), g.subject,
                             desk::statusText(g.status), g.level, g.repliedBy},
                            pastGrievanceHeading(g), g.subject);
    if (m_pastGrievances.isEmpty())
        m_historyNote->setText(QStringLiteral("No other grievance from this sender"));
    else if (history.cut)
        m_historyNote->setText(QStringLiteral("The sender's newest %1 other grievances (there are more)")
                                       .arg(m_pastGrievances.size()));
    else
        m_historyNote->setText(
                QStringLiteral("The sender's other grievances: %1").arg(m_pastGrievances.size()));
}

void DeskScreen::showPastGrievance(QTreeWidgetItem *item)
{
    const int row = m_history->indexOfTopLevelItem(item);
    if (row < 0 || row >= m_pastGrievances.size())
        return;
    const desk::FoundGrievance past = m_pastGrievances.at(row);
    m_gate.run(commandButtons(), [&] {
        PastGrievanceDialog dialog(past, this);
        if (runDesk([&](int) { dialog.loadTrail(); }))
            ui().showModal(&dialog);
    });
}

void DeskScreen::clearShown()
{
    clearInputs(this);
    m_trail->clear();
    m_history->clear();
    m_historyNote->clear();
    m_pastGrievances.clear();
    m_shown = desk::Grievance();
}

void DeskScreen::showGrievance(desk::Grievance g)
{
    clearShown();
    // The university is fixed now: the reply and every write for this
    // grievance use this one, whatever another screen selects later.
    g.univ = desk::selectUniversity(g.univCode);
    m_ticketNumber->setText(g.tktid);
    m_date->setText(g.date.isValid() ? g.date.toString(QStringLiteral("dd/MM/yyyy")) : QString());
    m_time->setText(g.date.isValid() ? g.date.toString(QStringLiteral("hh:mm:ss AP")) : QString());
    m_grievanceType->setText(g.kind);
    m_regNumber->setText(g.regno);
    m_sender->setText(g.from);
    m_subject->setText(g.subject);
    m_message->setPlainText(g.message);
    m_mobile->setText(g.mobile);
    m_email->setText(g.email);
    m_altEmail->setText(g.studEmail);
    m_university->setText(g.univ.text());
    m_shown = std::move(g);
}

void DeskScreen::refreshStatus()
{
    desk::StatusSummary summary = desk::statusSummary(session().userLevel, session().userName);
    if (summary.rows.isEmpty())
        return;
    // The overdue columns cost a trail lookup per open grievance: read again
    // only when the counts changed, the limit was read again or a minute
    // passed (ages are shown in hours).
    QString counts;
    for (const desk::StatusRow &row : std::as_const(summary.rows))
        counts += row.pending + QLatin1Char(',');
    const QDateTime now = ui().now();
    if (counts != m_overdueCounts || !m_overdueReadAt.isValid() || now < m_overdueReadAt ||
        m_overdueReadAt.secsTo(now) >= 60) {
        m_overdue = desk::overdueByLine(session().userLevel, m_overdueHours);
        m_overdueCounts = counts;
        m_overdueReadAt = now;
    }
    desk::applyOverdue(summary, m_overdue);
    const int n = int(summary.rows.size());
    const QStringList headings{QStringLiteral("University"), QStringLiteral("Pend."), QStringLiteral("Reply"),
                               QStringLiteral("Over"), QStringLiteral("Oldest")};
    m_statusGrid->setRowCount(n + 2);
    m_statusGrid->setColumnCount(int(headings.size()));
    auto put = [this](int row, int column, const QString &text) {
        QTableWidgetItem *item = m_statusGrid->item(row, column);
        if (!item) {
            item = new QTableWidgetItem;
            m_statusGrid->setItem(row, column, item);
        }
        item->setText(text);
        if (column > 0)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    };
    for (int c = 0; c < headings.size(); ++c) {
        put(0, c, headings.at(c));
        QFont f = m_statusGrid->font();
        f.setBold(true);
        m_statusGrid->item(0, c)->setFont(f);
    }
    m_statusGrid->item(0, 3)->setToolTip(
            QStringLiteral("Pending longer than %1 hours at your level").arg(m_overdueHours));
    m_statusGrid->item(0, 4)->setToolTip(QStringLiteral("The longest wait at your level"));
    qint64 oldest = -1;
    for (int i = 0; i < n; ++i) {
        const desk::StatusRow &row = summary.rows.at(i);
        put(i + 1, 0, row.univShort + QStringLiteral(" - ") + row.kind);
        put(i + 1, 1, row.pending);
        put(i + 1, 2, row.replied);
        put(i + 1, 3, row.overdue);
        bool known = false;
        const qint64 age = row.oldestSeconds.toLongLong(&known);
        put(i + 1, 4, known ? desk::formatAge(age) : QString());
        if (known)
            oldest = qMax(oldest, age);
    }
    put(n + 1, 0, QStringLiteral("Total"));
    put(n + 1, 1, desk::formatCount(summary.pendingTotal));
    put(n + 1, 2, desk::formatCount(summary.repliedTotal));
    put(n + 1, 3, desk::formatCount(summary.overdueTotal));
    put(n + 1, 4, desk::formatAge(oldest));
    // The names take what the counts leave.
    m_statusGrid->resizeColumnsToContents();
    m_statusGrid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_pendingTotal->setText(QStringLiteral("Grievance Pending : ") + desk::formatCount(summary.pendingTotal));
    m_repliedTotal->setText(QStringLiteral("Grievances Replied : ") +
                            desk::formatCount(summary.repliedTotal));
}

void DeskScreen::reply()
{
    m_gate.run(commandButtons(), [this] {
        ReplyHooks hooks;
        hooks.sent = [this] { enablePoller(); };
        hooks.notHeld = [this] { returnToWaiting(); };
        ReplyDialog dialog(m_shown, hooks, this);
        ui().showModal(&dialog);
    });
    // Only a sent reply starts the poller again; after a reply closed
    // without sending the grievance stays displayed and nothing would ever
    // close the wait window. The poller's ticks close it, so it is shown
    // after the command has ended.
    if (m_poller->isActive())
        ui().showModal(WaitDialog::instance());
}

void DeskScreen::returnToWaiting()
{
    closeRemarks();
    clearShown();
    enablePoller();
}

void DeskScreen::forward()
{
    m_gate.run(commandButtons(), [this] {
        const QString user = session().userName;
        const QString level = session().userLevel;
        const QString tktid = m_shown.tktid;
        const QString remarks = m_remarks->toPlainText();
        desk::ForwardOutcome outcome = desk::ForwardOutcome::NoGrievance;
        if (!runDesk([&](int) { outcome = desk::forwardGrievance(user, level, tktid, remarks); }))
            return;
        switch (outcome) {
        case desk::ForwardOutcome::NoGrievance:
            msgBox(kNothingShown, Icon::Exclamation);
            break;
        case desk::ForwardOutcome::NotHeld:
            msgBox(kNotHeld, Icon::Exclamation);
            returnToWaiting();
            break;
        case desk::ForwardOutcome::NoMoreLevels:
            msgBox(QStringLiteral("No More levels to attend the issue!!"), Icon::Critical);
            break;
        case desk::ForwardOutcome::Forwarded:
            msgBox(QStringLiteral("Forwarded to next level"), Icon::Information);
            returnToWaiting();
            break;
        }
    });
}

void DeskScreen::giveBack()
{
    m_gate.run(commandButtons(), [this] {
        const QString user = session().userName;
        if (!runDesk([&](int) { desk::releaseHeld(user); })) {
            noteServerGone();
            return;
        }
        clearShown();
        enablePoller();
    });
}

void DeskScreen::giveBackAndClose()
{
    m_gate.run(commandButtons(), [this] {
        const QString user = session().userName;
        // While no server answers the desk can still be left; the grievance
        // stays held until the main window closes or it is released.
        if (!m_serverGone && !runDesk([&](int) { desk::releaseHeld(user); })) {
            noteServerGone();
            if (!m_serverGone)
                return;
        }
        close();
    });
}

void DeskScreen::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_activated)
        return;
    m_activated = true;
    if (QWidget *host = parentWidget()) {
        if (isWindow())
            move(host->mapToGlobal(
                    QPoint(host->width() / 2 - width() / 2, host->height() / 2 - height() / 2)));
        else
            move(host->width() / 2 - width() / 2, host->height() / 2 - height() / 2);
    }
    // Only the first showing starts empty: a grievance picked while the wait
    // window was up must stay displayed when it closes.
    if (m_shown.tktid.isEmpty()) {
        clearShown();
        m_noneWaiting->hide();
    }
}

void DeskScreen::closeEvent(QCloseEvent *event)
{
    m_poller->stop();
    if (!m_serverGone)
        runDesk([](int) { desk::releaseHeld(session().userName); });
    event->accept();
}

bool DeskScreen::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && qobject_cast<QPushButton *>(watched) &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
