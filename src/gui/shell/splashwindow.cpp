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
    setObjectName(QStringLiteral("SplashWindow"));
    setWindowTitle(QString::fromLatin1(kAppTitle));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xE8, 0xEE, 0xF6));
    setPalette(pal);

    m_label1 = new QLabel(QStringLiteral("Grievance Management System"), this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    QFont big = m_label1->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    m_label1->setFont(big);
    m_label1->setAlignment(Qt::AlignCenter);
    m_label1->installEventFilter(this);

    m_labelName = new QLabel(this);
    m_labelName->setObjectName(QStringLiteral("LABELNAME"));
    QFont mid = m_labelName->font();
    mid.setPointSize(mid.pointSize() + 4);
    m_labelName->setFont(mid);
    m_labelName->setAlignment(Qt::AlignCenter);
    m_labelName->hide();

    m_labelWait = new QLabel(QStringLiteral("Connecting to database please wait . . ."), this);
    m_labelWait->setObjectName(QStringLiteral("Labelwait"));
    m_labelWait->setAlignment(Qt::AlignCenter);

    auto *version = new QLabel(QStringLiteral("Version ") + startup::versionDisplay(), this);
    version->setObjectName(QStringLiteral("lblVer"));

    m_cmdok = new QPushButton(QStringLiteral("OK"), this);
    m_cmdok->setObjectName(QStringLiteral("cmdok"));
    m_cmdok->setEnabled(false);
    connect(m_cmdok, &QPushButton::clicked, this, &SplashWindow::unload);
    m_cmdSysInfo = new QPushButton(QStringLiteral("&System Info"), this);
    m_cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    m_cmdSysInfo->setEnabled(false);

    // Ends the application when the open's failure message is left
    // unanswered for a minute. The open itself gives up sooner: the
    // connection's own connect timeout ends a server that never answers.
    m_timer3 = new QTimer(this);
    m_timer3->setObjectName(QStringLiteral("Timer3"));
    m_timer3->setInterval(60000);
    m_timer3->setSingleShot(true);
    connect(m_timer3, &QTimer::timeout, this, [] { ui().endApplication(0); });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(version);
    buttons->addStretch();
    buttons->addWidget(m_cmdSysInfo);
    buttons->addWidget(m_cmdok);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(30, 30, 30, 24);
    layout->addStretch();
    layout->addWidget(m_label1);
    layout->addWidget(m_labelName);
    layout->addStretch();
    layout->addWidget(m_labelWait);
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
    if (watched == m_label1 && event->type() == QEvent::MouseButtonRelease) {
        unload();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void SplashWindow::unload()
{
    hide();
    if (m_activating)
        m_unloaded = true;
    else
        deleteLater();
}

void SplashWindow::enableButtons()
{
    m_cmdok->setEnabled(true);
    m_cmdSysInfo->setEnabled(true);
}

bool SplashWindow::loadMainWindow(const QString &title)
{
    if (!m_main)
        m_main = new MainWindow;
    m_main->setWindowTitle(QStringLiteral("Grievance Management System...") + title);
    if (!m_main->load())
        return false;
    m_labelName->setText(title);
    m_labelName->show();
    m_labelWait->hide();
    return true;
}

void SplashWindow::activate()
{
    m_started = true;
    m_activating = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    startup::Hooks hooks;
    hooks.watchdogOn = [this] { m_timer3->start(); };
    hooks.watchdogOff = [this] { m_timer3->stop(); };
    hooks.titleKnown = [this](const QString &title) { return loadMainWindow(title); };
    const startup::Outcome outcome = startup::activate(hooks);
    QApplication::restoreOverrideCursor();
    m_timer3->stop();
    if (outcome == startup::Outcome::Continue && m_main) {
        m_main->setStartupPanels();
        auto *signUp = new SignInDialog(this, m_main);
        ui().showModal(signUp);
        signUp->deleteLater();
    }
    m_activating = false;
    if (m_unloaded)
        deleteLater();
}
