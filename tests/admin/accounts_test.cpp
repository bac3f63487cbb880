#include "core/admin/accounts.h"
#include "core/services/database.h"
#include "core/services/session.h"
#include "core/services/sqltext.h"
#include "core/shell/signin.h"
#include "gui/admin/frmpasswd.h"

#include "support/testdb.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest/QTest>

using namespace Qt::StringLiterals;

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
    EXPECT_TRUE(accounts::save(u" CLERK7 "_s, u" FRONT "_s, u"N2*N21*"_s));
    EXPECT_EQ(adminValue(u"select concat(fusername,'|',fsection,'|',fpermission,'|',ifnull(fgroup,'NULL')) "
                         "from corvane3_tkt.masuser"_s),
              u"CLERK7|FRONT|N2*N21*|NULL"_s);
    // The first password is the user name as typed in the box, blanks included.
    EXPECT_TRUE(signsIn(u"CLERK7"_s, u" CLERK7 "_s));
    EXPECT_TRUE(signsIn(u"CLERK7"_s, u" clerk7 "_s));
    EXPECT_FALSE(signsIn(u"CLERK7"_s, u"CLERK7"_s));

    // Saving again updates instead of inserting.
    EXPECT_FALSE(accounts::save(u"CLERK7"_s, u"BACK"_s, u"N4*N42*"_s));
    EXPECT_EQ(adminValue(u"select concat(count(*),'|',max(fsection),'|',max(fpermission)) from "
                         "corvane3_tkt.masuser"_s),
              u"1|BACK|N4*N42*"_s);

    // Quotes and backslashes are stored as typed.
    EXPECT_TRUE(accounts::save(u"O'NEIL"_s, u"A'B\\"_s, u"N2*"_s));
    EXPECT_EQ(adminValue(u"select fsection from corvane3_tkt.masuser where fusername = 'O''NEIL'"_s),
              u"A'B\\"_s);
    EXPECT_TRUE(accounts::lookup(u"O'NEIL"_s).found);
}

TEST_F(Accounts, passwordChangeRules)
{
    accounts::save(u"CLERK7"_s, QString(), QString());
    using accounts::ChangeResult;
    // The old password in another case is accepted; the user name is trimmed.
    EXPECT_EQ(accounts::changePassword(u" CLERK7 "_s, u"clerk7"_s, u"NewPass"_s, u"NewPass"_s),
              ChangeResult::Changed);
    EXPECT_TRUE(signsIn(u"CLERK7"_s, u"NEWPASS"_s));
    EXPECT_EQ(accounts::changePassword(u"CLERK7"_s, u"wrong"_s, u"x"_s, u"x"_s), ChangeResult::InvalidOld);
    // Confirmation differing only in case is a mismatch, although both encode alike.
    EXPECT_EQ(accounts::changePassword(u"CLERK7"_s, u"newpass"_s, u"abc"_s, u"ABC"_s),
              ChangeResult::Mismatch);
    // Fifteen characters are kept whole.
    const QString fifteen = u"ABCDEFGHIJKLMNO"_s;
    EXPECT_EQ(accounts::changePassword(u"CLERK7"_s, u"newpass"_s, fifteen, fifteen), ChangeResult::Changed);
    EXPECT_TRUE(signsIn(u"CLERK7"_s, fifteen));
    EXPECT_EQ(adminValue(u"select char_length(fpasswd) from corvane3_tkt.masuser"_s), u"15"_s);
}

TEST_F(Accounts, passwordWhoseEncodingHoldsAQuoteWorksEverywhere)
{
    // "$" + 3 is the single quote.
    ASSERT_TRUE(EncodePassword(u"a$b"_s).contains(QLatin1Char('\'')));
    accounts::save(u"A$B"_s, QString(), QString()); // first password "A$B"
    EXPECT_TRUE(signsIn(u"A$B"_s, u"a$b"_s));
    EXPECT_EQ(accounts::changePassword(u"A$B"_s, u"A$B"_s, u"x$y"_s, u"x$y"_s),
              accounts::ChangeResult::Changed);
    EXPECT_TRUE(signsIn(u"A$B"_s, u"X$Y"_s));
    // Non-ASCII passwords encode the same way at creation, change and sign-in.
    EXPECT_EQ(accounts::changePassword(u"A$B"_s, u"x$y"_s, u"résumé"_s, u"résumé"_s),
              accounts::ChangeResult::Changed);
    EXPECT_TRUE(signsIn(u"A$B"_s, u"RÉSUMÉ"_s));
}

class PasswordScreen : public Accounts
{
protected:
    void SetUp() override
    {
        Accounts::SetUp();
        accounts::save(u"CLERK7"_s, QString(), QString());
        session().LoginUser = u" CLERK7 "_s;
        screen.show();
    }
    void type(int box, const QString &text)
    {
        auto *edit = screen.findChild<QLineEdit *>(u"text(%1)"_s.arg(box));
        edit->setText(text);
    }
    frmpasswd screen;
};

TEST_F(PasswordScreen, validatesInOrderThenChanges)
{
    auto *ok = screen.findChild<QPushButton *>(u"cmdok"_s);
    ok->click();
    type(0, u"clerk7"_s);
    type(1, u"   "_s);
    ok->click();
    EXPECT_EQ(screen.focusWidget(), screen.findChild<QLineEdit *>(u"text(1)"_s));
    type(1, u"abc"_s);
    type(2, u"ABC"_s);
    ok->click();
    type(0, u"bad"_s);
    ok->click();
    type(0, u"clerk7"_s);
    type(2, u"abc"_s);
    ok->click();
    EXPECT_EQ(ui.texts(), (QStringList{u"Information Should be Entered"_s, u"Information Should be Entered"_s,
                                       u"Mismatch - Confirm New Password"_s, u"Invalid Password"_s,
                                       u"Password has been changed Successfully"_s}));
    EXPECT_EQ(ui.last().icon, Icon::Information);
    EXPECT_EQ(screen.findChild<QLineEdit *>(u"text(0)"_s)->text(), QString());
    EXPECT_EQ(screen.focusWidget(), screen.findChild<QPushButton *>(u"cmdcancel"_s));
    EXPECT_TRUE(signsIn(u"CLERK7"_s, u"ABC"_s));
}

TEST_F(PasswordScreen, hintsKeysAndDatabaseErrors)
{
    auto *t0 = screen.findChild<QLineEdit *>(u"text(0)"_s);
    auto *t1 = screen.findChild<QLineEdit *>(u"text(1)"_s);
    auto *hint = screen.findChild<QLabel *>(u"StatusBar1.panel1"_s);
    screen.activateWindow();
    t0->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(hint->text(), u"Enter Old Password Max 10 characters"_s);
    QTest::keyClick(t0, Qt::Key_Return);
    EXPECT_EQ(screen.focusWidget(), t1);
    EXPECT_EQ(hint->text(), u"Enter New Password Max 10 characters"_s);
    QTest::keyClick(t1, Qt::Key_Up);
    EXPECT_EQ(screen.focusWidget(), t0);
    EXPECT_EQ(t0->maxLength(), 15);

    // A dropped table is reported, and the screen stays usable.
    type(0, u"clerk7"_s);
    type(1, u"a"_s);
    type(2, u"a"_s);
    admin(u"rename table corvane3_tkt.masuser to corvane3_tkt.masuser_away"_s);
    screen.change();
    admin(u"rename table corvane3_tkt.masuser_away to corvane3_tkt.masuser"_s);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    EXPECT_TRUE(ui.last().text.endsWith(QLatin1String(" 1146"))) << ui.last().text.toStdString();
    screen.change();
    EXPECT_EQ(ui.last().text, u"Password has been changed Successfully"_s);
}

} // namespace
