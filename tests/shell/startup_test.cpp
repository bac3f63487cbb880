#include "shelltest.h"

#include "core/services/config.h"
#include "core/services/database.h"
#include "core/services/errors.h"
#include "core/services/session.h"
#include "gui/shell/frmflash.h"
#include "gui/shell/mdimainmenu.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Runs the start-up window's activation as the running client would, with
// the sign-in screen's modal wait answered at once.
class Startup : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        Config::instance().programDir = leftovers.path();
        ui.onModal = [this](QObject *window) {
            signUpShown = window->objectName();
            return 0;
        };
    }
    void TearDown() override
    {
        Config::instance() = saved;
        if (flash)
            delete flash->mainWindow();
        delete flash;
        ShellTest::TearDown();
    }
    void start()
    {
        flash = new FrmFlash;
        flash->activate();
    }
    MdiMainMenu *mainWindow() const { return flash ? flash->mainWindow() : nullptr; }
    QString label(const char *name) const { return flash->findChild<QLabel *>(QLatin1String(name))->text(); }

    Config saved = Config::instance();
    QTemporaryDir leftovers;
    QPointer<FrmFlash> flash;
    QString signUpShown;
};

TEST_F(Startup, aMatchingControlRowLeadsToTheSignInWithTheMainWindowLoaded)
{
    start();
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(ui.ended);
    EXPECT_EQ(signUpShown, u"FrmSignUp"_s);
    EXPECT_GE(ui.pausedMs, 1000);
    ASSERT_NE(mainWindow(), nullptr);
    EXPECT_FALSE(mainWindow()->isVisible()); // loaded, not shown before sign-in
    EXPECT_EQ(mainWindow()->windowTitle(), u"Grievance Management System...Tessaly Central University"_s);
    EXPECT_EQ(label("LABELNAME"), u"Tessaly Central University"_s);
    EXPECT_FALSE(flash->findChild<QLabel *>(u"LABELNAME"_s)->isHidden());
    EXPECT_TRUE(flash->findChild<QLabel *>(u"Labelwait"_s)->isHidden());
    EXPECT_EQ(label("lblVer"), u"Version 1.0.3"_s);
    EXPECT_EQ(mainWindow()->findChild<QLabel *>(u"StatusBar1.panel3"_s)->text(), u"Version:1.0.3"_s);
    EXPECT_FALSE(mainWindow()->findChild<QLabel *>(u"StatusBar1.panel1"_s)->text().isEmpty());
    EXPECT_FALSE(flash->findChild<QTimer *>(u"Timer3"_s)->isActive());
    EXPECT_EQ(session().InstUnivCode, u"041"_s);
    EXPECT_EQ(session().InstAddress1, u"Line 1"_s);
    EXPECT_EQ(session().InstAddress3, QString()); // NULL reads as ""
}

TEST_F(Startup, versionIsComparedAsText)
{
    struct Case
    {
        const char *required;
        bool stops;
    };
    for (const Case c : {Case{"103", false}, Case{"104", true}, Case{"1031", true}, Case{"099", false},
                         Case{"11", true}, Case{"", false}}) {
        SCOPED_TRACE(c.required);
        ui.reset();
        ui.onModal = [](QObject *) { return 0; };
        admin(u"update corvane3_tkt.control set ftktversion = '%1'"_s.arg(QLatin1String(c.required)));
        start();
        EXPECT_EQ(ui.ended, c.stops);
        if (c.stops) {
            ASSERT_EQ(ui.messages.size(), 1);
            EXPECT_EQ(ui.last().text, u"Version Mismatch!!. Install latest software."_s);
            EXPECT_EQ(ui.last().icon, Icon::Critical);
            EXPECT_EQ(mainWindow(), nullptr);
            EXPECT_TRUE(ui.modalWindows.isEmpty());
        } else {
            EXPECT_TRUE(ui.messages.isEmpty());
            EXPECT_EQ(ui.modalWindows.size(), 1);
        }
        delete mainWindow();
        delete flash;
    }
}

TEST_F(Startup, anEmptyControlTableEndsWithTheRowError)
{
    admin(u"delete from corvane3_tkt.control"_s);
    start();
    ASSERT_EQ(ui.messages.size(), 2);
    EXPECT_EQ(ui.messages[0].text, u"Error in control table"_s);
    EXPECT_EQ(ui.messages[0].icon, Icon::None);
    EXPECT_TRUE(ui.messages[1].text.startsWith(QLatin1String("3021  Either BOF or EOF is True")));
    EXPECT_EQ(ui.messages[1].icon, Icon::None);
    EXPECT_TRUE(ui.ended);
    EXPECT_TRUE(ui.modalWindows.isEmpty());
}

TEST_F(Startup, aWorkstationDateOneDayOffEndsTheApplicationTheTimeOfDayDoesNot)
{
    const QDateTime now = QDateTime::currentDateTime();
    // Same day, another hour (stay inside the day near midnight).
    ui.clock = QDateTime(now.date(), now.time().hour() < 12 ? QTime(23, 59) : QTime(0, 1));
    start();
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
    EXPECT_FALSE(ui.ended);
    delete mainWindow();
    delete flash;

    ui.reset();
    ui.clock = now.addDays(1);
    start();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, u"System Date is not Matching with the Server Date"_s);
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    EXPECT_TRUE(ui.ended);
    EXPECT_TRUE(ui.modalWindows.isEmpty());
}

TEST_F(Startup, anUnknownInstallationCodeLeavesTheTitleEmpty)
{
    admin(u"update corvane3_tkt.control set FUnivCode = ' 55'"_s);
    start();
    ASSERT_NE(mainWindow(), nullptr);
    EXPECT_EQ(mainWindow()->windowTitle(), u"Grievance Management System..."_s);
    EXPECT_EQ(session().InstUnivCode, u"55"_s);
    EXPECT_EQ(session().InstTitle, QString());
    EXPECT_FALSE(ui.ended);
}

TEST_F(Startup, aRefusedLoginEndsWithTheOpenConnMessage)
{
    Config::instance().password = u"not-the-password"_s;
    start();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(Conn::lastError().number(), ErrNo::LoginRefused);
    EXPECT_EQ(ui.last().text, Conn::lastError().description() + u" -2147217843"_s);
    EXPECT_TRUE(ui.last().text.contains(QLatin1String("Access denied")));
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    EXPECT_TRUE(ui.ended);
    EXPECT_EQ(mainWindow(), nullptr);
}

TEST_F(Startup, anUnreachableServerEndsAndTheWatchdogRunsWhileItsMessageIsUp)
{
    Config::instance().port = u"1"_s;
    bool watchdogRunning = false;
    int watchdogInterval = 0;
    ui.onMessage = [&](const MessageRequest &) {
        const QTimer *timer = flash->findChild<QTimer *>(u"Timer3"_s);
        watchdogRunning = timer->isActive();
        watchdogInterval = timer->interval();
    };
    start();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(Conn::lastError().number(), ErrNo::Unreachable);
    EXPECT_TRUE(ui.last().text.endsWith(QLatin1String(" -2147467259")));
    EXPECT_TRUE(ui.ended);
    EXPECT_TRUE(watchdogRunning);
    EXPECT_EQ(watchdogInterval, 60000);
    EXPECT_EQ(mainWindow(), nullptr);
}

TEST_F(Startup, theWatchdogEndsTheApplicationWhenItFires)
{
    flash = new FrmFlash;
    QTimer *timer = flash->findChild<QTimer *>(u"Timer3"_s);
    EXPECT_FALSE(timer->isActive()); // off until the connection is opened
    timer->start(1);
    QElapsedTimer wait;
    wait.start();
    while (!ui.ended && wait.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(ui.ended);
}

TEST_F(Startup, aReadOnlyReportFileEndsTheStartUp)
{
    const QString path = leftovers.filePath(u"rep1.prn"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    start();
    EXPECT_EQ(ui.texts(), QStringList{u"75  Path/File access error"_s});
    EXPECT_TRUE(ui.ended);
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(Startup, aReportFileThatCannotBeDeletedEndsTheStartUp)
{
    // A folder cannot be deleted as a file, even by the superuser.
    QDir(leftovers.path()).mkpath(u"rep1.prn/inner"_s);
    QFile txt(leftovers.filePath(u"rep2.txt"_s));
    ASSERT_TRUE(txt.open(QIODevice::WriteOnly));
    txt.close();
    start();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, u"75  Path/File access error"_s);
    EXPECT_EQ(ui.last().icon, Icon::None);
    EXPECT_TRUE(ui.ended);
    EXPECT_TRUE(ui.modalWindows.isEmpty());
    // Start-up stopped at the main window's load.
    EXPECT_TRUE(flash->findChild<QLabel *>(u"LABELNAME"_s)->isHidden());
    // Patterns run in order: the text file after the failed one is left alone.
    EXPECT_TRUE(QFile::exists(leftovers.filePath(u"rep2.txt"_s)));
}

TEST_F(Startup, leftOverReportsAreDeletedAndOtherFilesKept)
{
    const QStringList names = {u"rep1.prn"_s,   u"REP2.TXT"_s,  u"rep.doc"_s,
                               u"report.csv"_s, u"xrep1.prn"_s, u"rep1.prn.bak"_s};
    for (const QString &name : names) {
        QFile f(leftovers.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    start();
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(QFile::exists(leftovers.filePath(u"rep1.prn"_s)));
    EXPECT_FALSE(QFile::exists(leftovers.filePath(u"REP2.TXT"_s)));
    EXPECT_FALSE(QFile::exists(leftovers.filePath(u"rep.doc"_s)));
    EXPECT_TRUE(QFile::exists(leftovers.filePath(u"report.csv"_s)));
    EXPECT_TRUE(QFile::exists(leftovers.filePath(u"xrep1.prn"_s)));
    EXPECT_TRUE(QFile::exists(leftovers.filePath(u"rep1.prn.bak"_s)));
}

TEST_F(Startup, clickingTheTitleOrTheEnabledOkUnloadsTheWindow)
{
    flash = new FrmFlash;
    flash->show();
    QPushButton *ok = flash->findChild<QPushButton *>(u"cmdok"_s);
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_FALSE(flash->findChild<QPushButton *>(u"cmdSysInfo"_s)->isEnabled());
    flash->enableButtons();
    ok->click();
    settle();
    EXPECT_TRUE(flash.isNull());

    flash = new FrmFlash;
    QLabel *title = flash->findChild<QLabel *>(u"Label1"_s);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(title, &release);
    settle();
    EXPECT_TRUE(flash.isNull());
}

} // namespace
