#include "gui/shell/mainwindow.h"

#include "core/services/config.h"
#include "core/services/database.h"
#include "core/services/handler.h"
#include "core/services/interaction.h"
#include "core/services/session.h"
#include "core/services/sqltext.h"
#include "core/shell/mainload.h"
#include "core/shell/permissions.h"
#include "core/shell/startup.h"
#include "gui/reports/examcentrelist.h"
#include "gui/shell/screens.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>

namespace {
constexpr int kStatusPanels = 6;
const char *const kCaptionPrefix = "Grievance Management System...";
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setWindowTitle(QString::fromLatin1(kCaptionPrefix));
    m_mdi = new QMdiArea(this);
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    buildMenu();
    buildStatusBar();
}

QAction *MainWindow::addCommand(QMenu *menu, const QString &name, const QString &caption)
{
    QAction *action = menu ? menu->addAction(caption) : menuBar()->addAction(caption);
    action->setObjectName(name);
    m_menuItems.push_back(action);
    connect(action, &QAction::triggered, this, [this, name] { runCommand(name); });
    return action;
}

QMenu *MainWindow::addSubMenu(QMenu *menu, const QString &name, const QString &caption)
{
    QMenu *sub = menu ? menu->addMenu(caption) : menuBar()->addMenu(caption);
    sub->setObjectName(name);
    sub->menuAction()->setObjectName(name);
    m_menuItems.push_back(sub->menuAction());
    return sub;
}

void MainWindow::buildMenu()
{
    QMenu *masters = addSubMenu(nullptr, QStringLiteral("N1"), QStringLiteral("&Masters"));
    addCommand(masters, QStringLiteral("N11"), QStringLiteral("&College"));

    QMenu *transactions = addSubMenu(nullptr, QStringLiteral("N2"), QStringLiteral("&Transactions"));
    addCommand(transactions, QStringLiteral("N21"), QStringLiteral("Receive Query"));
    addCommand(transactions, QStringLiteral("N22"), QStringLiteral("&Import Student Basic Data"));
    addCommand(transactions, QStringLiteral("N24"), QStringLiteral("&Import Student Basic Data (Excel)"));
    addCommand(transactions, QStringLiteral("N23"), QStringLiteral("&Change Degree"));
    addCommand(transactions, QStringLiteral("N25"), QStringLiteral("&Reg. No. Generation"));
    addCommand(transactions, QStringLiteral("N26"), QStringLiteral("&Find Grievance"));

    QMenu *reports = addSubMenu(nullptr, QStringLiteral("N3"), QStringLiteral("&Reports"));
    addCommand(reports, QStringLiteral("N31"), QStringLiteral("&Exam Centres with Tagged Colleges"));
    addCommand(reports, QStringLiteral("N32"), QStringLiteral("&Supervisor's View"));

    QMenu *utilities = addSubMenu(nullptr, QStringLiteral("N4"), QStringLiteral("&Utilities"));
    addCommand(utilities, QStringLiteral("N41"), QStringLiteral("&Control"));
    addCommand(utilities, QStringLiteral("N42"), QStringLiteral("&Password"));
    addCommand(utilities, QStringLiteral("N43"), QStringLiteral("&Security"));
    addCommand(utilities, QStringLiteral("N44"), QStringLiteral("&Reset Locked Users"));
    addCommand(utilities, QStringLiteral("N45"), QStringLiteral("&Overdue Limit"));
    addCommand(utilities, QStringLiteral("N46"), QStringLiteral("Reply &Templates"));

    m_windowMenu = addSubMenu(nullptr, QStringLiteral("NWindow"), QStringLiteral("&Window"));
    connect(m_windowMenu, &QMenu::aboutToShow, this, &MainWindow::fillWindowMenu);

    QMenu *help = addSubMenu(nullptr, QStringLiteral("mnuFilemain"), QStringLiteral("&Help"));
    QMenu *alternate = addSubMenu(help, QStringLiteral("mnuAlt"), QStringLiteral("Alternate Keys"));
    const QStringList keys = {
            QStringLiteral("&Add"),    QStringLiteral("&Edit"),    QStringLiteral("&Delete"),
            QStringLiteral("&Save"),   QStringLiteral("&Cancel"),  QStringLiteral("E&xit"),
            QStringLiteral("Sea&rch"), QStringLiteral("Pre&view"), QStringLiteral("&Print"),
            QStringLiteral("Sp&ool"),  QStringLiteral("&First"),   QStringLiteral("Prev&ious"),
            QStringLiteral("&Next"),   QStringLiteral("&Last")};
    for (int i = 0; i < keys.size(); ++i)
        addCommand(alternate, QStringLiteral("mnuFile(%1)").arg(i), keys.at(i));
    QAction *separator = help->addSeparator();
    separator->setObjectName(QStringLiteral("MMM1"));
    m_menuItems.push_back(separator);
    addCommand(help, QStringLiteral("mnuhlpsearch"), QStringLiteral("Help Search"));

    addCommand(nullptr, QStringLiteral("MnuExit"), QStringLiteral("E&xit"));
}

QLabel *MainWindow::addStatusPanel()
{
    auto *panel = new QLabel(statusBar());
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusBar()->addWidget(panel);
    return panel;
}

void MainWindow::buildStatusBar()
{
    statusBar()->setSizeGripEnabled(false);
    m_dateLabel = addStatusPanel();
    m_clockLabel = addStatusPanel();
    m_versionLabel = addStatusPanel();
    m_userLabel = addStatusPanel();
    m_blankLabel = addStatusPanel();
    m_lastBlankLabel = addStatusPanel();
    m_clockTimer = new QTimer(this);
    m_clockTimer->setInterval(1000);
    connect(m_clockTimer, &QTimer::timeout, this, &MainWindow::updateClock);
}

void MainWindow::layoutStatusPanels()
{
    // Each panel one sixth of the window's inner width.
    const int width = qMax(1, this->width() / kStatusPanels - 6);
    for (QLabel *panel :
         {m_dateLabel, m_clockLabel, m_versionLabel, m_userLabel, m_blankLabel, m_lastBlankLabel})
        panel->setFixedWidth(width);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    layoutStatusPanels();
}

bool MainWindow::load()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        const QScreen *screen = this->screen() ? this->screen() : QApplication::primaryScreen();
        if (screen)
            setGeometry(QRect(QPoint(0, 0), screen->size()));
        setWindowState(Qt::WindowMaximized);
        mainload::deleteLeftoverReports(Config::instance().programDir);
    } catch (const AppError &error) {
        QApplication::restoreOverrideCursor();
        mainload::reportLoadError(error);
        ui().endApplication(0);
        return false;
    }
    QApplication::restoreOverrideCursor();
    layoutStatusPanels();
    return true;
}

void MainWindow::setStartupPanels()
{
    updateClock();
    m_versionLabel->setText(QStringLiteral("Version:") + startup::versionDisplay());
    m_clockTimer->start();
}

void MainWindow::updateClock()
{
    const QDateTime now = ui().now();
    const QLocale locale;
    m_dateLabel->setText(locale.toString(now.date(), QLocale::ShortFormat));
    m_clockLabel->setText(locale.toString(now.time(), QLocale::ShortFormat));
}

void MainWindow::setUserPanel(const QString &user)
{
    m_userLabel->setText(user);
}

MainWindow::Permissions MainWindow::applyPermissions()
{
    const std::optional<permissions::Account> account = permissions::readAccount(session().userName);
    if (!account) {
        msgBox(QStringLiteral("You have no permissions to use the Software, Contact Admin."), Icon::Critical);
        ui().endApplication(0);
        return Permissions::Ended;
    }
    static const QRegularExpression itemNumber(QStringLiteral("\\(\\d+\\)$"));
    QVector<permissions::Control> controls;
    controls.reserve(m_menuItems.size());
    for (const QAction *action : std::as_const(m_menuItems)) {
        QString name = action->objectName();
        name.remove(itemNumber); // numbered items answer to their common name
        controls.push_back({name, action->isSeparator() ? QStringLiteral("-") : action->text()});
    }
    const QVector<permissions::Change> changes = permissions::decide(controls, *account);
    for (int i = 0; i < changes.size(); ++i) {
        if (changes[i] == permissions::Change::Enable)
            m_menuItems[i]->setEnabled(true);
        else if (changes[i] == permissions::Change::Disable)
            m_menuItems[i]->setEnabled(false);
    }
    return Permissions::Applied;
}

void MainWindow::runCommand(const QString &name)
{
    if (name == QLatin1String("N11") || name == QLatin1String("N25")) {
        msgBox(QStringLiteral("This screen is not part of this client."), Icon::Information);
    } else if (name == QLatin1String("N31")) {
        runExamCentreList(this);
    } else if (name == QLatin1String("N44")) {
        // Only the account typed exactly as ADMIN may release held grievances.
        if (session().userName == QLatin1String("ADMIN"))
            showScreen(name);
    } else if (name == QLatin1String("MnuExit")) {
        confirmExit();
    } else {
        showScreen(name); // commands without a screen get none from the factory
    }
}

void MainWindow::showScreen(const QString &name)
{
    QPointer<QMdiSubWindow> &open = m_openScreens[name];
    if (open) {
        open->showNormal();
        m_mdi->setActiveSubWindow(open);
        return;
    }
    QWidget *screen = createScreen(name, this);
    if (!screen)
        return;
    // A screen that closes itself (its Close button, Esc) goes for good and
    // takes its frame along; otherwise an empty frame would stay and the menu
    // would bring that back instead of a new screen. Queued: the frame may be
    // the one deleting the screen.
    screen->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow *sub = m_mdi->addSubWindow(screen);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    connect(screen, &QObject::destroyed, sub, &QMdiSubWindow::close, Qt::QueuedConnection);
    open = sub;
    // Entry screens open in the middle of the main window.
    sub->move(qMax(0, (m_mdi->width() - sub->width()) / 2), qMax(0, (m_mdi->height() - sub->height()) / 2));
    sub->show();
    m_mdi->setActiveSubWindow(sub);
}

void MainWindow::fillWindowMenu()
{
    m_windowMenu->clear();
    m_windowMenu->addAction(QStringLiteral("&Cascade"), m_mdi, &QMdiArea::cascadeSubWindows);
    m_windowMenu->addAction(QStringLiteral("&Tile"), m_mdi, &QMdiArea::tileSubWindows);
    const QList<QMdiSubWindow *> windows = m_mdi->subWindowList();
    if (!windows.isEmpty())
        m_windowMenu->addSeparator();
    int number = 1;
    for (QMdiSubWindow *window : windows) {
        QAction *entry =
                m_windowMenu->addAction(QStringLiteral("&%1 %2").arg(number++).arg(window->windowTitle()));
        entry->setCheckable(true);
        entry->setChecked(window == m_mdi->activeSubWindow());
        connect(entry, &QAction::triggered, this, [this, window = QPointer<QMdiSubWindow>(window)] {
            if (window)
                m_mdi->setActiveSubWindow(window);
        });
    }
}

void MainWindow::confirmExit()
{
    // This way out keeps the held grievance; an administrator releases it.
    if (askYesNo(QStringLiteral("Are You Sure About Quiting ?"), Icon::Critical) == Answer::Yes)
        ui().endApplication(0);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->ignore();
    if (askYesNo(QStringLiteral("Are You sure about Quiting.?"), Icon::Critical) != Answer::Yes)
        return;
    // Release the held grievance. A connection dropped while the window sat
    // idle is reopened first; any other failure is reported, and the
    // application ends either way.
    runHandled(ErrorStyle::DescriptionNumber, [] {
        Conn::execute(QStringLiteral("update masuser set ftktid = null where fusername = ") +
                      sql::quote(session().userName));
    });
    ui().endApplication(0);
}
