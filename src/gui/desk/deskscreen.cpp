#include "gui/desk/deskscreen.h"

#include "core/desk/forward.h"
#include "core/desk/status.h"
#include "core/services/handler.h"
#include "core/services/session.h"
#include "gui/desk/replydialog.h"
#include "gui/desk/trailview.h"
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
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kNotHeld = QStringLiteral("This grievance has been released by the administrator and may be "
                                        "handled by another user; it has not been "
                                        "forwarded.");
const QString kNothingShown = QStringLiteral("No grievance is displayed; there is nothing to forward.");

QString indexed(const char *name, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

int twips(int value)
{
    return value / 15; // 15 twips to a pixel at 96 dpi
}

} // namespace

DeskScreen::DeskScreen(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DeskScreen"));
    setWindowTitle(QStringLiteral("Receive Grievance . . ."));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();

    // The command buttons wait for a grievance; the remarks panel
    // opens only on Forward.
    m_buttons->setEnabled(false);
    m_remarksPanel->hide();
    m_remarksPanel->setEnabled(false);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &DeskScreen::Timer1_Timer);
    m_timer->start();
}

DeskScreen::~DeskScreen() = default;

void DeskScreen::buildControls()
{
    auto label = [this](int index, const QString &caption) {
        auto *l = new QLabel(caption, this);
        l->setObjectName(indexed("lbreg", index));
        return l;
    };
    auto field = [this](int index) {
        auto *e = new QLineEdit(this);
        e->setObjectName(indexed("text", index));
        e->setReadOnly(true);
        m_text[index] = e;
        return e;
    };

    auto *fields = new QGridLayout;
    fields->addWidget(label(0, QStringLiteral("TKT No.")), 0, 0);
    fields->addWidget(field(0), 0, 1);
    fields->addWidget(label(1, QStringLiteral("Type")), 0, 2);
    fields->addWidget(field(1), 0, 3);
    fields->addWidget(label(12, QStringLiteral("Date")), 0, 4);
    m_date = new MaskedEdit(QStringLiteral("##/##/####"), this);
    m_date->setObjectName(QStringLiteral("mskdt"));
    m_date->setReadOnly(true);
    auto *dateBox = new QHBoxLayout;
    dateBox->addWidget(m_date);
    dateBox->addWidget(field(9));
    fields->addLayout(dateBox, 0, 5);

    fields->addWidget(label(2, QStringLiteral("From ")), 1, 0);
    fields->addWidget(field(5), 1, 1);
    fields->addWidget(field(2), 1, 2, 1, 4);
    fields->addWidget(label(3, QStringLiteral("Subject")), 2, 0);
    fields->addWidget(field(3), 2, 1, 1, 5);
    fields->addWidget(label(4, QStringLiteral("Message")), 3, 0, Qt::AlignTop);
    m_message = new QPlainTextEdit(this);
    m_message->setObjectName(indexed("text", 4));
    m_message->setReadOnly(true);
    m_message->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    fields->addWidget(m_message, 3, 1, 1, 5);
    // What happened to the grievance before it reached this desk: a level-2
    // user sees the remarks that came with a forwarded one.
    m_trail = new TrailView(this);
    fields->addWidget(m_trail, 0, 6, 6, 1);
    fields->addWidget(label(5, QStringLiteral("Mobile")), 4, 0);
    fields->addWidget(field(6), 4, 1);
    fields->addWidget(label(6, QStringLiteral("Email")), 4, 2);
    fields->addWidget(field(7), 4, 3, 1, 3);
    fields->addWidget(label(8, QStringLiteral("Alt. Email")), 5, 0);
    fields->addWidget(field(10), 5, 1);
    fields->addWidget(label(9, QStringLiteral("Univ.")), 5, 2);
    fields->addWidget(field(11), 5, 3, 1, 3);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 1);
    fields->setColumnStretch(5, 2);
    fields->setColumnStretch(6, 2);
    fields->setRowStretch(3, 1);

    m_dbName = new QLabel(this);
    m_dbName->setObjectName(QStringLiteral("lbdbname"));
    m_dbName->hide();

    m_alert = new QLabel(QStringLiteral("No Inquiries!!"), this);
    m_alert->setObjectName(QStringLiteral("lbalert"));
    QFont alertFont = m_alert->font();
    alertFont.setBold(true);
    alertFont.setPointSize(alertFont.pointSize() + 4);
    m_alert->setFont(alertFont);
    m_alert->setStyleSheet(QStringLiteral("color: red"));
    m_alert->hide();

    auto button = [this](int index, const QString &caption, QWidget *parent) {
        auto *b = new QPushButton(caption, parent);
        b->setObjectName(indexed("cmd", index));
        b->installEventFilter(this);
        m_cmd[index] = b;
        return b;
    };

    m_buttons = new QFrame(this);
    m_buttons->setObjectName(indexed("frame", 1));
    m_buttons->setFrameShape(QFrame::StyledPanel);
    auto *buttonRow = new QHBoxLayout(m_buttons);
    buttonRow->addWidget(button(0, QStringLiteral("&Reply"), m_buttons));
    buttonRow->addWidget(button(1, QStringLiteral("&Forward"), m_buttons));
    buttonRow->addWidget(button(6, QStringLiteral("Re&fresh"), m_buttons));
    buttonRow->addWidget(button(3, QStringLiteral("&Close"), m_buttons));

    m_remarksPanel = new QFrame(this);
    m_remarksPanel->setObjectName(indexed("frame", 3));
    m_remarksPanel->setFrameShape(QFrame::StyledPanel);
    auto *remarksLayout = new QGridLayout(m_remarksPanel);
    remarksLayout->addWidget(label(7, QStringLiteral("Remarks")), 0, 0, Qt::AlignTop);
    m_remarks = new QPlainTextEdit(m_remarksPanel);
    m_remarks->setObjectName(indexed("text", 8));
    m_remarks->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_remarks->setMaximumHeight(90);
    remarksLayout->addWidget(m_remarks, 0, 1, 2, 1);
    remarksLayout->addWidget(button(5, QStringLiteral("&Forward"), m_remarksPanel), 0, 2);
    remarksLayout->addWidget(button(2, QStringLiteral("&Close"), m_remarksPanel), 1, 2);

    // The assignment step's button: pressed by the poller only, never seen.
    button(4, QStringLiteral("&Refresh"), this)->hide();

    auto *summaryFrame = new QFrame(this);
    summaryFrame->setObjectName(QStringLiteral("Frame1"));
    summaryFrame->setFrameShape(QFrame::StyledPanel);
    m_grid = new ResultGrid(summaryFrame);
    m_grid->setObjectName(QStringLiteral("msf"));
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::NoSelection);
    m_grid->setFocusPolicy(Qt::NoFocus);
    auto *summaryLayout = new QVBoxLayout(summaryFrame);
    summaryLayout->addWidget(m_grid);
    summaryFrame->setFixedWidth(twips(2500 + 1000 + 1000) + 40);

    auto *status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("STB"));
    status->setSizeGripEnabled(false);
    for (int i = 0; i < 2; ++i) {
        m_panel[i] = new QLabel(status);
        m_panel[i]->setObjectName(QStringLiteral("Panels(%1)").arg(i + 1));
        m_panel[i]->setMinimumWidth(200);
        status->addWidget(m_panel[i]);
    }

    auto *left = new QVBoxLayout;
    left->addLayout(fields, 1);
    left->addWidget(m_alert, 0, Qt::AlignHCenter);
    left->addWidget(m_remarksPanel);
    left->addWidget(m_buttons);

    auto *body = new QHBoxLayout;
    body->addLayout(left, 1);
    body->addWidget(summaryFrame);

    auto *outer = new QVBoxLayout(this);
    outer->addLayout(body, 1);
    outer->addWidget(status);
    resize(900, 480);

    connect(m_cmd[0], &QPushButton::clicked, this, &DeskScreen::replyClicked);
    connect(m_cmd[1], &QPushButton::clicked, this, [this] {
        m_remarksPanel->show();
        m_remarksPanel->setEnabled(true);
    });
    connect(m_cmd[2], &QPushButton::clicked, this, [this] {
        m_remarksPanel->hide();
        m_remarksPanel->setEnabled(false);
    });
    connect(m_cmd[3], &QPushButton::clicked, this, &DeskScreen::closeClicked);
    connect(m_cmd[4], &QPushButton::clicked, this, &DeskScreen::assignStep);
    connect(m_cmd[5], &QPushButton::clicked, this, &DeskScreen::forwardClicked);
    connect(m_cmd[6], &QPushButton::clicked, this, &DeskScreen::refreshClicked);
}

QList<QWidget *> DeskScreen::commandButtons() const
{
    return {m_cmd[0], m_cmd[1], m_cmd[2], m_cmd[3], m_cmd[5], m_cmd[6]};
}

void DeskScreen::enablePoller()
{
    m_watch = desk::StaleLockWatch();
    m_timer->start();
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

void DeskScreen::Timer1_Timer()
{
    // A message box shown by a tick or a command runs its own event loop; the
    // ticks that fire meanwhile are skipped.
    if (m_inTick || m_gate.busy())
        return;
    m_inTick = true;
    runDesk(
            [this](int) {
                if (!desk::lockFree()) {
                    if (m_watch.heldTooLong(true, ui().now()))
                        desk::clearStaleLock(); // left by a stopped client; the next tick picks
                    return;
                }
                m_watch.heldTooLong(false, ui().now());
                m_cmd[4]->click();
                Tkt_Status();
                WaitDialog::closeIfOpen();
            },
            &m_tickError);
    m_inTick = false;
}

void DeskScreen::assignStep()
{
    const QString user = session().LoginUser;
    const QString level = session().LoginGroup;
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
                    m_alert->hide();
                    showGrievance(result.grievance);
                    m_buttons->setEnabled(true);
                    m_timer->stop();
                    break;
                case desk::AssignOutcome::NoneWaiting:
                    m_alert->show();
                    clearShown();
                    break;
                }
            },
            &m_assignError);
    // Read apart from the pick: a link lost here must not run the pick again.
    if (!picked.isEmpty())
        runDesk([&](int) { m_trail->showTrail(picked); });
}

void DeskScreen::clearShown()
{
    clearInputs(this);
    m_trail->clear();
    m_shown = desk::Grievance();
}

void DeskScreen::showGrievance(desk::Grievance g)
{
    clearShown();
    // The university is fixed now: the reply and every write for this
    // grievance use this one, whatever another screen selects later.
    g.univ = desk::selectUniversity(g.univCode);
    m_text[0]->setText(g.tktid);
    m_date->setText(g.date.isValid() ? g.date.toString(QStringLiteral("dd/MM/yyyy")) : QString());
    m_text[9]->setText(g.date.isValid() ? g.date.toString(QStringLiteral("hh:mm:ss AP")) : QString());
    m_text[1]->setText(g.kind);
    m_text[5]->setText(g.regno);
    m_text[2]->setText(g.from);
    m_text[3]->setText(g.subject);
    m_message->setPlainText(g.message);
    m_text[6]->setText(g.mobile);
    m_text[7]->setText(g.email);
    m_text[10]->setText(g.studEmail);
    m_text[11]->setText(g.univ.text());
    m_dbName->setText(g.univ.db);
    m_shown = std::move(g);
}

void DeskScreen::Tkt_Status()
{
    const desk::StatusSummary summary = desk::statusSummary(session().LoginGroup, session().LoginUser);
    if (summary.rows.isEmpty())
        return;
    const int n = int(summary.rows.size());
    m_grid->setRowCount(n + 2);
    m_grid->setColumnCount(3);
    m_grid->setColumnWidth(0, twips(2500));
    m_grid->setColumnWidth(1, twips(1000));
    m_grid->setColumnWidth(2, twips(1000));
    auto put = [this](int row, int column, const QString &text) {
        QTableWidgetItem *item = m_grid->item(row, column);
        if (!item) {
            item = new QTableWidgetItem;
            m_grid->setItem(row, column, item);
        }
        item->setText(text);
        if (column > 0)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    };
    put(0, 0, QStringLiteral("University"));
    put(0, 1, QStringLiteral("Pend."));
    put(0, 2, QStringLiteral("Reply"));
    for (int c = 0; c < 3; ++c) {
        QFont f = m_grid->font();
        f.setBold(true);
        m_grid->item(0, c)->setFont(f);
    }
    for (int i = 0; i < n; ++i) {
        const desk::StatusRow &row = summary.rows.at(i);
        put(i + 1, 0, row.univShort + QStringLiteral(" - ") + row.kind);
        put(i + 1, 1, row.pending);
        put(i + 1, 2, row.replied);
    }
    put(n + 1, 0, QStringLiteral("Total"));
    put(n + 1, 1, desk::formatCount(summary.pendingTotal));
    put(n + 1, 2, desk::formatCount(summary.repliedTotal));
    m_panel[0]->setText(QStringLiteral("Grievance Pending : ") + desk::formatCount(summary.pendingTotal));
    m_panel[1]->setText(QStringLiteral("Grievances Replied : ") + desk::formatCount(summary.repliedTotal));
}

void DeskScreen::replyClicked()
{
    m_gate.run(commandButtons(), [this] {
        ReplyHooks hooks;
        hooks.sent = [this] { enablePoller(); };
        hooks.notHeld = [this] { returnToWaiting(); };
        ReplyDialog reply(m_shown, hooks, this);
        ui().showModal(&reply);
    });
    // Only a sent reply starts the poller again; after a reply closed
    // without sending the grievance stays displayed and nothing would ever
    // close the wait window. The poller's ticks close it, so it is shown
    // after the command has ended.
    if (m_timer->isActive())
        ui().showModal(WaitDialog::instance());
}

void DeskScreen::returnToWaiting()
{
    m_remarksPanel->hide();
    m_remarksPanel->setEnabled(false);
    clearShown();
    enablePoller();
}

void DeskScreen::forwardClicked()
{
    m_gate.run(commandButtons(), [this] {
        const QString user = session().LoginUser;
        const QString level = session().LoginGroup;
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

void DeskScreen::refreshClicked()
{
    m_gate.run(commandButtons(), [this] {
        const QString user = session().LoginUser;
        if (!runDesk([&](int) { desk::releaseHeld(user); }))
            return;
        clearShown();
        enablePoller();
    });
}

void DeskScreen::closeClicked()
{
    m_gate.run(commandButtons(), [this] {
        const QString user = session().LoginUser;
        if (!runDesk([&](int) { desk::releaseHeld(user); }))
            return;
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
        m_alert->hide();
    }
}

void DeskScreen::closeEvent(QCloseEvent *event)
{
    m_timer->stop();
    runDesk([](int) { desk::releaseHeld(session().LoginUser); });
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
