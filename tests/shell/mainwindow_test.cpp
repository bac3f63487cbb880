#include "shelltest.h"

#include "core/services/session.h"
#include "gui/desk/frmrectkt.h"
#include "gui/shell/mdimainmenu.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

class MainWindow : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        addUser(u"ADMIN"_s, u"secret"_s, u"A"_s, QString(), u"42"_s);
        session().LoginUser = u"ADMIN"_s;
        main = std::make_unique<MdiMainMenu>();
        main->show();
    }
    void TearDown() override
    {
        main.reset();
        ShellTest::TearDown();
    }
    void choose(const QString &name) { main->findChild<QAction *>(name)->trigger(); }
    int windows() const { return int(main->mdiArea()->subWindowList().size()); }
    QString held()
    {
        return adminValue(u"select ifnull(ftktid, 'NULL') from corvane3_tkt.masuser "
                          "where fusername = 'ADMIN'"_s);
    }

    std::unique_ptr<MdiMainMenu> main;
};

TEST_F(MainWindow, statusBarHasSixEqualPanelsWithVersionAndUser)
{
    main->resize(1200, 700);
    main->setStartupPanels();
    main->setUserPanel(u"ADMIN"_s);
    ASSERT_EQ(main->statusBar()->objectName(), u"StatusBar1"_s);
    int width = -1;
    for (int i = 1; i <= 6; ++i) {
        const QLabel *panel = main->findChild<QLabel *>(u"StatusBar1.panel%1"_s.arg(i));
        ASSERT_NE(panel, nullptr);
        if (width < 0)
            width = panel->width();
        EXPECT_EQ(panel->width(), width);
    }
    EXPECT_NEAR(width, 1200 / 6, 8);
    EXPECT_EQ(main->findChild<QLabel *>(u"StatusBar1.panel3"_s)->text(), u"Version:1.0.3"_s);
    EXPECT_EQ(main->findChild<QLabel *>(u"StatusBar1.panel4"_s)->text(), u"ADMIN"_s);
    EXPECT_EQ(main->findChild<QLabel *>(u"StatusBar1.panel5"_s)->text(), QString());

    // The time panel follows the clock.
    ui.clock = QDateTime(QDate(2026, 3, 1), QTime(9, 7, 3));
    const QString expected = QLocale().toString(ui.clock.time(), QLocale::ShortFormat);
    const QLabel *time = main->findChild<QLabel *>(u"StatusBar1.panel2"_s);
    QElapsedTimer wait;
    wait.start();
    while (time->text() != expected && wait.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(time->text(), expected);
    EXPECT_EQ(main->findChild<QLabel *>(u"StatusBar1.panel1"_s)->text(),
              QLocale().toString(QDate(2026, 3, 1), QLocale::ShortFormat));
}

TEST_F(MainWindow, aScreenOpenedTwiceExistsOnceAndAClosedOneComesBackNew)
{
    choose(u"N21"_s);
    choose(u"N21"_s);
    ASSERT_EQ(windows(), 1);
    QMdiSubWindow *first = main->mdiArea()->subWindowList().first();
    EXPECT_EQ(first->windowTitle(), u"Receive Grievance . . ."_s);

    choose(u"N43"_s);
    EXPECT_EQ(windows(), 2);
    choose(u"N21"_s);
    EXPECT_EQ(windows(), 2);
    EXPECT_EQ(main->mdiArea()->activeSubWindow(), first); // brought forward

    first->close();
    settle();
    EXPECT_EQ(windows(), 1);
    choose(u"N21"_s);
    EXPECT_EQ(windows(), 2);
    EXPECT_TRUE(ui.messages.isEmpty());
}

// Screens that close themselves take their frame along, and the menu then
// opens a new screen that works; the lock-release screen shows its Release
// buttons whole.
TEST_F(MainWindow, screensThatCloseThemselvesOpenAgainFromTheMenu)
{
    addUniv(u"041"_s, u"Alpha"_s);
    admin(QStringList{
            u"update corvane3_tkt.masuser set ftktid = null"_s,
            u"insert into corvane3_tkt.tkthead(ftktid, ftktgroup, funivcode) values(42, 'A', '041')"_s});
    session().LoginGroup = u"A"_s;
    readUnivList();
    auto desk = [this]() -> frmrectkt * {
        auto *screen = qobject_cast<frmrectkt *>(main->mdiArea()->subWindowList().value(0)->widget());
        EXPECT_NE(screen, nullptr);
        screen->Timer1_Timer(); // a grievance on the desk enables its buttons
        EXPECT_EQ(screen->displayed().tktid, u"42"_s);
        return screen;
    };
    struct Case
    {
        const char *name;
        QString menu;
        std::function<void()> close;
    };
    const Case cases[] = {
            {"desk Close", u"N21"_s, [&] { desk()->findChild<QPushButton *>(u"cmd(3)"_s)->click(); }},
            {"desk Esc", u"N21"_s,
             [&] { pressKey(desk()->findChild<QPushButton *>(u"cmd(0)"_s), Qt::Key_Escape); }},
            {"lock release Esc", u"N44"_s,
             [&] {
                 pressKey(main->mdiArea()->subWindowList().value(0)->widget()->findChild<QLineEdit *>(
                                  u"text(0)"_s),
                          Qt::Key_Escape);
             }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        choose(c.menu);
        settle();
        c.close();
        settle();
        EXPECT_EQ(windows(), 0);
        choose(c.menu);
        settle();
        ASSERT_EQ(windows(), 1);
        QWidget *screen = main->mdiArea()->subWindowList().first()->widget();
        ASSERT_NE(screen, nullptr);
        EXPECT_TRUE(screen->isVisible());
        if (c.menu == QLatin1String("N21")) {
            EXPECT_EQ(desk()->findChild<QLineEdit *>(u"text(0)"_s)->text(), u"42"_s);
        } else {
            const QWidget *button = screen->findChild<QTableWidget *>(u"spread"_s)->cellWidget(0, 2);
            EXPECT_EQ(button->visibleRegion().boundingRect(), button->rect());
        }
        main->mdiArea()->closeAllSubWindows();
        settle();
    }
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
}

// N44 opens only for exactly "ADMIN"; N11 and N25 show a notice; commands
// without a screen of their own do nothing.
TEST_F(MainWindow, commandsThatOpenNothing)
{
    for (const QString &name : {u"admin"_s, u"ADMIN "_s}) {
        session().LoginUser = name; // pasted in lower case, or with a blank
        choose(u"N44"_s);
    }
    EXPECT_EQ(windows(), 0);
    choose(u"N11"_s);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Information);
    choose(u"N25"_s);
    EXPECT_EQ(ui.messages.size(), 2);
    for (const QString &quiet : {u"N41"_s, u"mnuhlpsearch"_s, u"mnuFile(0)"_s, u"mnuFile(5)"_s})
        choose(quiet);
    EXPECT_EQ(ui.messages.size(), 2);
    EXPECT_EQ(windows(), 0);
    EXPECT_FALSE(ui.ended);
    session().LoginUser = u"ADMIN"_s;
    choose(u"N44"_s);
    EXPECT_EQ(windows(), 1);
}

TEST_F(MainWindow, windowMenuListsOpenScreens)
{
    choose(u"N21"_s);
    choose(u"N42"_s);
    QMenu *list = main->findChild<QMenu *>(u"NWindow"_s);
    ASSERT_NE(list, nullptr);
    QMetaObject::invokeMethod(list, "aboutToShow");
    QStringList entries;
    for (const QAction *a : list->actions())
        entries << a->text();
    EXPECT_TRUE(entries.contains(u"&1 Receive Grievance . . ."_s))
            << entries.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(entries.contains(u"&2 Password Change . . ."_s))
            << entries.join(QLatin1Char('|')).toStdString();
}

// The close box asks, and Yes releases the held grievance, also on a dropped
// connection; a release that fails still ends the application.
TEST_F(MainWindow, theCloseBoxAsksAndReleasesTheHeldGrievance)
{
    ui.answers = {Answer::No};
    main->close();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, u"Are You sure about Quiting.?"_s);
    EXPECT_EQ(ui.last().buttons, Buttons::YesNo);
    EXPECT_EQ(ui.last().icon, Icon::Critical);
    EXPECT_EQ(ui.last().defaultButton, Answer::No);
    EXPECT_FALSE(ui.ended);
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(held(), u"42"_s);

    killConn();
    ui.answers = {Answer::Yes};
    main->close();
    EXPECT_TRUE(ui.ended);
    EXPECT_EQ(held(), u"NULL"_s);

    ui.reset();
    ui.answers = {Answer::Yes};
    {
        const TableAway away(u"corvane3_tkt.masuser"_s);
        main->close();
    }
    EXPECT_TRUE(ui.ended);
    ASSERT_EQ(ui.messages.size(), 2); // the question, then the failure
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
}

TEST_F(MainWindow, exitAsksAndKeepsTheHeldGrievance)
{
    ui.answers = {Answer::No};
    choose(u"MnuExit"_s);
    EXPECT_FALSE(ui.ended);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, u"Are You Sure About Quiting ?"_s);
    EXPECT_EQ(ui.last().icon, Icon::Critical);
    EXPECT_EQ(ui.last().defaultButton, Answer::No);

    ui.answers = {Answer::Yes};
    choose(u"MnuExit"_s);
    EXPECT_TRUE(ui.ended);
    EXPECT_EQ(held(), u"42"_s);
}

} // namespace
