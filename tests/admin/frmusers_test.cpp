#include "gui/admin/frmusers.h"

#include "support/testdb.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest/QTest>

namespace {

QVector<permtree::MenuEntry> smallMenu()
{
    return {{QStringLiteral("N2"), QStringLiteral("&Transactions"), false},
            {QStringLiteral("N21"), QStringLiteral("Receive Query"), false},
            {QStringLiteral("N22"), QStringLiteral("&Import Student Basic Data"), false},
            {QStringLiteral("N4"), QStringLiteral("&Utilities"), false},
            {QStringLiteral("N42"), QStringLiteral("&Password"), false},
            {QStringLiteral("NWindow"), QStringLiteral("&Window"), true}};
}

class UsersScreen : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        resetCentral();
        admin(QStringLiteral("insert into corvane3_tkt.masuser(fusername, fsection, fpermission, fpasswd) values "
                             "('DESK31', 'FRONT', 'N2*N21*N99*', 'x'), ('ADMIN', 'ADM', 'N2*', 'y')"));
        screen.show();
    }
    QLineEdit *user() { return screen.findChild<QLineEdit *>(QStringLiteral("text(0)")); }
    QLineEdit *section() { return screen.findChild<QLineEdit *>(QStringLiteral("text(6)")); }
    QComboBox *cmb() { return screen.findChild<QComboBox *>(QStringLiteral("cmb")); }
    QTreeWidget *tree() { return screen.findChild<QTreeWidget *>(QStringLiteral("tvwoptions")); }
    QTreeWidgetItem *node(const QString &text)
    {
        const auto found = tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }

    frmusers screen{smallMenu};
};

TEST_F(UsersScreen, userListIsFilledAfreshOnEachActivation)
{
    screen.fillUsers();
    screen.fillUsers();
    ASSERT_EQ(cmb()->count(), 2);
    EXPECT_EQ(cmb()->itemText(0), QStringLiteral("ADMIN"));
}

TEST_F(UsersScreen, lookupLoadsSectionAndPermissionsAndSaveDropsStaleKeys)
{
    user()->setFocus();
    QTest::keyClicks(user(), QStringLiteral("desk31"));
    EXPECT_EQ(user()->text(), QStringLiteral("DESK31"));
    section()->setText(QStringLiteral("TYPED"));
    screen.lookUp();
    EXPECT_EQ(section()->text(), QStringLiteral("FRONT"));
    ASSERT_NE(node(QStringLiteral("Receive Query")), nullptr);
    EXPECT_EQ(node(QStringLiteral("Receive Query"))->checkState(0), Qt::Checked);
    EXPECT_EQ(node(QStringLiteral("Transactions"))->checkState(0), Qt::Checked);
    EXPECT_EQ(node(QStringLiteral("Password"))->checkState(0), Qt::Unchecked);

    // Ticking an item ticks its root.
    node(QStringLiteral("Password"))->setCheckState(0, Qt::Checked);
    EXPECT_EQ(node(QStringLiteral("Utilities"))->checkState(0), Qt::Checked);
    // Unticking the last ticked item of a branch unticks the root.
    node(QStringLiteral("Receive Query"))->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(node(QStringLiteral("Transactions"))->checkState(0), Qt::Unchecked);

    screen.findChild<QPushButton *>(QStringLiteral("cmd(0)"))->click();
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(adminValue(QStringLiteral("select fpermission from corvane3_tkt.masuser where fusername = 'DESK31'")),
              QStringLiteral("N4*N42*"));
    EXPECT_EQ(user()->text(), QString());
    EXPECT_EQ(tree()->topLevelItemCount(), 0);
}

TEST_F(UsersScreen, rootTicksItsBranchAndANewAccountIsInserted)
{
    user()->setText(QStringLiteral("CLERK9"));
    screen.lookUp(); // not found: an empty tree of the menu
    ASSERT_EQ(tree()->topLevelItemCount(), 2);
    node(QStringLiteral("Transactions"))->setCheckState(0, Qt::Checked);
    EXPECT_EQ(node(QStringLiteral("Import Student Basic Data"))->checkState(0), Qt::Checked);
    section()->setText(QStringLiteral("HELP"));
    screen.save();
    EXPECT_EQ(adminValue(QStringLiteral("select concat(fsection,'|',fpermission) from corvane3_tkt.masuser where "
                                        "fusername = 'CLERK9'")),
              QStringLiteral("HELP|N2*N21*N22*"));
    EXPECT_EQ(cmb()->count(), 3);
}

TEST_F(UsersScreen, saveFailureIsReportedAndTheScreenKeepsItsInput)
{
    user()->setText(QStringLiteral("CLERK9"));
    screen.lookUp();
    admin(QStringLiteral("rename table corvane3_tkt.masuser to corvane3_tkt.masuser_away"));
    screen.save();
    admin(QStringLiteral("rename table corvane3_tkt.masuser_away to corvane3_tkt.masuser"));
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    EXPECT_EQ(user()->text(), QStringLiteral("CLERK9"));
    screen.save();
    EXPECT_EQ(adminValue(QStringLiteral("select count(*) from corvane3_tkt.masuser where fusername = 'CLERK9'")),
              QStringLiteral("1"));
}

} // namespace
