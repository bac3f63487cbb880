#include "shelltest.h"

#include "core/services/config.h"
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
    EXPECT_EQ(signUpShown, QStringLiteral("FrmSignUp"));
    EXPECT_GE(ui.pausedMs, 1000);
    ASSERT_NE(mainWindow(), nullptr);
    EXPECT_FALSE(mainWindow()->isVisible()); // loaded, not shown before sign-in
    EXPECT_EQ(mainWindow()->windowTitle(),
              QStringLiteral("Grievance Management System...Tessaly Central University"));
    EXPECT_EQ(label("LABELNAME"), QStringLiteral("Tessaly Central University"));
    EXPECT_FALSE(flash->findChild<QLabel *>(QStringLiteral("LABELNAME"))->isHidden());
    EXPECT_TRUE(flash->findChild<QLabel *>(QStringLiteral("Labelwait"))->isHidden());
    EXPECT_EQ(label("lblVer"), QStringLiteral("Version 1.0.3"));
    EXPECT_EQ(mainWindow()->findChild<QLabel *>(QStringLiteral("StatusBar1.panel3"))->text(),
              QStringLiteral("Version:1.0.3"));
    EXPECT_FALSE(mainWindow()->findChild<QLabel *>(QStringLiteral("StatusBar1.panel1"))->text().isEmpty());
    EXPECT_FALSE(flash->findChild<QTimer *>(QStringLiteral("Timer3"))->isActive());
    EXPECT_EQ(session().InstUnivCode, QStringLiteral("041"));
    EXPECT_EQ(session().InstAddress1, QStringLiteral("Line 1"));
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
        admin(QStringLiteral("update corvane3_tkt.control set ftktversion = '%1'")
                      .arg(QLatin1String(c.required)));
        start();
        EXPECT_EQ(ui.ended, c.stops);
        if (c.stops) {
            ASSERT_EQ(ui.messages.size(), 1);
            EXPECT_EQ(ui.last().text, QStringLiteral("Version Mismatch!!. Install latest software."));
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
    admin(QStringLiteral("delete from corvane3_tkt.control"));
    start();
    ASSERT_EQ(ui.messages.size(), 2);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Error in control table"));
    EXPECT_EQ(ui.messages[0].icon, Icon::None);
    EXPECT_TRUE(ui.messages[1].text.startsWith(QLatin1String("3021  Either BOF or EOF is True")));
    EXPECT_EQ(ui.messages[1].icon, Icon::None);
    EXPECT_TRUE(ui.ended);
    EXPECT_TRUE(ui.modalWindows.isEmpty());
}

TEST_F(Startup, aWorkstationDateOneDayOffEndsTheApplication)
{
    ui.clock = QDateTime::currentDateTime().addDays(1);
    start();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, QStringLiteral("System Date is not Matching with the Server Date"));
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    EXPECT_TRUE(ui.ended);
    EXPECT_TRUE(ui.modalWindows.isEmpty());
}

TEST_F(Startup, theTimeOfDayDoesNotMatter)
{
    const QDateTime now = QDateTime::currentDateTime();
    // Same day, another hour (stay inside the day near midnight).
    ui.clock = QDateTime(now.date(), now.time().hour() < 12 ? QTime(23, 59) : QTime(0, 1));
    start();
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(ui.ended);
}

TEST_F(Startup, anUnknownInstallationCodeLeavesTheTitleEmpty)
{
    admin(QStringLiteral("update corvane3_tkt.control set FUnivCode = ' 55'"));
    start();
    ASSERT_NE(mainWindow(), nullptr);
    EXPECT_EQ(mainWindow()->windowTitle(), QStringLiteral("Grievance Management System..."));
    EXPECT_EQ(session().InstUnivCode, QStringLiteral("55"));
    EXPECT_EQ(session().InstTitle, QString());
    EXPECT_FALSE(ui.ended);
}

TEST_F(Startup, aRefusedLoginEndsWithTheOpenConnMessage)
{
    Config::instance().password = QStringLiteral("not-the-password");
    start();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.last().text.endsWith(QLatin1String(" -2147217843")));
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    EXPECT_TRUE(ui.ended);
    EXPECT_EQ(mainWindow(), nullptr);
}

TEST_F(Startup, anUnreachableServerEndsAndTheWatchdogRunsWhileItsMessageIsUp)
{
    Config::instance().port = QStringLiteral("1");
    bool watchdogRunning = false;
    int watchdogInterval = 0;
    ui.onMessage = [&](const MessageRequest &) {
        const QTimer *timer = flash->findChild<QTimer *>(QStringLiteral("Timer3"));
        watchdogRunning = timer->isActive();
        watchdogInterval = timer->interval();
    };
    start();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.last().text.endsWith(QLatin1String(" -2147467259")));
    EXPECT_TRUE(ui.ended);
    EXPECT_TRUE(watchdogRunning);
    EXPECT_EQ(watchdogInterval, 60000);
    EXPECT_EQ(mainWindow(), nullptr);
}

TEST_F(Startup, theWatchdogEndsTheApplicationWhenItFires)
{
    flash = new FrmFlash;
    QTimer *timer = flash->findChild<QTimer *>(QStringLiteral("Timer3"));
    EXPECT_FALSE(timer->isActive()); // off until the connection is opened
    timer->start(1);
    QElapsedTimer wait;
    wait.start();
    while (!ui.ended && wait.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(ui.ended);
}

TEST_F(Startup, aReportFileThatCannotBeDeletedEndsTheStartUp)
{
    // A folder cannot be deleted as a file, even by the superuser.
    QDir(leftovers.path()).mkpath(QStringLiteral("rep1.prn/inner"));
    QFile txt(leftovers.filePath(QStringLiteral("rep2.txt")));
    ASSERT_TRUE(txt.open(QIODevice::WriteOnly));
    txt.close();
    start();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, QStringLiteral("75  Path/File access error"));
    EXPECT_EQ(ui.last().icon, Icon::None);
    EXPECT_TRUE(ui.ended);
    EXPECT_TRUE(ui.modalWindows.isEmpty());
    // Start-up stopped at the main window's load.
    EXPECT_TRUE(flash->findChild<QLabel *>(QStringLiteral("LABELNAME"))->isHidden());
    // Patterns run in order: the text file after the failed one is left alone.
    EXPECT_TRUE(QFile::exists(leftovers.filePath(QStringLiteral("rep2.txt"))));
}

TEST_F(Startup, aReadOnlyReportFileEndsTheStartUp)
{
    const QString path = leftovers.filePath(QStringLiteral("rep1.prn"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("old report");
    file.close();
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    start();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, QStringLiteral("75  Path/File access error"));
    EXPECT_TRUE(ui.ended);
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(Startup, leftOverReportsAreDeletedAndOtherFilesKept)
{
    const QStringList names = {QStringLiteral("rep1.prn"),  QStringLiteral("REP2.TXT"),
                               QStringLiteral("rep.doc"),   QStringLiteral("report.csv"),
                               QStringLiteral("xrep1.prn"), QStringLiteral("rep1.prn.bak")};
    for (const QString &name : names) {
        QFile f(leftovers.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    start();
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(QFile::exists(leftovers.filePath(QStringLiteral("rep1.prn"))));
    EXPECT_FALSE(QFile::exists(leftovers.filePath(QStringLiteral("REP2.TXT"))));
    EXPECT_FALSE(QFile::exists(leftovers.filePath(QStringLiteral("rep.doc"))));
    EXPECT_TRUE(QFile::exists(leftovers.filePath(QStringLiteral("report.csv"))));
    EXPECT_TRUE(QFile::exists(leftovers.filePath(QStringLiteral("xrep1.prn"))));
    EXPECT_TRUE(QFile::exists(leftovers.filePath(QStringLiteral("rep1.prn.bak"))));
}

TEST_F(Startup, clickingTheTitleOrTheEnabledOkUnloadsTheWindow)
{
    flash = new FrmFlash;
    flash->show();
    QPushButton *ok = flash->findChild<QPushButton *>(QStringLiteral("cmdok"));
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_FALSE(flash->findChild<QPushButton *>(QStringLiteral("cmdSysInfo"))->isEnabled());
    flash->enableButtons();
    ok->click();
    settle();
    EXPECT_TRUE(flash.isNull());

    flash = new FrmFlash;
    QLabel *title = flash->findChild<QLabel *>(QStringLiteral("Label1"));
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(title, &release);
    settle();
    EXPECT_TRUE(flash.isNull());
}

} // namespace
