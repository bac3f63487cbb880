#include "shelltest.h"

#include "core/services/errors.h"
#include "core/services/session.h"
#include "core/shell/permissions.h"
#include "gui/shell/mdimainmenu.h"

#include <QAction>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

using permissions::Change;
using permissions::Control;

TEST(PermissionDecision, alwaysAllowedNonMenuAndSeparatorItemsAreLeftAlone)
{
    const QVector<Control> controls = {
            {u"mnuFile"_s, u"&Add"_s, true},
            {u"NWindow"_s, u"&Window"_s, true},
            {u"MnuExit"_s, u"E&xit"_s, true},
            // Not itself in the list, but "Filemain*" occurs inside "mnuFilemain*".
            {u"Filemain"_s, u"x"_s, true},
            {u"StatusBar1"_s, QString(), false},
            {u"MMM1"_s, u"-"_s, true},
            {u"N21"_s, u"Receive Query"_s, true},
            {u"mnuWindow"_s, u"x"_s, true}, // "mnuWindow*" is not in the list
    };
    const QVector<Change> got = permissions::decide(controls, {u"CLERK"_s, QString()});
    const QVector<Change> expected = {Change::Leave, Change::Leave, Change::Leave,   Change::Leave,
                                      Change::Leave, Change::Leave, Change::Disable, Change::Disable};
    EXPECT_EQ(got, expected);
}

TEST(PermissionDecision, adminInAnyCaseGetsEverythingAndAnUnnamedItemIsLeftAlone)
{
    // An unnamed item: "" followed by "*" occurs in the always-allowed list.
    const QVector<Control> controls = {
            {u"N21"_s, u"q"_s, true}, {u"N22"_s, u"r"_s, true}, {QString(), u"unnamed"_s, true}};
    EXPECT_EQ(permissions::decide(controls, {u"aDmIn"_s, QString()}),
              (QVector<Change>{Change::Enable, Change::Enable, Change::Leave}));
    EXPECT_EQ(permissions::decide(controls, {u"ADMIN2"_s, u"N21*"_s}),
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

const QStringList kCommands = {u"N1"_s,  u"N11"_s, u"N2"_s,  u"N21"_s,         u"N22"_s, u"N23"_s,
                               u"N24"_s, u"N25"_s, u"N3"_s,  u"N31"_s,         u"N4"_s,  u"N41"_s,
                               u"N42"_s, u"N43"_s, u"N44"_s, u"mnuhlpsearch"_s};

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
            {u"CLERK"_s, u"N21*"_s, {u"N2"_s, u"N21"_s}},
            {u"CLERK"_s, u"n21*"_s, {}},
            {u"CLERK"_s, QString(), {}},
            {u"CLERK"_s, u""_s, {}},
            {u"CLERK"_s, u"N11*N43*"_s, {u"N1"_s, u"N11"_s, u"N4"_s, u"N43"_s}},
            {u"admin"_s, QString(), all},
            {u"O'NEIL\\"_s, u"N31*"_s, {u"N3"_s, u"N31"_s}}, // the stored name quoted safely
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.user.toStdString() + " / " + c.permission.toStdString());
        admin(u"delete from corvane3_tkt.masuser"_s);
        addUser(c.user, u"pw"_s, u"A"_s, c.permission);
        main = std::make_unique<MdiMainMenu>();
        session().LoginUser = c.user;
        ASSERT_EQ(main->applyPermissions(), MdiMainMenu::Permissions::Applied);
        for (const QString &name : kCommands)
            EXPECT_EQ(enabled(name), c.enabled.contains(name)) << name.toStdString();
        // Help, window list, exit and the separators are always there.
        for (const QString &name : {u"MMM1"_s, u"MnuExit"_s, u"NWindow"_s, u"mnuFile(13)"_s})
            EXPECT_TRUE(enabled(name)) << name.toStdString();
        EXPECT_FALSE(ui.ended);
    }
}

TEST_F(MenuPermissions, anAccountWithoutARowEndsTheApplication)
{
    session().LoginUser = u"GHOST"_s;
    EXPECT_EQ(main->applyPermissions(), MdiMainMenu::Permissions::Ended);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, u"You have no permissions to use the Software, Contact Admin."_s);
    EXPECT_EQ(ui.last().icon, Icon::Critical);
    EXPECT_TRUE(ui.ended);
}

} // namespace
