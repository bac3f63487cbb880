#include "shelltest.h"

#include "core/services/session.h"
#include "gui/shell/mdimainmenu.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>

#include <memory>

namespace {

class MainWindow : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        addUser(QStringLiteral("ADMIN"), QStringLiteral("secret"), QStringLiteral("A"), QString(),
                QStringLiteral("42"));
        session().LoginUser = QStringLiteral("ADMIN");
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
        return adminValue(QStringLiteral("select ifnull(ftktid, 'NULL') from corvane3_tkt.masuser "
                                         "where fusername = 'ADMIN'"));
    }

    std::unique_ptr<MdiMainMenu> main;
};

TEST_F(MainWindow, menuCarriesEveryDesignItemWithItsCaption)
{
    const QList<QPair<QString, QString>> items = {
            {QStringLiteral("N1"), QStringLiteral("&Masters")},
            {QStringLiteral("N11"), QStringLiteral("&College")},
            {QStringLiteral("N2"), QStringLiteral("&Transactions")},
            {QStringLiteral("N21"), QStringLiteral("Receive Query")},
            {QStringLiteral("N22"), QStringLiteral("&Import Student Basic Data")},
            {QStringLiteral("N24"), QStringLiteral("&Import Student Basic Data (Excel)")},
            {QStringLiteral("N23"), QStringLiteral("&Change Degree")},
            {QStringLiteral("N25"), QStringLiteral("&Reg. No. Generation")},
            {QStringLiteral("N3"), QStringLiteral("&Reports")},
            {QStringLiteral("N31"), QStringLiteral("&Exam Centres with Tagged Colleges")},
            {QStringLiteral("N4"), QStringLiteral("&Utilities")},
            {QStringLiteral("N41"), QStringLiteral("&Control")},
            {QStringLiteral("N42"), QStringLiteral("&Password")},
            {QStringLiteral("N43"), QStringLiteral("&Security")},
            {QStringLiteral("N44"), QStringLiteral("&Reset Locked Users")},
            {QStringLiteral("NWindow"), QStringLiteral("&Window")},
            {QStringLiteral("mnuFilemain"), QStringLiteral("&Help")},
            {QStringLiteral("mnuAlt"), QStringLiteral("Alternate Keys")},
            {QStringLiteral("mnuFile(0)"), QStringLiteral("&Add")},
            {QStringLiteral("mnuFile(5)"), QStringLiteral("E&xit")},
            {QStringLiteral("mnuFile(13)"), QStringLiteral("&Last")},
            {QStringLiteral("mnuhlpsearch"), QStringLiteral("Help Search")},
            {QStringLiteral("MnuExit"), QStringLiteral("E&xit")},
    };
    for (const auto &item : items) {
        const QAction *action = main->findChild<QAction *>(item.first);
        ASSERT_NE(action, nullptr) << item.first.toStdString();
        EXPECT_EQ(action->text(), item.second);
    }
    EXPECT_TRUE(main->findChild<QAction *>(QStringLiteral("MMM1"))->isSeparator());
    EXPECT_EQ(main->findChild<QAction *>(QStringLiteral("mnuFile(14)")), nullptr);
}

TEST_F(MainWindow, statusBarHasSixEqualPanelsWithVersionAndUser)
{
    main->resize(1200, 700);
    main->setStartupPanels();
    main->setUserPanel(QStringLiteral("ADMIN"));
    ASSERT_EQ(main->statusBar()->objectName(), QStringLiteral("StatusBar1"));
    int width = -1;
    for (int i = 1; i <= 6; ++i) {
        const QLabel *panel = main->findChild<QLabel *>(QStringLiteral("StatusBar1.panel%1").arg(i));
        ASSERT_NE(panel, nullptr);
        if (width < 0)
            width = panel->width();
        EXPECT_EQ(panel->width(), width);
    }
    EXPECT_NEAR(width, 1200 / 6, 8);
    EXPECT_EQ(main->findChild<QLabel *>(QStringLiteral("StatusBar1.panel3"))->text(),
              QStringLiteral("Version:1.0.3"));
    EXPECT_EQ(main->findChild<QLabel *>(QStringLiteral("StatusBar1.panel4"))->text(),
              QStringLiteral("ADMIN"));
    EXPECT_EQ(main->findChild<QLabel *>(QStringLiteral("StatusBar1.panel5"))->text(), QString());

    // The time panel follows the clock.
    ui.clock = QDateTime(QDate(2026, 3, 1), QTime(9, 7, 3));
    const QString expected = QLocale().toString(ui.clock.time(), QLocale::ShortFormat);
    const QLabel *time = main->findChild<QLabel *>(QStringLiteral("StatusBar1.panel2"));
    QElapsedTimer wait;
    wait.start();
    while (time->text() != expected && wait.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(time->text(), expected);
    EXPECT_EQ(main->findChild<QLabel *>(QStringLiteral("StatusBar1.panel1"))->text(),
              QLocale().toString(QDate(2026, 3, 1), QLocale::ShortFormat));
}

TEST_F(MainWindow, aScreenOpenedTwiceExistsOnceAndAClosedOneComesBackNew)
{
    choose(QStringLiteral("N21"));
    choose(QStringLiteral("N21"));
    ASSERT_EQ(windows(), 1);
    QMdiSubWindow *first = main->mdiArea()->subWindowList().first();
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Receive Grievance . . ."));

    choose(QStringLiteral("N43"));
    EXPECT_EQ(windows(), 2);
    choose(QStringLiteral("N21"));
    EXPECT_EQ(windows(), 2);
    EXPECT_EQ(main->mdiArea()->activeSubWindow(), first); // brought forward

    first->close();
    settle();
    EXPECT_EQ(windows(), 1);
    choose(QStringLiteral("N21"));
    EXPECT_EQ(windows(), 2);
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(MainWindow, resetLockedUsersOpensOnlyForAdminTypedInCapitals)
{
    session().LoginUser = QStringLiteral("admin"); // pasted in lower case
    choose(QStringLiteral("N44"));
    EXPECT_EQ(windows(), 0);
    session().LoginUser = QStringLiteral("ADMIN ");
    choose(QStringLiteral("N44"));
    EXPECT_EQ(windows(), 0);
    session().LoginUser = QStringLiteral("ADMIN");
    choose(QStringLiteral("N44"));
    EXPECT_EQ(windows(), 1);
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(MainWindow, commandsWithoutAScreenDoNotFail)
{
    choose(QStringLiteral("N11"));
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Information);
    choose(QStringLiteral("N25"));
    EXPECT_EQ(ui.messages.size(), 2);
    for (const QString &quiet : {QStringLiteral("N41"), QStringLiteral("mnuhlpsearch"),
                                 QStringLiteral("mnuFile(0)"), QStringLiteral("mnuFile(5)")})
        choose(quiet);
    EXPECT_EQ(ui.messages.size(), 2);
    EXPECT_EQ(windows(), 0);
    EXPECT_FALSE(ui.ended);
}

TEST_F(MainWindow, windowMenuListsOpenScreens)
{
    choose(QStringLiteral("N21"));
    choose(QStringLiteral("N42"));
    QMenu *list = main->findChild<QMenu *>(QStringLiteral("NWindow"));
    ASSERT_NE(list, nullptr);
    QMetaObject::invokeMethod(list, "aboutToShow");
    QStringList entries;
    for (const QAction *a : list->actions())
        entries << a->text();
    EXPECT_TRUE(entries.contains(QStringLiteral("&1 Receive Grievance . . .")))
            << entries.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(entries.contains(QStringLiteral("&2 Password Change . . .")))
            << entries.join(QLatin1Char('|')).toStdString();
}

TEST_F(MainWindow, theCloseBoxAsksAndReleasesTheHeldGrievance)
{
    ui.answers = {Answer::No};
    main->close();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, QStringLiteral("Are You sure about Quiting.?"));
    EXPECT_EQ(ui.last().buttons, Buttons::YesNo);
    EXPECT_EQ(ui.last().icon, Icon::Critical);
    EXPECT_EQ(ui.last().defaultButton, Answer::No);
    EXPECT_FALSE(ui.ended);
    EXPECT_TRUE(main->isVisible());
    EXPECT_EQ(held(), QStringLiteral("42"));

    ui.answers = {Answer::Yes};
    main->close();
    EXPECT_TRUE(ui.ended);
    EXPECT_EQ(held(), QStringLiteral("NULL"));
}

TEST_F(MainWindow, theCloseBoxReleasesEvenAfterTheConnectionDropped)
{
    killConn();
    ui.answers = {Answer::Yes};
    main->close();
    EXPECT_TRUE(ui.ended);
    EXPECT_EQ(held(), QStringLiteral("NULL"));
}

TEST_F(MainWindow, theCloseBoxEndsTheApplicationWhenTheReleaseFails)
{
    admin(QStringLiteral("rename table corvane3_tkt.masuser to corvane3_tkt.masuser_away"));
    ui.answers = {Answer::Yes};
    main->close();
    admin(QStringLiteral("rename table corvane3_tkt.masuser_away to corvane3_tkt.masuser"));
    EXPECT_TRUE(ui.ended);
    ASSERT_EQ(ui.messages.size(), 2); // the question, then the failure
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
}

TEST_F(MainWindow, exitAsksAndKeepsTheHeldGrievance)
{
    ui.answers = {Answer::No};
    choose(QStringLiteral("MnuExit"));
    EXPECT_FALSE(ui.ended);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, QStringLiteral("Are You Sure About Quiting ?"));
    EXPECT_EQ(ui.last().icon, Icon::Critical);
    EXPECT_EQ(ui.last().defaultButton, Answer::No);

    ui.answers = {Answer::Yes};
    choose(QStringLiteral("MnuExit"));
    EXPECT_TRUE(ui.ended);
    EXPECT_EQ(held(), QStringLiteral("42"));
}

} // namespace
