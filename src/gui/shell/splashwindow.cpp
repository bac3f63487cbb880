#include "gui/shell/splashwindow.h"

#include "core/services/interaction.h"
#include "core/shell/startup.h"
#include "gui/shell/mainwindow.h"
#include "gui/shell/roundedshape.h"
#include "gui/shell/signindialog.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

SplashWindow::SplashWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setWindowTitle(QString::fromLatin1(kAppTitle));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xE8, 0xEE, 0xF6));
    setPalette(pal);

    m_title = new QLabel(QStringLiteral("Grievance Management System"), this);
    QFont big = m_title->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    m_title->setFont(big);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->installEventFilter(this);

    m_installationName = new QLabel(this);
    QFont mid = m_installationName->font();
    mid.setPointSize(mid.pointSize() + 4);
    m_installationName->setFont(mid);
    m_installationName->setAlignment(Qt::AlignCenter);
    m_installationName->hide();

    m_connectingLabel = new QLabel(QStringLiteral("Connecting to database please wait . . ."), this);
    m_connectingLabel->setAlignment(Qt::AlignCenter);

    auto *version = new QLabel(QStringLiteral("Version ") + startup::versionDisplay(), this);

    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    m_okButton->setEnabled(false);
    connect(m_okButton, &QPushButton::clicked, this, &SplashWindow::dismiss);
    m_systemInfoButton = new QPushButton(QStringLiteral("&System Info"), this);
    m_systemInfoButton->setEnabled(false);

    // Ends the application when the open's failure message is left
    // unanswered for a minute. The open itself gives up sooner: the
    // connection's own connect timeout ends a server that never answers.
    m_watchdog = new QTimer(this);
    m_watchdog->setInterval(60000);
    m_watchdog->setSingleShot(true);
    connect(m_watchdog, &QTimer::timeout, this, [] { ui().endApplication(0); });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(version);
    buttons->addStretch();
    buttons->addWidget(m_systemInfoButton);
    buttons->addWidget(m_okButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(30, 30, 30, 24);
    layout->addStretch();
    layout->addWidget(m_title);
    layout->addWidget(m_installationName);
    layout->addStretch();
    layout->addWidget(m_connectingLabel);
    layout->addLayout(buttons);

    resize(520, 300);
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    applyRoundedShape(this);
}

void SplashWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    applyRoundedShape(this);
}

void SplashWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_started) {
        m_started = true;
        // After the window has painted, not inside show().
        QTimer::singleShot(0, this, &SplashWindow::activate);
    }
}

bool SplashWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_title && event->type() == QEvent::MouseButtonRelease) {
        dismiss();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void SplashWindow::dismiss()
{
    hide();
    if (m_activating)
        m_dismissed = true;
    else
        deleteLater();
}

void SplashWindow::enableButtons()
{
    m_okButton->setEnabled(true);
    m_systemInfoButton->setEnabled(true);
}

bool SplashWindow::loadMainWindow(const QString &title)
{
    if (!m_main)
        m_main = new MainWindow;
    m_main->setWindowTitle(QStringLiteral("Grievance Management System...") + title);
    if (!m_main->load())
        return false;
    m_installationName->setText(title);
    m_installationName->show();
    m_connectingLabel->hide();
    return true;
}

void SplashWindow::activate()
{
    m_started = true;
    m_activating = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    startup::Hooks hooks;
    hooks.watchdogOn = [this] { m_watchdog->start(); };
    hooks.watchdogOff = [this] { m_watchdog->stop(); };
    hooks.titleKnown = [this](const QString &title) { return loadMainWindow(title); };
    const startup::Outcome outcome = startup::activate(hooks);
    QApplication::restoreOverrideCursor();
    m_watchdog->stop();
    if (outcome == startup::Outcome::Continue && m_main) {
        m_main->setStartupPanels();
        auto *signIn = new SignInDialog(this, m_main);
        ui().showModal(signIn);
        signIn->deleteLater();
    }
    m_activating = false;
    if (m_dismissed)
        deleteLater();
}
