#include "shelltest.h"

#include "core/services/errors.h"
#include "core/services/session.h"
#include "core/shell/permissions.h"
#include "gui/shell/mdimainmenu.h"

#include <QAction>

#include <memory>

namespace {

using permissions::Change;
using permissions::Control;

TEST(PermissionDecision, alwaysAllowedNonMenuAndSeparatorItemsAreLeftAlone)
{
    const QVector<Control> controls = {
            {QStringLiteral("mnuFile"), QStringLiteral("&Add"), true},
            {QStringLiteral("NWindow"), QStringLiteral("&Window"), true},
            {QStringLiteral("MnuExit"), QStringLiteral("E&xit"), true},
            // Not itself in the list, but "Filemain*" occurs inside "mnuFilemain*".
            {QStringLiteral("Filemain"), QStringLiteral("x"), true},
            {QStringLiteral("StatusBar1"), QString(), false},
            {QStringLiteral("MMM1"), QStringLiteral("-"), true},
            {QStringLiteral("N21"), QStringLiteral("Receive Query"), true},
            {QStringLiteral("mnuWindow"), QStringLiteral("x"), true}, // "mnuWindow*" is not in the list
    };
    const QVector<Change> got = permissions::decide(controls, {QStringLiteral("CLERK"), QString()});
    const QVector<Change> expected = {Change::Leave, Change::Leave, Change::Leave,   Change::Leave,
                                      Change::Leave, Change::Leave, Change::Disable, Change::Disable};
    EXPECT_EQ(got, expected);
}

TEST(PermissionDecision, adminInAnyCaseGetsEverythingAndAnUnnamedItemIsLeftAlone)
{
    // An unnamed item: "" followed by "*" occurs in the always-allowed list.
    const QVector<Control> controls = {{QStringLiteral("N21"), QStringLiteral("q"), true},
                                       {QStringLiteral("N22"), QStringLiteral("r"), true},
                                       {QString(), QStringLiteral("unnamed"), true}};
    EXPECT_EQ(permissions::decide(controls, {QStringLiteral("aDmIn"), QString()}),
              (QVector<Change>{Change::Enable, Change::Enable, Change::Leave}));
    EXPECT_EQ(permissions::decide(controls, {QStringLiteral("ADMIN2"), QStringLiteral("N21*")}),
              (QVector<Change>{Change::Enable, Change::Disable, Change::Leave}));
}

class MenuPermissions : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        main = std::make_unique<MdiMainMenu>();
    }
    bool enabled(const QString &name) const
    {
        const QAction *action = main->findChild<QAction *>(name);
        EXPECT_NE(action, nullptr) << name.toStdString();
        return action && action->isEnabled();
    }
    std::unique_ptr<MdiMainMenu> main;
};

const QStringList kCommands = {
        QStringLiteral("N1"),  QStringLiteral("N11"), QStringLiteral("N2"),  QStringLiteral("N21"),
        QStringLiteral("N22"), QStringLiteral("N23"), QStringLiteral("N24"), QStringLiteral("N25"),
        QStringLiteral("N3"),  QStringLiteral("N31"), QStringLiteral("N4"),  QStringLiteral("N41"),
        QStringLiteral("N42"), QStringLiteral("N43"), QStringLiteral("N44"), QStringLiteral("mnuhlpsearch")};

TEST_F(MenuPermissions, permissionStringsEnableExactlyTheirSubstrings)
{
    struct Case
    {
        QString user;
        QString permission; // null: NULL in the table
        QStringList enabled;
    };
    const QStringList all = kCommands;
    const Case cases[] = {
            {QStringLiteral("CLERK"), QStringLiteral("N21*"), {QStringLiteral("N2"), QStringLiteral("N21")}},
            {QStringLiteral("CLERK"), QStringLiteral("n21*"), {}},
            {QStringLiteral("CLERK"), QString(), {}},
            {QStringLiteral("CLERK"), QStringLiteral(""), {}},
            {QStringLiteral("CLERK"),
             QStringLiteral("N11*N43*"),
             {QStringLiteral("N1"), QStringLiteral("N11"), QStringLiteral("N4"), QStringLiteral("N43")}},
            {QStringLiteral("admin"), QString(), all},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.user.toStdString() + " / " + c.permission.toStdString());
        admin(QStringLiteral("delete from corvane3_tkt.masuser"));
        addUser(c.user, QStringLiteral("pw"), QStringLiteral("A"), c.permission);
        main = std::make_unique<MdiMainMenu>();
        session().LoginUser = c.user;
        ASSERT_EQ(main->applyPermissions(), MdiMainMenu::Permissions::Applied);
        for (const QString &name : kCommands)
            EXPECT_EQ(enabled(name), c.enabled.contains(name)) << name.toStdString();
        EXPECT_FALSE(ui.ended);
    }
}

TEST_F(MenuPermissions, separatorsAndAlwaysAllowedItemsKeepTheirState)
{
    addUser(QStringLiteral("ADMIN"), QStringLiteral("pw"), QStringLiteral("A"), QStringLiteral("MMM1*"));
    for (const QString &name :
         {QStringLiteral("MMM1"), QStringLiteral("mnuFile(3)"), QStringLiteral("NWindow"),
          QStringLiteral("MnuExit"), QStringLiteral("mnuAlt")})
        main->findChild<QAction *>(name)->setEnabled(false);
    main->findChild<QAction *>(QStringLiteral("mnuFilemain"))->setEnabled(true);
    session().LoginUser = QStringLiteral("ADMIN");
    ASSERT_EQ(main->applyPermissions(), MdiMainMenu::Permissions::Applied);
    EXPECT_FALSE(enabled(QStringLiteral("MMM1")));
    EXPECT_FALSE(enabled(QStringLiteral("mnuFile(3)")));
    EXPECT_FALSE(enabled(QStringLiteral("NWindow")));
    EXPECT_FALSE(enabled(QStringLiteral("MnuExit")));
    EXPECT_FALSE(enabled(QStringLiteral("mnuAlt")));
    EXPECT_TRUE(enabled(QStringLiteral("mnuFile(0)")));
    EXPECT_TRUE(enabled(QStringLiteral("N44")));

    // A plain account with nothing allowed still has help, window and exit.
    admin(QStringLiteral("delete from corvane3_tkt.masuser"));
    addUser(QStringLiteral("CLERK"), QStringLiteral("pw"), QStringLiteral("A"), QString());
    main = std::make_unique<MdiMainMenu>();
    session().LoginUser = QStringLiteral("CLERK");
    ASSERT_EQ(main->applyPermissions(), MdiMainMenu::Permissions::Applied);
    EXPECT_TRUE(enabled(QStringLiteral("MMM1")));
    EXPECT_TRUE(enabled(QStringLiteral("MnuExit")));
    EXPECT_TRUE(enabled(QStringLiteral("NWindow")));
    EXPECT_TRUE(enabled(QStringLiteral("mnuFile(13)")));
    EXPECT_FALSE(enabled(QStringLiteral("mnuhlpsearch")));
}

TEST_F(MenuPermissions, anAccountWithoutARowEndsTheApplication)
{
    session().LoginUser = QStringLiteral("GHOST");
    EXPECT_EQ(main->applyPermissions(), MdiMainMenu::Permissions::Ended);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, QStringLiteral("You have no permissions to use the Software, Contact Admin."));
    EXPECT_EQ(ui.last().icon, Icon::Critical);
    EXPECT_TRUE(ui.ended);
}

TEST_F(MenuPermissions, theStoredNameIsQuotedSafely)
{
    addUser(QStringLiteral("O'NEIL\\"), QStringLiteral("pw"), QStringLiteral("A"), QStringLiteral("N31*"));
    session().LoginUser = QStringLiteral("O'NEIL\\");
    ASSERT_EQ(main->applyPermissions(), MdiMainMenu::Permissions::Applied);
    EXPECT_TRUE(enabled(QStringLiteral("N31")));
    EXPECT_FALSE(enabled(QStringLiteral("N21")));
}

TEST_F(MenuPermissions, aDatabaseErrorIsThrownNotTakenAsPermission)
{
    addUser(QStringLiteral("CLERK"), QStringLiteral("pw"), QStringLiteral("A"), QStringLiteral("N21*"));
    session().LoginUser = QStringLiteral("CLERK");
    admin(QStringLiteral("rename table corvane3_tkt.masuser to corvane3_tkt.masuser_away"));
    bool thrown = false;
    try {
        main->applyPermissions();
    } catch (const AppError &) {
        thrown = true;
    }
    admin(QStringLiteral("rename table corvane3_tkt.masuser_away to corvane3_tkt.masuser"));
    EXPECT_TRUE(thrown);
    EXPECT_FALSE(ui.ended);
}

} // namespace
