#include "gui/admin/frmusers.h"

#include "support/testdb.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest/QTest>

using namespace Qt::StringLiterals;

namespace {

QVector<permtree::MenuEntry> smallMenu()
{
    return {{u"N2"_s, u"&Transactions"_s, false},
            {u"N21"_s, u"Receive Query"_s, false},
            {u"N22"_s, u"&Import Student Basic Data"_s, false},
            {u"N4"_s, u"&Utilities"_s, false},
            {u"N42"_s, u"&Password"_s, false},
            {u"NWindow"_s, u"&Window"_s, true}};
}

class UsersScreen : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        resetCentral();
        admin(u"insert into corvane3_tkt.masuser(fusername, fsection, fpermission, fpasswd) values "
              "('DESK31', 'FRONT', 'N2*N21*N99*', 'x'), ('ADMIN', 'ADM', 'N2*', 'y')"_s);
        screen.show();
    }
    QLineEdit *user() { return screen.findChild<QLineEdit *>(u"text(0)"_s); }
    QLineEdit *section() { return screen.findChild<QLineEdit *>(u"text(6)"_s); }
    QComboBox *cmb() { return screen.findChild<QComboBox *>(u"cmb"_s); }
    QTreeWidget *tree() { return screen.findChild<QTreeWidget *>(u"tvwoptions"_s); }
    QTreeWidgetItem *node(const QString &text)
    {
        const auto found = tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }

    frmusers screen{smallMenu};
};

TEST_F(UsersScreen, lookupLoadsSectionAndPermissionsAndSaveDropsStaleKeys)
{
    user()->setFocus();
    QTest::keyClicks(user(), u"desk31"_s);
    EXPECT_EQ(user()->text(), u"DESK31"_s);
    section()->setText(u"TYPED"_s);
    screen.lookUp();
    EXPECT_EQ(section()->text(), u"FRONT"_s);
    ASSERT_NE(node(u"Receive Query"_s), nullptr);
    EXPECT_EQ(node(u"Receive Query"_s)->checkState(0), Qt::Checked);
    EXPECT_EQ(node(u"Transactions"_s)->checkState(0), Qt::Checked);
    EXPECT_EQ(node(u"Password"_s)->checkState(0), Qt::Unchecked);

    // Ticking an item ticks its root.
    node(u"Password"_s)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(node(u"Utilities"_s)->checkState(0), Qt::Checked);
    // Unticking the last ticked item of a branch unticks the root.
    node(u"Receive Query"_s)->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(node(u"Transactions"_s)->checkState(0), Qt::Unchecked);

    screen.findChild<QPushButton *>(u"cmd(0)"_s)->click();
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(adminValue(u"select fpermission from corvane3_tkt.masuser where fusername = 'DESK31'"_s),
              u"N4*N42*"_s);
    EXPECT_EQ(user()->text(), QString());
    EXPECT_EQ(tree()->topLevelItemCount(), 0);
}

TEST_F(UsersScreen, rootTicksItsBranchAndANewAccountIsInserted)
{
    screen.fillUsers(); // filled afresh on each activation, no duplicates
    screen.fillUsers();
    ASSERT_EQ(cmb()->count(), 2);
    EXPECT_EQ(cmb()->itemText(0), u"ADMIN"_s);
    user()->setText(u"CLERK9"_s);
    screen.lookUp(); // not found: an empty tree of the menu
    ASSERT_EQ(tree()->topLevelItemCount(), 2);
    node(u"Transactions"_s)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(node(u"Import Student Basic Data"_s)->checkState(0), Qt::Checked);
    section()->setText(u"HELP"_s);
    screen.save();
    EXPECT_EQ(adminValue(u"select concat(fsection,'|',fpermission) from corvane3_tkt.masuser where "
                         "fusername = 'CLERK9'"_s),
              u"HELP|N2*N21*N22*"_s);
    EXPECT_EQ(cmb()->count(), 3);
}

TEST_F(UsersScreen, saveFailureIsReportedAndTheScreenKeepsItsInput)
{
    user()->setText(u"CLERK9"_s);
    screen.lookUp();
    admin(u"rename table corvane3_tkt.masuser to corvane3_tkt.masuser_away"_s);
    screen.save();
    admin(u"rename table corvane3_tkt.masuser_away to corvane3_tkt.masuser"_s);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    EXPECT_EQ(user()->text(), u"CLERK9"_s);
    screen.save();
    EXPECT_EQ(adminValue(u"select count(*) from corvane3_tkt.masuser where fusername = 'CLERK9'"_s), u"1"_s);
}

} // namespace
