#include "core/services/config.h"
#include "core/services/session.h"
#include "gui/desk/deskscreen.h"
#include "gui/shell/mainwindow.h"
#include "gui/shell/signindialog.h"
#include "gui/shell/splashwindow.h"

#include "support/testdb.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

bool matches(const std::string &text, const QString &pattern)
{
    return QRegularExpression(u"^(?:%1)$"_s.arg(pattern)).match(QString::fromStdString(text)).hasMatch();
}

// The accounts and the main window every shell test starts from.
class Shell : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        resetCentral();
        addUser(u"ADMIN"_s, QString(), u"42"_s, u"N21*"_s, u"secret"_s);
        addUniv(u"041"_s, u"Tessaly Central University"_s);
        Config::instance().programDir = leftovers.path();
        main = std::make_unique<MainWindow>();
    }
    void TearDown() override
    {
        Config::instance() = saved;
        settle();
        DbTest::TearDown();
    }
    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QTest::qWait(0); // runs deferred deletions too
    }
    void choose(const QString &name) { main->findChild<QAction *>(name)->trigger(); }
    int windows() const { return int(main->mdiArea()->subWindowList().size()); }
    QWidget *screen() const { return main->mdiArea()->subWindowList().value(0)->widget(); }
    template<typename T = QWidget>
    T *child(const char *name) const
    {
        return screen()->findChild<T *>(QLatin1String(name));
    }

    const Config saved = Config::instance();
    QTemporaryDir leftovers;
    std::unique_ptr<MainWindow> main;
};

using Startup = Shell;

// On a matching control row (same day, another hour) start-up deletes left-over
// reports and hands over to the sign-in, where the keyboard alone signs in.
TEST_F(Startup, reachesTheSignInAndSignsInByKeyboard)
{
    for (const QString &name :
         {u"rep1.prn"_s, u"REP2.TXT"_s, u"rep.doc"_s, u"report.csv"_s, u"rep1.prn.bak"_s})
        ASSERT_TRUE(QFile(leftovers.filePath(name)).open(QIODevice::WriteOnly));
    const QDateTime now = QDateTime::currentDateTime();
    ui.clock = QDateTime(now.date(), now.time().hour() < 12 ? QTime(23, 59) : QTime(0, 1));
    QPointer<SplashWindow> splash = new SplashWindow;
    ui.onModal = [&](QObject *window) {
        auto *screen = qobject_cast<QWidget *>(window);
        auto *password = screen->findChild<QLineEdit *>(u"password"_s);
        screen->show();
        QTest::keyClicks(screen->focusWidget(), u"admin"_s);
        QTest::keyClick(screen->focusWidget(), Qt::Key_Return);
        EXPECT_FALSE(splash->mainWindow()->isVisible());
        EXPECT_EQ(screen->focusWidget(), password);
        QTest::keyClicks(password, u"secret"_s);
        EXPECT_EQ(password->text(), u"SECRET"_s);
        QTest::keyClick(password, Qt::Key_Return);
        return 0;
    };
    splash->activate();
    main.reset(splash->mainWindow());
    EXPECT_TRUE(main && main->isVisible());
    EXPECT_EQ(ui.dump(), "");
    EXPECT_EQ(session().userName, u"ADMIN"_s);
    EXPECT_EQ(session().userLevel, QString()); // fgroup NULL: no level
    EXPECT_EQ(QDir(leftovers.path()).entryList(QDir::Files, QDir::Name),
              (QStringList{u"rep1.prn.bak"_s, u"report.csv"_s}));
}

// Each of these ends the application before the sign-in with its message;
// a server that is down or never answers ends within the connect timeout,
// the start-up window's event loop running (a timer ticks) meanwhile.
TEST_F(Startup, stopsBeforeTheSignIn)
{
    QTcpServer silent; // the kernel completes the connection; nothing is ever sent
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    const QString version = u"update corvane3_tkt.control set ftktversion = "_s;
    const struct
    {
        const char *name;
        std::function<void()> arrange;
        QString messages; // pattern; empty: start-up goes on to the sign-in
    } cases[] = {
            {"server down", [] { Config::instance().port = u"1"_s; }, u".* -2147467259"_s},
            {"server silent", [&] { Config::instance().port = QString::number(silent.serverPort()); },
             u".* -2147467259"_s},
            {"login refused", [] { Config::instance().password = u"not-the-password"_s; },
             u".*Access denied.* -2147217843"_s},
            {"newer version, compared as text", [&] { admin(version + u"'11'"_s); },
             u"Version Mismatch!!.*"_s},
            {"older version", [&] { admin(version + u"'099'"_s); }, u""_s},
            {"no control row", [] { admin(u"delete from corvane3_tkt.control"_s); },
             u"Error in control table.*"_s},
            {"date one day off", [this] { ui.clock = QDateTime::currentDateTime().addDays(1); },
             u"System Date is not Matching with the Server Date"_s},
            {"left-over report that cannot be deleted",
             [this] { QDir(leftovers.path()).mkdir(u"rep1.prn"_s); }, u"75  Path/File access error"_s},
    };
    Config::instance().dbConnectTimeout = 2;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Config::instance().port = saved.port;
        Config::instance().password = saved.password;
        QDir(leftovers.filePath(u"rep1.prn"_s)).removeRecursively();
        resetCentral();
        ui.reset();
        c.arrange();
        QElapsedTimer elapsed;
        elapsed.start();
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(50);
        QPointer<SplashWindow> splash = new SplashWindow;
        splash->activate();
        EXPECT_LT(elapsed.elapsed(), 6000);
        EXPECT_GE(ticks * 100, elapsed.elapsed() - 1000) << ticks;
        EXPECT_TRUE(matches(ui.dump(), c.messages)) << ui.dump();
        EXPECT_EQ(ui.ended, !c.messages.isEmpty());
        delete splash->mainWindow();
        delete splash;
    }
}

using SignIn = Shell;

// A refusal keeps the screen (university list read all the same); a quote is
// dropped for the look-up only, so that name finds no permission row.
TEST_F(SignIn, refusalsAndFailures)
{
    enum Outcome { Again, In, Ended };
    std::unique_ptr<SignInDialog> screen;
    const struct
    {
        const char *name;
        QString user, password;
        std::function<void()> arrange;
        QString messages; // pattern
        Outcome outcome;
        QString button = u"okButton"_s; // empty: none
    } cases[] = {
            {"empty", QString(), QString(), {}, u"Enter User name"_s, Again},
            {"blank password", u"ADMIN"_s, u"   "_s, {}, u"Enter Password"_s, Again},
            {"wrong password", u"ADMIN"_s, u"guess"_s, {}, u"Invalid Password"_s, Again},
            {"unknown user", u"NOBODY"_s, u"secret"_s, {}, u"Invalid Password"_s, Again},
            {"injection", u"ADMIN\\' OR 1=1 -- "_s, u"x"_s, {}, u"Invalid Password"_s, Again},
            {"quote in the name", u"AD'MIN"_s, u"secret"_s, {}, u"You have no permissions.*"_s, Ended},
            {"pasted in lower case", u"admin"_s, u"secret"_s, {}, u""_s, In},
            {"dropped link", u"ADMIN"_s, u"secret"_s, [] { killConn(); }, u""_s, In},
            {"Esc, then Cancel", u"ADMIN"_s, u"secret"_s,
             [&] { QTest::keyClick(screen.get(), Qt::Key_Escape); }, u"Application Terminated"_s, Ended,
             u"cancelButton"_s},
            {"close box", u"ADMIN"_s, u"secret"_s, [&] { screen->close(); }, u"Application Terminated"_s,
             Ended, QString()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        main = std::make_unique<MainWindow>();
        screen = std::make_unique<SignInDialog>(nullptr, main.get());
        screen->show();
        session().reset();
        ui.reset();
        if (c.arrange)
            c.arrange();
        screen->findChild<QLineEdit *>(u"userName"_s)->setText(c.user);
        screen->findChild<QLineEdit *>(u"password"_s)->setText(c.password);
        if (!c.button.isEmpty())
            screen->findChild<QPushButton *>(c.button)->click();
        EXPECT_TRUE(matches(ui.dump(), c.messages)) << ui.dump();
        EXPECT_EQ(main->isVisible() && !screen->isVisible(), c.outcome == In);
        EXPECT_EQ(ui.ended, c.outcome == Ended);
        EXPECT_TRUE(c.outcome != Again || session().userName.isEmpty()) << session().userName.toStdString();
        EXPECT_EQ(session().universitiesRead, c.button == u"okButton"_s);
    }
}

using MainMenu = Shell;

// Commands held as a case-sensitive substring are enabled ("N21*": N2 too);
// ADMIN in any case gets all; help, window list and exit stay for everyone.
// Releasing held grievances (N44) opens only for ADMIN as typed.
TEST_F(MainMenu, permissionStringsEnableTheCommandsTheyHold)
{
    const struct
    {
        QString user;
        QString permission; // null: NULL
        QStringList enabled;
    } cases[] = {
            {u"CLERK"_s, u"N21*"_s, {u"N2"_s, u"N21"_s}},
            {u"CLERK"_s, u"n21*"_s, {}},
            {u"CLERK"_s, QString(), {}},
            {u"CLERK"_s, u"N11*N44*"_s, {u"N1"_s, u"N11"_s, u"N4"_s, u"N44"_s}},
            {u"admin"_s, QString(), {u"*"_s}},
            {u"ADMIN"_s, u"N21*"_s, {u"*"_s}},
            {u"O'NEIL\\"_s, u"N31*"_s, {u"N3"_s, u"N31"_s}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.user.toStdString() + " / " + c.permission.toStdString());
        admin(u"delete from corvane3_tkt.masuser"_s);
        addUser(c.user, u"A"_s, QString(), c.permission);
        main = std::make_unique<MainWindow>();
        session().userName = c.user;
        ASSERT_EQ(main->applyPermissions(), MainWindow::Permissions::Applied);
        for (const QAction *action : main->menuControls()) {
            const QString name = action->objectName();
            const bool command = (name.startsWith(u'N') && name != u"NWindow"_s) || name == u"mnuhlpsearch"_s;
            EXPECT_EQ(action->isEnabled(), !command || c.enabled.contains(name) || c.enabled.contains(u"*"_s))
                    << name.toStdString();
        }
        choose(u"N44"_s);
        EXPECT_EQ(windows(), c.user == u"ADMIN"_s ? 1 : 0);
    }
    session().userName = u"GHOST"_s;
    EXPECT_EQ(main->applyPermissions(), MainWindow::Permissions::Ended);
    EXPECT_EQ(ui.dump(), "You have no permissions to use the Software, Contact Admin.");
    EXPECT_TRUE(ui.ended);
}

// A screen chosen again is not doubled; screens that close themselves go with
// their frame, and the menu opens a working one again (the lock-release screen
// showing its buttons whole). The close box releases the held grievance.
TEST_F(MainMenu, screensThatCloseThemselvesOpenAgainFromTheMenu)
{
    main->show();
    admin(u"update corvane3_tkt.masuser set ftktid = null"_s);
    addGrievance(42, u"'A'"_s, u"null"_s);
    session().userLevel = u"A"_s;
    readUniversities();
    session().userName = u"ADMIN"_s;
    const auto deskPicks = [this] { // a tick picks the grievance and enables the desk's buttons
        auto *desk = qobject_cast<DeskScreen *>(screen());
        ASSERT_NE(desk, nullptr);
        desk->pollTick();
        EXPECT_EQ(desk->displayed().tktid, u"42"_s);
    };
    const auto buttonsWhole = [this] {
        const QWidget *button = child<QTableWidget>("lockedUsers")->cellWidget(0, 3);
        EXPECT_EQ(button->visibleRegion().boundingRect(), button->rect());
    };
    const struct
    {
        const char *name;
        QString menu;
        std::function<void()> opened, close;
    } cases[] = {
            {"desk Close", u"N21"_s, deskPicks, [&] { child<QPushButton>("closeButton")->click(); }},
            {"desk Esc", u"N21"_s, deskPicks, [&] { QTest::keyClick(child("replyButton"), Qt::Key_Escape); }},
            {"lock release Esc", u"N44"_s, buttonsWhole,
             [&] { QTest::keyClick(child("level"), Qt::Key_Escape); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        choose(c.menu);
        choose(c.menu);
        ASSERT_EQ(windows(), 1);
        c.opened();
        c.close();
        settle();
        EXPECT_EQ(windows(), 0);
        choose(c.menu);
        ASSERT_EQ(windows(), 1);
        c.opened();
        main->mdiArea()->closeAllSubWindows();
        settle();
    }
    EXPECT_EQ(ui.dump(), "");
    admin(u"update corvane3_tkt.masuser set ftktid = 42"_s);
    killConn();
    ui.answers = {Answer::Yes};
    main->close();
    EXPECT_TRUE(ui.ended);
    EXPECT_EQ(heldBy(u"ADMIN"_s), u""_s);
}

} // namespace
