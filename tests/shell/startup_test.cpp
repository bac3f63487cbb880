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
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

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
    // The same day at another hour passes (stay inside the day near midnight).
    const QDateTime now = QDateTime::currentDateTime();
    ui.clock = QDateTime(now.date(), now.time().hour() < 12 ? QTime(23, 59) : QTime(0, 1));
    start();
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
    EXPECT_FALSE(ui.ended);
    EXPECT_EQ(signUpShown, u"FrmSignUp"_s);
    EXPECT_GE(ui.pausedMs, 1000);
    ASSERT_NE(mainWindow(), nullptr);
    EXPECT_FALSE(mainWindow()->isVisible()); // loaded, not shown before sign-in
    EXPECT_EQ(mainWindow()->windowTitle(), u"Grievance Management System...Tessaly Central University"_s);
    EXPECT_EQ(label("LABELNAME"), u"Tessaly Central University"_s);
    EXPECT_FALSE(flash->findChild<QLabel *>(u"LABELNAME"_s)->isHidden());
    EXPECT_TRUE(flash->findChild<QLabel *>(u"Labelwait"_s)->isHidden());
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

// A server that cannot be reached, or one that takes the connection and never
// answers, ends the start-up with OpenConn's message within the connect
// timeout; the watchdog runs while that message is up.
TEST_F(Startup, aServerAwayOrSilentEndsWithinTheConnectTimeout)
{
    QTcpServer silent; // the kernel completes the connection; nothing is ever sent
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    Config::instance().dbConnectTimeout = 2;
    for (const QString &port : {u"1"_s, QString::number(silent.serverPort())}) {
        SCOPED_TRACE(port.toStdString());
        ui.reset();
        Config::instance().port = port;
        bool watchdogRunning = false;
        int watchdogInterval = 0;
        ui.onMessage = [&](const MessageRequest &) {
            const QTimer *timer = flash->findChild<QTimer *>(u"Timer3"_s);
            watchdogRunning = timer->isActive();
            watchdogInterval = timer->interval();
        };
        QElapsedTimer elapsed;
        elapsed.start();
        start();
        EXPECT_LT(elapsed.elapsed(), 6000);
        ASSERT_EQ(ui.messages.size(), 1);
        EXPECT_EQ(Conn::lastError().number(), ErrNo::Unreachable);
        EXPECT_TRUE(ui.last().text.endsWith(QLatin1String(" -2147467259")));
        EXPECT_EQ(ui.last().icon, Icon::Exclamation);
        EXPECT_TRUE(ui.ended);
        EXPECT_TRUE(watchdogRunning);
        EXPECT_EQ(watchdogInterval, 60000);
        EXPECT_EQ(mainWindow(), nullptr);
        delete flash;
    }
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

// Each of these ends the start-up before the sign-in, with its message.
TEST_F(Startup, stopsBeforeTheSignInWithTheirMessages)
{
    const auto file = [this](const QString &name) {
        QFile f(leftovers.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return f.fileName();
    };
    const struct
    {
        const char *name;
        std::function<void()> arrange;
        const char *texts; // '|'-joined; the last one may go on
        Icon icon;
    } cases[] = {
            {"empty control table", [] { admin(u"delete from corvane3_tkt.control"_s); },
             "Error in control table|3021  Either BOF or EOF is True", Icon::None},
            {"date one day off", [this] { ui.clock = QDateTime::currentDateTime().addDays(1); },
             "System Date is not Matching with the Server Date", Icon::Exclamation},
            {"read-only rep1.prn",
             [&] {
                 QFile::setPermissions(file(u"rep1.prn"_s), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
             },
             "75  Path/File access error", Icon::None},
            // A folder cannot be deleted as a file, even by the superuser; the
            // patterns run in order, so rep2.txt after it is left alone.
            {"rep1.prn that cannot be deleted",
             [&] {
                 QDir(leftovers.path()).mkpath(u"rep1.prn/inner"_s);
                 file(u"rep2.txt"_s);
             },
             "75  Path/File access error", Icon::None},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        admin({u"delete from corvane3_tkt.control"_s,
               u"insert into corvane3_tkt.control(FUnivCode, FUnivAdd1, ftktversion) values('041', 'Line 1', '103')"_s});
        QDir(leftovers.path()).removeRecursively();
        QDir().mkpath(leftovers.path());
        ui.reset();
        ui.onModal = [](QObject *) { return 0; };
        c.arrange();
        start();
        EXPECT_TRUE(ui.texts().join(u'|').startsWith(QLatin1String(c.texts))) << ui.dump();
        EXPECT_EQ(ui.texts().size(), QString::fromLatin1(c.texts).count(u'|') + 1);
        EXPECT_EQ(ui.last().icon, c.icon);
        EXPECT_TRUE(ui.ended);
        EXPECT_TRUE(ui.modalWindows.isEmpty());
        // The report files stop it at the main window's load.
        if (c.texts[0] == '7') {
            EXPECT_TRUE(flash->findChild<QLabel *>(u"LABELNAME"_s)->isHidden());
        }
        delete mainWindow();
        delete flash;
    }
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
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
    EXPECT_FALSE(QFile::exists(leftovers.filePath(u"rep1.prn"_s)));
    EXPECT_FALSE(QFile::exists(leftovers.filePath(u"REP2.TXT"_s)));
    EXPECT_FALSE(QFile::exists(leftovers.filePath(u"rep.doc"_s)));
    for (const QString &kept : {u"report.csv"_s, u"xrep1.prn"_s, u"rep1.prn.bak"_s})
        EXPECT_TRUE(QFile::exists(leftovers.filePath(kept))) << kept.toStdString();
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
