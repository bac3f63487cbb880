#include "gui/shell/signindialog.h"

#include "core/services/handler.h"
#include "core/services/interaction.h"
#include "core/services/session.h"
#include "core/shell/signin.h"
#include "gui/services/formutil.h"
#include "gui/shell/mainwindow.h"
#include "gui/shell/roundedshape.h"
#include "gui/shell/splashwindow.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

SignInDialog::SignInDialog(SplashWindow *splash, MainWindow *main, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
    , m_splash(splash)
    , m_main(main)
{
    setWindowTitle(QStringLiteral("Sign Up . . . "));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xDD, 0xE6, 0xF2));
    setPalette(pal);

    auto *heading = new QLabel(QStringLiteral("Login . . ."), this);
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 3);
    heading->setFont(bold);
    auto *userLabel = new QLabel(QStringLiteral("User"), this);
    m_userName = new QLineEdit(this);
    m_userName->setObjectName(QStringLiteral("userName"));
    auto *passwordLabel = new QLabel(QStringLiteral("Password"), this);
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);
    // The mask character is "*" rather than the style's bullet.
    m_password->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    // Enter is routed by the key chain below, never to a default button.
    for (QPushButton *button : {m_okButton, m_cancelButton}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(m_okButton, &QPushButton::clicked, this, &SignInDialog::signIn);
    connect(m_cancelButton, &QPushButton::clicked, this, &SignInDialog::cancel);

    // The keys every entry screen has: typed letters upper-cased, Enter on to
    // the password (Up back), whole text selected on entry. Enter in the
    // password signs in at once.
    upperCaseTyping(m_userName);
    upperCaseTyping(m_password);
    keyChain({m_userName, m_password, nullptr});
    selectAllOnFocus(this);
    connect(m_password, &QLineEdit::returnPressed, this, &SignInDialog::signIn);

    auto *grid = new QGridLayout;
    grid->addWidget(userLabel, 0, 0);
    grid->addWidget(m_userName, 0, 1);
    grid->addWidget(passwordLabel, 1, 0);
    grid->addWidget(m_password, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 22, 28, 22);
    layout->addWidget(heading);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    resize(340, 170);

    // Below and right of the start-up window's middle, so the installation's
    // name stays readable above it.
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.x() + area.width() / 2, area.y() + area.height() / 2 + 33);
    }
    applyRoundedShape(this);
}

void SignInDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    applyRoundedShape(this);
    if (m_splash)
        m_splash->enableButtons();
    m_userName->setFocus();
}

void SignInDialog::keyPressEvent(QKeyEvent *event)
{
    // Esc is not a way out of the sign-in.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool SignInDialog::fieldsFilled()
{
    if (m_userName->text().isEmpty()) {
        msgBox(QStringLiteral("Enter User name"), Icon::Information);
        m_userName->setFocus();
        return false;
    }
    if (m_password->text().trimmed().isEmpty()) {
        msgBox(QStringLiteral("Enter Password"), Icon::Information);
        m_password->setFocus();
        return false;
    }
    return true;
}

void SignInDialog::signInSteps()
{
    if (!fieldsFilled())
        return;
    const QString user = m_userName->text();
    const std::optional<QString> group = signin::lookup(user, m_password->text());
    if (!group) {
        msgBox(QStringLiteral("Invalid Password"), Icon::Information, QStringLiteral("Caution"));
        m_password->clear();
        m_password->setFocus();
        return;
    }
    Session &s = session();
    s.userName = user;
    s.userLevel = *group;
    if (m_main) {
        m_main->setUserPanel(user);
        // Before anything closes: should the permissions fail to load, the
        // sign-in stays on screen and the main window stays shut.
        if (m_main->applyPermissions() == MainWindow::Permissions::Ended)
            return;
    }
    if (m_splash)
        m_splash->dismiss();
    m_signedIn = true;
    accept();
    if (m_main)
        m_main->show();
}

void SignInDialog::signIn()
{
    // A database error is reported and leaves the screen usable; a dropped
    // connection is reopened and the sign-in run again.
    const bool reported = !runHandled(ErrorStyle::DescriptionNumber, [this] { signInSteps(); });
    // The university list is read on every press of OK. When the sign-in has
    // just reported a database error, a second report of the same failure
    // would only repeat it.
    if (reported) {
        try {
            readUniversities();
        } catch (const AppError &) {
        }
    } else {
        runHandled(ErrorStyle::DescriptionNumber, [] { readUniversities(); });
    }
}

void SignInDialog::cancel()
{
    msgBox(QStringLiteral("Application Terminated"), Icon::Critical, QStringLiteral("Message"));
    ui().endApplication(0);
}

void SignInDialog::reject()
{
    if (m_signedIn) {
        QDialog::reject();
        return;
    }
    cancel();
}

void SignInDialog::closeEvent(QCloseEvent *event)
{
    if (m_signedIn) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    cancel();
}
