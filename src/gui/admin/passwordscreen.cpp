#include "gui/admin/passwordscreen.h"

#include "core/admin/accounts.h"
#include "core/services/handler.h"
#include "core/services/session.h"
#include "gui/services/formutil.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

PasswordScreen::PasswordScreen(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PasswordScreen"));
    setWindowTitle(QStringLiteral("Password Change . . ."));
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPointSize(10);
    setFont(f);

    const char *captions[3] = {"Old Password", "New Password", "Confirm Password"};
    auto *grid = new QGridLayout(this);
    for (int i = 0; i < 3; ++i) {
        auto *label = new QLabel(QString::fromLatin1(captions[i]), this);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        m_text[i] = new QLineEdit(this);
        m_text[i]->setObjectName(QStringLiteral("text(%1)").arg(i));
        m_text[i]->setEchoMode(QLineEdit::Password);
        m_text[i]->setStyleSheet(QStringLiteral("lineedit-password-character: 64;")); // "@"
        m_text[i]->setMaxLength(15);
        m_text[i]->installEventFilter(this);
        grid->addWidget(label, i, 0);
        grid->addWidget(m_text[i], i, 1, 1, 2);
    }
    m_ok = new QPushButton(QStringLiteral("&OK"), this);
    m_ok->setObjectName(QStringLiteral("cmdok"));
    m_cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cmdcancel"));
    grid->addWidget(m_ok, 3, 1);
    grid->addWidget(m_cancel, 3, 2);
    auto *status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setSizeGripEnabled(false);
    m_hint = new QLabel(status);
    m_hint->setObjectName(QStringLiteral("StatusBar1.panel1"));
    status->addWidget(m_hint, 1);
    grid->addWidget(status, 4, 0, 1, 3);

    keyChain({m_text[0], m_text[1], m_text[2], m_ok});
    selectAllOnFocus(this);
    connect(m_ok, &QPushButton::clicked, this, &PasswordScreen::change);
    connect(m_cancel, &QPushButton::clicked, this, &QWidget::close);
    setTabOrder(m_text[0], m_text[1]);
    setTabOrder(m_text[1], m_text[2]);
    setTabOrder(m_text[2], m_ok);
    setTabOrder(m_ok, m_cancel);
}

bool PasswordScreen::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        m_hint->setText(watched == m_text[0] ? QStringLiteral("Enter Old Password Max 10 characters")
                                             : QStringLiteral("Enter New Password Max 10 characters"));
    }
    return QWidget::eventFilter(watched, event);
}

void PasswordScreen::change()
{
    bool changed = false;
    m_gate.run({m_ok, m_cancel}, [this, &changed] {
        runHandled(ErrorStyle::DescriptionNumber, [this, &changed] {
            for (QLineEdit *box : m_text) {
                if (box->text().trimmed().isEmpty()) {
                    msgBox(QStringLiteral("Information Should be Entered"), Icon::Exclamation);
                    box->setFocus();
                    return;
                }
            }
            const QString user = session().LoginUser.trimmed();
            switch (accounts::changePassword(user, m_text[0]->text(), m_text[1]->text(), m_text[2]->text())) {
            case accounts::ChangeResult::InvalidOld:
                msgBox(QStringLiteral("Invalid Password"), Icon::Exclamation);
                m_text[0]->setFocus();
                return;
            case accounts::ChangeResult::Mismatch:
                msgBox(QStringLiteral("Mismatch - Confirm New Password"), Icon::Exclamation);
                m_text[1]->setFocus();
                return;
            case accounts::ChangeResult::Vanished:
                msgBox(QStringLiteral("The password was not changed: the account %1 no longer exists.")
                               .arg(user),
                       Icon::Exclamation);
                return;
            case accounts::ChangeResult::Changed:
                msgBox(QStringLiteral("Password has been changed Successfully"), Icon::Information);
                for (QLineEdit *box : m_text)
                    box->clear();
                changed = true;
                return;
            }
        });
    });
    if (changed)
        m_cancel->setFocus(); // enabled again only now
}
