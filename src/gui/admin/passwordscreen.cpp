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
    setWindowTitle(QStringLiteral("Password Change . . ."));
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPointSize(10);
    setFont(f);

    auto *grid = new QGridLayout(this);
    const auto addPasswordRow = [this, grid](int row, const QString &caption) {
        grid->addWidget(new QLabel(caption, this), row, 0);
        auto *box = new QLineEdit(this);
        box->setEchoMode(QLineEdit::Password);
        box->setStyleSheet(QStringLiteral("lineedit-password-character: 64;")); // "@"
        // No typing limit, as in the sign-in box: a password too long to be
        // stored is refused by name when it is set, not cut while typed.
        box->installEventFilter(this);
        grid->addWidget(box, row, 1, 1, 2);
        return box;
    };
    m_oldPassword = addPasswordRow(0, QStringLiteral("Old Password"));
    m_newPassword = addPasswordRow(1, QStringLiteral("New Password"));
    m_confirmPassword = addPasswordRow(2, QStringLiteral("Confirm Password"));
    m_okButton = new QPushButton(QStringLiteral("&OK"), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    grid->addWidget(m_okButton, 3, 1);
    grid->addWidget(m_cancelButton, 3, 2);
    auto *status = new QStatusBar(this);
    status->setSizeGripEnabled(false);
    m_hintLabel = new QLabel(status);
    status->addWidget(m_hintLabel, 1);
    grid->addWidget(status, 4, 0, 1, 3);

    keyChain({m_oldPassword, m_newPassword, m_confirmPassword, m_okButton});
    selectAllOnFocus(this);
    connect(m_okButton, &QPushButton::clicked, this, &PasswordScreen::changePassword);
    connect(m_cancelButton, &QPushButton::clicked, this, &QWidget::close);
    setTabOrder(m_oldPassword, m_newPassword);
    setTabOrder(m_newPassword, m_confirmPassword);
    setTabOrder(m_confirmPassword, m_okButton);
    setTabOrder(m_okButton, m_cancelButton);
}

bool PasswordScreen::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        m_hintLabel->setText((watched == m_oldPassword
                                      ? QStringLiteral("Enter Old Password Max %1 characters")
                                      : QStringLiteral("Enter New Password Max %1 characters"))
                                     .arg(kMaxPasswordLength));
    }
    return QWidget::eventFilter(watched, event);
}

void PasswordScreen::changePassword()
{
    bool changed = false;
    m_gate.run({m_okButton, m_cancelButton}, [this, &changed] {
        runHandled(ErrorStyle::DescriptionNumber, [this, &changed] {
            for (QLineEdit *box : {m_oldPassword, m_newPassword, m_confirmPassword}) {
                if (box->text().trimmed().isEmpty()) {
                    msgBox(QStringLiteral("Information Should be Entered"), Icon::Exclamation);
                    box->setFocus();
                    return;
                }
            }
            const QString user = session().userName.trimmed();
            switch (accounts::changePassword(user, m_oldPassword->text(), m_newPassword->text(),
                                             m_confirmPassword->text())) {
            case accounts::ChangeResult::InvalidOld:
                msgBox(QStringLiteral("Invalid Password"), Icon::Exclamation);
                m_oldPassword->setFocus();
                return;
            case accounts::ChangeResult::Mismatch:
                msgBox(QStringLiteral("Mismatch - Confirm New Password"), Icon::Exclamation);
                m_newPassword->setFocus();
                return;
            case accounts::ChangeResult::Refused:
                msgBox(passwordProblem(m_confirmPassword->text()), Icon::Exclamation);
                m_newPassword->setFocus();
                return;
            case accounts::ChangeResult::Vanished:
                msgBox(QStringLiteral("The password was not changed: the account %1 no longer exists.")
                               .arg(user),
                       Icon::Exclamation);
                return;
            case accounts::ChangeResult::Changed:
                msgBox(QStringLiteral("Password has been changed Successfully"), Icon::Information);
                for (QLineEdit *box : {m_oldPassword, m_newPassword, m_confirmPassword})
                    box->clear();
                changed = true;
                return;
            }
        });
    });
    if (changed)
        m_cancelButton->setFocus(); // enabled again only now
}
