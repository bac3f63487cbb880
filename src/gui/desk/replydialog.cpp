#include "gui/desk/replydialog.h"

#include "core/desk/reply.h"
#include "core/services/database.h"
#include "core/services/handler.h"
#include "core/services/interaction.h"
#include "core/services/session.h"
#include "gui/services/formutil.h"
#include "gui/shell/waitdialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>

namespace {

QLabel *caption(const QString &text, int index, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("lbreg(%1)").arg(index));
    return label;
}

QLineEdit *field(int index, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QStringLiteral("text(%1)").arg(index));
    return edit;
}

} // namespace

ReplyDialog::ReplyDialog(desk::Grievance grievance, ReplyHooks hooks, QWidget *parent)
    : QDialog(parent)
    , m_grievance(std::move(grievance))
    , m_hooks(std::move(hooks))
{
    setObjectName(QStringLiteral("ReplyDialog"));
    setWindowTitle(QStringLiteral("Receive Grievance . . ."));
    setModal(true);

    m_univText = field(11, this);
    m_typeText = field(5, this);
    m_to = field(0, this);
    m_mobileText = field(3, this);
    m_cc = field(1, this);
    m_subjectText = field(2, this);
    m_messageText = new QPlainTextEdit(this);
    m_messageText->setObjectName(QStringLiteral("text(4)"));
    m_messageText->setReadOnly(true);
    m_rtb = new QTextEdit(this);
    m_rtb->setObjectName(QStringLiteral("rtb"));
    m_rtb->setAcceptRichText(false);
    m_rtb->setTabChangesFocus(true);
    m_reset = new QCheckBox(QStringLiteral("&Reset final submission"), this);
    m_reset->setObjectName(QStringLiteral("chk(0)"));
    m_ack = new QLabel(QStringLiteral("Acknowledgement Done"), this);
    m_ack->setObjectName(QStringLiteral("lback"));
    m_ack->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    auto *attachment = new QLabel(QStringLiteral("Attachment...."), this);
    attachment->setObjectName(QStringLiteral("Label1"));
    auto *frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("frame(1)"));
    m_send = new QPushButton(QStringLiteral("&Send"), frame);
    m_send->setObjectName(QStringLiteral("cmd(0)"));
    m_send->setAutoDefault(false);
    auto *frameLayout = new QHBoxLayout(frame);
    frameLayout->addStretch();
    frameLayout->addWidget(m_send);

    auto *grid = new QGridLayout(this);
    int row = 0;
    const auto add = [&](QLabel *label, QWidget *w) {
        grid->addWidget(label, row, 0, Qt::AlignRight | Qt::AlignTop);
        grid->addWidget(w, row, 1, 1, 3);
        ++row;
    };
    add(caption(QStringLiteral("Univ."), 9, this), m_univText);
    add(caption(QStringLiteral("Type"), 5, this), m_typeText);
    add(caption(QStringLiteral("To"), 2, this), m_to);
    add(caption(QStringLiteral("Mobile"), 1, this), m_mobileText);
    add(caption(QStringLiteral("CC"), 0, this), m_cc);
    add(caption(QStringLiteral("Subject"), 3, this), m_subjectText);
    add(caption(QStringLiteral("Message"), 4, this), m_messageText);
    add(caption(QStringLiteral("Reply"), 6, this), m_rtb);
    grid->addWidget(m_reset, row, 1);
    grid->addWidget(m_ack, row, 2);
    ++row;
    grid->addWidget(attachment, row, 1);
    grid->addWidget(frame, row, 2, 1, 2);
    grid->setRowStretch(6, 1); // the grievance
    grid->setRowStretch(7, 2); // the reply gets the most room
    resize(640, 560);

    connect(m_send, &QPushButton::clicked, this, &ReplyDialog::send);
    selectAllOnFocus(this);
}

void ReplyDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->availableGeometry();
        move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 2);
    }
    // Filled once: later activations (after a message box) keep what was typed.
    if (!m_filled) {
        m_filled = true;
        HandlerOptions options;
        runHandled(options, [this](int) { fill(); });
    }
}

void ReplyDialog::fill()
{
    const desk::Grievance &g = m_grievance;
    m_to->setText(reply::recipient(g.studEmail.trimmed(), g.email));
    m_cc->setText(g.univ.email);
    m_subjectText->setText(reply::subject(g.tktid, g.subject));
    m_mobileText->setText(g.mobile);
    m_messageText->setPlainText(g.message);
    m_univText->setText(g.tktid.isEmpty() ? QString() : g.univ.text());
    m_typeText->setText(g.kind);

    m_reset->hide();
    m_reset->setEnabled(false);
    m_ack->hide();
    // A university missing from the list has no database to look in.
    if (!g.univ.db.isEmpty()) {
        switch (reply::resetOffer(session().InstUnivCode, g.univ.db, m_mobileText->text())) {
        case reply::ResetOffer::Offer:
            m_reset->show();
            m_reset->setEnabled(true);
            break;
        case reply::ResetOffer::AcknowledgementDone:
            m_ack->show();
            break;
        case reply::ResetOffer::NotOffered:
            break;
        }
    }
    m_rtb->setFocus();
}

void ReplyDialog::send()
{
    // The whole send, up to the pause after the mail and the last message,
    // runs once: a second click meanwhile would mail the reply twice.
    m_gate.run({m_send}, [this] { sendCommand(); });
}

void ReplyDialog::sendCommand()
{
    const bool ticked = m_reset->isChecked();
    const QString replyText = m_rtb->toPlainText();
    if (!ticked && replyText.trimmed().isEmpty()) {
        msgBox(QStringLiteral("Enter email message!!"), Icon::Exclamation);
        m_rtb->setFocus();
        return;
    }
    if (m_grievance.tktid.trimmed().isEmpty()) {
        msgBox(QStringLiteral("There is no grievance on the desk to reply to."), Icon::Exclamation);
        return;
    }

    reply::Reply r;
    r.tktid = m_grievance.tktid;
    r.user = session().LoginUser;
    r.to = m_to->text();
    r.cc = m_cc->text();
    r.subject = m_subjectText->text();
    r.body = reply::composeReplyBody(m_typeText->text(), replyText, ticked, m_univText->text());
    r.db = m_grievance.univ.db;
    r.mobile = m_mobileText->text();
    r.reset = ticked;

    // Every send starts on a fresh connection. A failed open is not reported
    // here: the records' unit finds the link down, opens it again and reports
    // if that fails too.
    Conn::open();
    reply::RecordOutcome outcome = reply::RecordOutcome::Recorded;
    if (!runHandled(HandlerOptions(), [&](int) { outcome = reply::recordReply(r); }))
        return;
    if (outcome == reply::RecordOutcome::NotHeld) {
        msgBox(QStringLiteral(
                       "This grievance has been released by the administrator and may be handled by another "
                       "user; the reply has not been sent."),
               Icon::Exclamation);
        if (m_hooks.notHeld)
            m_hooks.notHeld();
        close();
        return;
    }
    // Mailed only now that the records are committed, and once.
    const reply::Notice notice = reply::mailAfterRecords(r);
    msgBox(notice.text, notice.icon);
    if (m_hooks.sent)
        m_hooks.sent();
    close();
}

void ReplyDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close(); // writes nothing; the grievance stays held on the desk
        return;
    }
    QDialog::keyPressEvent(event);
}

void ReplyDialog::closeEvent(QCloseEvent *event)
{
    WaitDialog::closeIfOpen();
    QDialog::closeEvent(event);
}
