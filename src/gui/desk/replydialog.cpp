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
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QVBoxLayout>

ReplyDialog::ReplyDialog(desk::Grievance grievance, ReplyHooks hooks, QWidget *parent)
    : QDialog(parent)
    , m_grievance(std::move(grievance))
    , m_hooks(std::move(hooks))
{
    setWindowTitle(QStringLiteral("Receive Grievance . . ."));
    setModal(true);

    // Widgets are created in tab order.
    m_university = new QLineEdit(this);
    m_grievanceType = new QLineEdit(this);
    m_recipient = new QLineEdit(this);
    m_recipient->setObjectName(QStringLiteral("recipient"));
    m_mobile = new QLineEdit(this);
    m_copyTo = new QLineEdit(this);
    m_copyTo->setObjectName(QStringLiteral("copyTo"));
    m_subject = new QLineEdit(this);
    for (QLineEdit *box : {m_university, m_grievanceType, m_recipient, m_mobile, m_copyTo, m_subject})
        showFromStart(box);
    m_message = new QPlainTextEdit(this);
    m_message->setReadOnly(true);
    m_replyText = new QTextEdit(this);
    m_replyText->setObjectName(QStringLiteral("replyText"));
    m_replyText->setAcceptRichText(false);
    m_replyText->setTabChangesFocus(true);
    m_templateFilter = new QLineEdit(this);
    m_templateFilter->setObjectName(QStringLiteral("templateFilter"));
    m_templateFilter->setPlaceholderText(QStringLiteral("Type to filter"));
    m_templateFilter->installEventFilter(this);
    m_templateList = new QListWidget(this);
    m_templateList->setObjectName(QStringLiteral("templateList"));
    m_templateList->installEventFilter(this);
    m_resetFinalSubmission = new QCheckBox(QStringLiteral("&Reset final submission"), this);
    m_resetFinalSubmission->setObjectName(QStringLiteral("resetFinalSubmission"));
    m_acknowledged = new QLabel(QStringLiteral("Acknowledgement Done"), this);
    m_acknowledged->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    auto *attachment = new QLabel(QStringLiteral("Attachment...."), this);
    auto *sendBox = new QGroupBox(this);
    m_sendButton = new QPushButton(QStringLiteral("&Send"), sendBox);
    m_sendButton->setObjectName(QStringLiteral("sendButton"));
    m_sendButton->setAutoDefault(false);
    auto *sendLayout = new QHBoxLayout(sendBox);
    sendLayout->addStretch();
    sendLayout->addWidget(m_sendButton);

    auto *grid = new QGridLayout(this);
    int row = 0;
    const auto add = [&](const QString &caption, QWidget *w) {
        grid->addWidget(new QLabel(caption, this), row, 0, Qt::AlignRight | Qt::AlignTop);
        grid->addWidget(w, row, 1, 1, 3);
        ++row;
    };
    add(QStringLiteral("Univ."), m_university);
    add(QStringLiteral("Type"), m_grievanceType);
    add(QStringLiteral("To"), m_recipient);
    add(QStringLiteral("Mobile"), m_mobile);
    add(QStringLiteral("CC"), m_copyTo);
    add(QStringLiteral("Subject"), m_subject);
    add(QStringLiteral("Message"), m_message);
    grid->addWidget(new QLabel(QStringLiteral("Reply"), this), row, 0, Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(m_replyText, row, 1, 1, 2);
    auto *templatesLabel = new QLabel(QStringLiteral("&Templates"), this);
    templatesLabel->setBuddy(m_templateFilter);
    auto *templates = new QVBoxLayout;
    templates->addWidget(templatesLabel);
    templates->addWidget(m_templateFilter);
    templates->addWidget(m_templateList);
    grid->addLayout(templates, row, 3);
    ++row;
    grid->addWidget(m_resetFinalSubmission, row, 1);
    grid->addWidget(m_acknowledged, row, 2);
    ++row;
    grid->addWidget(attachment, row, 1);
    grid->addWidget(sendBox, row, 2, 1, 2);
    grid->setRowStretch(6, 1); // the grievance
    grid->setRowStretch(7, 2); // the reply gets the most room
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    resize(820, 600);

    connect(m_sendButton, &QPushButton::clicked, this, &ReplyDialog::send);
    connect(m_templateFilter, &QLineEdit::textChanged, this, &ReplyDialog::filterTemplates);
    connect(m_templateList, &QListWidget::itemDoubleClicked, this, &ReplyDialog::insertTemplate);
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
        // Apart from the grievance's values: a failure here leaves the reply usable.
        runHandled(options, [this](int) { loadTemplates(); });
        m_replyText->setFocus();
    }
}

void ReplyDialog::fill()
{
    const desk::Grievance &g = m_grievance;
    m_recipient->setText(reply::recipient(g.studEmail.trimmed(), g.email));
    m_copyTo->setText(g.univ.email);
    m_subject->setText(reply::subject(g.tktid, g.subject));
    m_mobile->setText(g.mobile);
    m_message->setPlainText(g.message);
    m_university->setText(g.tktid.isEmpty() ? QString() : g.univ.text());
    m_grievanceType->setText(g.kind);

    m_resetFinalSubmission->hide();
    m_resetFinalSubmission->setEnabled(false);
    m_acknowledged->hide();
    // A university missing from the list has no database to look in.
    if (!g.univ.db.isEmpty()) {
        switch (reply::resetOffer(session().installationCode, g.univ.db, m_mobile->text())) {
        case reply::ResetOffer::Offer:
            m_resetFinalSubmission->show();
            m_resetFinalSubmission->setEnabled(true);
            break;
        case reply::ResetOffer::AcknowledgementDone:
            m_acknowledged->show();
            break;
        case reply::ResetOffer::NotOffered:
            break;
        }
    }
    m_replyText->setFocus();
}

void ReplyDialog::loadTemplates()
{
    m_templates = replytemplates::forUniversity(m_grievance.univCode);
    m_templateList->clear();
    for (int i = 0; i < m_templates.size(); ++i) {
        auto *item = new QListWidgetItem(m_templates.at(i).name, m_templateList);
        item->setData(Qt::UserRole, i);
    }
    filterTemplates(m_templateFilter->text());
}

void ReplyDialog::filterTemplates(const QString &text)
{
    QListWidgetItem *first = nullptr;
    for (int i = 0; i < m_templateList->count(); ++i) {
        QListWidgetItem *item = m_templateList->item(i);
        item->setHidden(!item->text().contains(text.trimmed(), Qt::CaseInsensitive));
        if (!first && !item->isHidden())
            first = item;
    }
    m_templateList->setCurrentItem(first);
}

void ReplyDialog::insertTemplate(const QListWidgetItem *item)
{
    if (!item || item->isHidden())
        return;
    const int index = item->data(Qt::UserRole).toInt();
    if (index < 0 || index >= m_templates.size())
        return;
    const replytemplates::Values values{m_grievance.from, m_grievance.tktid, m_grievance.univ.name};
    QTextCursor cursor = m_replyText->textCursor();
    cursor.insertText(replytemplates::fill(m_templates.at(index).text, values));
    m_replyText->setTextCursor(cursor); // after the inserted text, to go on typing
    m_replyText->setFocus();
}

bool ReplyDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        if (enter && (watched == m_templateFilter || watched == m_templateList)) {
            insertTemplate(m_templateList->currentItem());
            return true;
        }
        if (watched == m_templateFilter && key == Qt::Key_Down) {
            m_templateList->setFocus(); // on the first name that matches
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ReplyDialog::send()
{
    // The whole send, up to the pause after the mail and the last message,
    // runs once: a second click meanwhile would mail the reply twice.
    m_gate.run({m_sendButton}, [this] { recordAndMail(); });
}

void ReplyDialog::recordAndMail()
{
    const bool ticked = m_resetFinalSubmission->isChecked();
    const QString replyText = m_replyText->toPlainText();
    if (!ticked && replyText.trimmed().isEmpty()) {
        msgBox(QStringLiteral("Enter email message!!"), Icon::Exclamation);
        m_replyText->setFocus();
        return;
    }
    if (m_grievance.tktid.trimmed().isEmpty()) {
        msgBox(QStringLiteral("There is no grievance on the desk to reply to."), Icon::Exclamation);
        return;
    }

    reply::Reply r;
    r.tktid = m_grievance.tktid;
    r.user = session().userName;
    r.to = m_recipient->text();
    r.cc = m_copyTo->text();
    r.subject = m_subject->text();
    r.body = reply::composeReplyBody(m_grievanceType->text(), replyText, ticked, m_university->text());
    r.db = m_grievance.univ.db;
    r.mobile = m_mobile->text();
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
