#include "core/admin/accounts.h"
#include "core/shell/signin.h"
#include "core/services/database.h"
#include "core/services/session.h"
#include "core/services/sqltext.h"
#include "gui/admin/frmpasswd.h"

#include "support/testdb.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>

namespace {

class Accounts : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        resetCentral();
    }

    // Through the real sign-in lookup.
    static bool signsIn(const QString &user, const QString &password)
    {
        return signin::lookup(user, password).has_value();
    }
};

TEST_F(Accounts, newAccountSignsInWithItsNameAndKeepsSectionAndPermissions)
{
    EXPECT_TRUE(accounts::save(QStringLiteral(" CLERK7 "), QStringLiteral(" FRONT "), QStringLiteral("N2*N21*")));
    EXPECT_EQ(adminValue(QStringLiteral("select concat(fusername,'|',fsection,'|',fpermission,'|',ifnull(fgroup,'NULL')) "
                                        "from corvane3_tkt.masuser")),
              QStringLiteral("CLERK7|FRONT|N2*N21*|NULL"));
    // The first password is the user name as typed in the box, blanks included.
    EXPECT_TRUE(signsIn(QStringLiteral("CLERK7"), QStringLiteral(" CLERK7 ")));
    EXPECT_TRUE(signsIn(QStringLiteral("CLERK7"), QStringLiteral(" clerk7 ")));
    EXPECT_FALSE(signsIn(QStringLiteral("CLERK7"), QStringLiteral("CLERK7")));

    // Saving again updates instead of inserting.
    EXPECT_FALSE(accounts::save(QStringLiteral("CLERK7"), QStringLiteral("BACK"), QStringLiteral("N4*N42*")));
    EXPECT_EQ(adminValue(QStringLiteral("select concat(count(*),'|',max(fsection),'|',max(fpermission)) from "
                                        "corvane3_tkt.masuser")),
              QStringLiteral("1|BACK|N4*N42*"));
}

TEST_F(Accounts, valuesWithQuotesAreStoredSafely)
{
    EXPECT_TRUE(accounts::save(QStringLiteral("O'NEIL"), QStringLiteral("A'B\\"), QStringLiteral("N2*")));
    EXPECT_EQ(adminValue(QStringLiteral("select fsection from corvane3_tkt.masuser")), QStringLiteral("A'B\\"));
    EXPECT_TRUE(accounts::lookup(QStringLiteral("O'NEIL")).found);
    EXPECT_EQ(adminValue(QStringLiteral("select count(*) from corvane3_tkt.masuser")), QStringLiteral("1"));
}

TEST_F(Accounts, passwordChangeRules)
{
    accounts::save(QStringLiteral("CLERK7"), QString(), QString());
    using accounts::ChangeResult;
    // The old password in another case is accepted; the user name is trimmed.
    EXPECT_EQ(accounts::changePassword(QStringLiteral(" CLERK7 "), QStringLiteral("clerk7"), QStringLiteral("NewPass"),
                                       QStringLiteral("NewPass")),
              ChangeResult::Changed);
    EXPECT_TRUE(signsIn(QStringLiteral("CLERK7"), QStringLiteral("NEWPASS")));
    EXPECT_EQ(accounts::changePassword(QStringLiteral("CLERK7"), QStringLiteral("wrong"), QStringLiteral("x"),
                                       QStringLiteral("x")),
              ChangeResult::InvalidOld);
    // Confirmation differing only in case is a mismatch, although both encode alike.
    EXPECT_EQ(accounts::changePassword(QStringLiteral("CLERK7"), QStringLiteral("newpass"), QStringLiteral("abc"),
                                       QStringLiteral("ABC")),
              ChangeResult::Mismatch);
    // Fifteen characters are kept whole.
    const QString fifteen = QStringLiteral("ABCDEFGHIJKLMNO");
    EXPECT_EQ(accounts::changePassword(QStringLiteral("CLERK7"), QStringLiteral("newpass"), fifteen, fifteen),
              ChangeResult::Changed);
    EXPECT_TRUE(signsIn(QStringLiteral("CLERK7"), fifteen));
    EXPECT_EQ(adminValue(QStringLiteral("select char_length(fpasswd) from corvane3_tkt.masuser")), QStringLiteral("15"));
}

TEST_F(Accounts, passwordWhoseEncodingHoldsAQuoteWorksEverywhere)
{
    // "$" + 3 is the single quote.
    ASSERT_TRUE(EncodePassword(QStringLiteral("a$b")).contains(QLatin1Char('\'')));
    accounts::save(QStringLiteral("A$B"), QString(), QString()); // first password "A$B"
    EXPECT_TRUE(signsIn(QStringLiteral("A$B"), QStringLiteral("a$b")));
    EXPECT_EQ(accounts::changePassword(QStringLiteral("A$B"), QStringLiteral("A$B"), QStringLiteral("x$y"),
                                       QStringLiteral("x$y")),
              accounts::ChangeResult::Changed);
    EXPECT_TRUE(signsIn(QStringLiteral("A$B"), QStringLiteral("X$Y")));
    // Non-ASCII passwords encode the same way at creation, change and sign-in.
    EXPECT_EQ(accounts::changePassword(QStringLiteral("A$B"), QStringLiteral("x$y"), QStringLiteral("résumé"),
                                       QStringLiteral("résumé")),
              accounts::ChangeResult::Changed);
    EXPECT_TRUE(signsIn(QStringLiteral("A$B"), QStringLiteral("RÉSUMÉ")));
}

class PasswordScreen : public Accounts
{
protected:
    void SetUp() override
    {
        Accounts::SetUp();
        accounts::save(QStringLiteral("CLERK7"), QString(), QString());
        session().LoginUser = QStringLiteral(" CLERK7 ");
        screen.show();
    }
    void type(int box, const QString &text)
    {
        auto *edit = screen.findChild<QLineEdit *>(QStringLiteral("text(%1)").arg(box));
        edit->setText(text);
    }
    frmpasswd screen;
};

TEST_F(PasswordScreen, validatesInOrderThenChanges)
{
    auto *ok = screen.findChild<QPushButton *>(QStringLiteral("cmdok"));
    ok->click();
    type(0, QStringLiteral("clerk7"));
    type(1, QStringLiteral("   "));
    ok->click();
    EXPECT_EQ(screen.focusWidget(), screen.findChild<QLineEdit *>(QStringLiteral("text(1)")));
    type(1, QStringLiteral("abc"));
    type(2, QStringLiteral("ABC"));
    ok->click();
    type(0, QStringLiteral("bad"));
    ok->click();
    type(0, QStringLiteral("clerk7"));
    type(2, QStringLiteral("abc"));
    ok->click();
    EXPECT_EQ(ui.texts(), (QStringList{QStringLiteral("Information Should be Entered"),
                                       QStringLiteral("Information Should be Entered"),
                                       QStringLiteral("Mismatch - Confirm New Password"), QStringLiteral("Invalid Password"),
                                       QStringLiteral("Password has been changed Successfully")}));
    EXPECT_EQ(ui.last().icon, Icon::Information);
    EXPECT_EQ(screen.findChild<QLineEdit *>(QStringLiteral("text(0)"))->text(), QString());
    EXPECT_EQ(screen.focusWidget(), screen.findChild<QPushButton *>(QStringLiteral("cmdcancel")));
    EXPECT_TRUE(signsIn(QStringLiteral("CLERK7"), QStringLiteral("ABC")));
}

TEST_F(PasswordScreen, hintsKeysAndDatabaseErrors)
{
    auto *t0 = screen.findChild<QLineEdit *>(QStringLiteral("text(0)"));
    auto *t1 = screen.findChild<QLineEdit *>(QStringLiteral("text(1)"));
    auto *hint = screen.findChild<QLabel *>(QStringLiteral("StatusBar1.panel1"));
    screen.activateWindow();
    t0->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(hint->text(), QStringLiteral("Enter Old Password Max 10 characters"));
    QTest::keyClick(t0, Qt::Key_Return);
    EXPECT_EQ(screen.focusWidget(), t1);
    EXPECT_EQ(hint->text(), QStringLiteral("Enter New Password Max 10 characters"));
    QTest::keyClick(t1, Qt::Key_Up);
    EXPECT_EQ(screen.focusWidget(), t0);
    EXPECT_EQ(t0->maxLength(), 15);

    // A dropped table is reported, and the screen stays usable.
    type(0, QStringLiteral("clerk7"));
    type(1, QStringLiteral("a"));
    type(2, QStringLiteral("a"));
    admin(QStringLiteral("rename table corvane3_tkt.masuser to corvane3_tkt.masuser_away"));
    screen.change();
    admin(QStringLiteral("rename table corvane3_tkt.masuser_away to corvane3_tkt.masuser"));
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    EXPECT_TRUE(ui.last().text.endsWith(QLatin1String(" 1146"))) << ui.last().text.toStdString();
    screen.change();
    EXPECT_EQ(ui.last().text, QStringLiteral("Password has been changed Successfully"));
}

} // namespace
