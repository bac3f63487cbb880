#include "shelltest.h"

#include "core/services/errors.h"
#include "core/services/session.h"
#include "core/shell/signin.h"
#include "gui/shell/frmflash.h"
#include "gui/shell/frmsignup.h"
#include "gui/shell/mdimainmenu.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

class SignIn : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        addUser(u"ADMIN"_s, u"secret"_s, QString(), u"N21*"_s);
        addUniv(u"041"_s, u"Tessaly Central University"_s);
        main = std::make_unique<MdiMainMenu>();
        flash = new FrmFlash;
        screen = std::make_unique<FrmSignUp>(flash, main.get());
        screen->show();
        user = screen->findChild<QLineEdit *>(u"txtuser"_s);
        pass = screen->findChild<QLineEdit *>(u"Txtpass"_s);
        ok = screen->findChild<QPushButton *>(u"cmdok"_s);
    }
    void TearDown() override
    {
        screen.reset();
        delete flash;
        main.reset();
        ShellTest::TearDown();
    }
    bool signedIn() const { return main->isVisible() && !screen->isVisible(); }

    std::unique_ptr<MdiMainMenu> main;
    QPointer<FrmFlash> flash;
    std::unique_ptr<FrmSignUp> screen;
    QLineEdit *user = nullptr;
    QLineEdit *pass = nullptr;
    QPushButton *ok = nullptr;
};

TEST_F(SignIn, typedLettersAreUpperCasedAndEnterWalksTheChain)
{
    EXPECT_TRUE(flash->findChild<QPushButton *>(u"cmdok"_s)->isEnabled());
    EXPECT_TRUE(flash->findChild<QPushButton *>(u"cmdSysInfo"_s)->isEnabled());
    EXPECT_EQ(pass->echoMode(), QLineEdit::Password);
    screen->activateWindow();
    user->setFocus();
    typeText(user, u"adMin"_s);
    EXPECT_EQ(user->text(), u"ADMIN"_s);
    pressKey(user, Qt::Key_Return); // moves on without signing in
    EXPECT_TRUE(screen->isVisible());
    EXPECT_FALSE(main->isVisible());
    typeText(pass, u"secret"_s);
    EXPECT_EQ(pass->text(), u"SECRET"_s);
    // Typing over a selection replaces it, as ordinary typing does.
    user->selectAll();
    typeText(user, u"x"_s);
    EXPECT_EQ(user->text(), u"X"_s);
    user->setText(u"ADMIN"_s);

    pressKey(pass, Qt::Key_Return);
    EXPECT_TRUE(signedIn());
    EXPECT_EQ(session().LoginUser, u"ADMIN"_s);
    EXPECT_EQ(session().LoginGroup, u"A"_s); // fgroup NULL
    EXPECT_EQ(main->findChild<QLabel *>(u"StatusBar1.panel4"_s)->text(), u"ADMIN"_s);
    EXPECT_TRUE(flash.isNull() || !flash->isVisible());
    EXPECT_TRUE(session().univListRead);
    EXPECT_FALSE(ui.ended);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(SignIn, pastedTextStaysAsPastedAndLoginUserKeepsIt)
{
    QApplication::clipboard()->setText(u"admin"_s);
    pressKey(user, Qt::Key_V, Qt::ControlModifier, QString(QChar(0x16)));
    if (user->text().isEmpty())
        user->setText(u"admin"_s); // a platform without a clipboard: paste by hand
    EXPECT_EQ(user->text(), u"admin"_s);
    pass->setText(u"secret"_s);
    ok->click();
    EXPECT_TRUE(signedIn());
    EXPECT_EQ(session().LoginUser, u"admin"_s);
}

// Each refusal keeps the screen for another try; the university list is read
// on every OK, also with empty fields.
TEST_F(SignIn, refusalsKeepTheScreenForAnotherTry)
{
    EXPECT_EQ(signin::lookupSql(u"A'B\\"_s, u"x"_s),
              u"Select * from masuser where FUsername='AB\\\\' And FPasswd='Y'"_s);
    const std::tuple<QString, QString, QString> tries[] = {
            {QString(), QString(), u"Enter User name"_s},
            {u"ADMIN"_s, u"   "_s, u"Enter Password"_s},
            {u"   "_s, u"secret"_s, u"Invalid Password"_s}, // blanks pass the validation and fail the lookup
            {u"ADMIN"_s, u"guess"_s, u"Invalid Password"_s},
            {u"ADMIN\\' OR 1=1 -- "_s, u"x"_s, u"Invalid Password"_s}};
    for (const auto &[name, password, refusal] : tries) {
        SCOPED_TRACE(name.toStdString() + "/" + password.toStdString());
        ui.reset();
        session().univListRead = false;
        user->setText(name);
        pass->setText(password);
        ok->click();
        ASSERT_EQ(ui.messages.size(), 1);
        EXPECT_EQ(ui.last().text, refusal);
        EXPECT_EQ(ui.last().icon, Icon::Information);
        EXPECT_TRUE(session().univListRead);
        EXPECT_EQ(session().UnivList.size(), 1);
        if (refusal == u"Invalid Password"_s) {
            EXPECT_EQ(ui.last().title, u"Caution"_s);
            EXPECT_EQ(pass->text(), QString());
        }
        EXPECT_EQ(user->text(), name);
        EXPECT_FALSE(main->isVisible());
        EXPECT_EQ(session().LoginUser, QString());
    }
    pass->setText(u"secret"_s);
    user->setText(u"ADMIN"_s);
    ok->click();
    EXPECT_TRUE(signedIn());
}

TEST_F(SignIn, aQuoteIsDroppedForTheLookupButKeptInLoginUser)
{
    addUser(u"OBRIEN"_s, u"pw"_s, u"B"_s, u"N31*"_s);
    user->setText(u"O'BRIEN"_s);
    pass->setText(u"pw"_s);
    ok->click();
    EXPECT_EQ(session().LoginUser, u"O'BRIEN"_s);
    EXPECT_EQ(session().LoginGroup, u"B"_s);
    // The permission row is looked up with the name as kept, quote and all:
    // there is none, so the application ends instead of opening.
    ASSERT_FALSE(ui.messages.isEmpty());
    EXPECT_EQ(ui.last().text, u"You have no permissions to use the Software, Contact Admin."_s);
    EXPECT_TRUE(ui.ended);
    EXPECT_FALSE(main->isVisible());
}

TEST_F(SignIn, aDroppedConnectionIsReopenedAndTheSignInCompletes)
{
    killConn();
    user->setText(u"ADMIN"_s);
    pass->setText(u"secret"_s);
    ok->click();
    EXPECT_TRUE(signedIn());
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('|')).toStdString();
}

// A failing lookup, or a failing permission query, is reported once; the
// main window stays shut and the screen usable.
TEST_F(SignIn, databaseErrorsAreReportedAndTheMainWindowStaysShut)
{
    user->setText(u"ADMIN"_s);
    pass->setText(u"secret"_s);
    {
        // The lookup reads every column; the permission query names fpermission.
        admin(u"alter table corvane3_tkt.masuser drop column fpermission"_s);
        ok->click();
        admin(u"alter table corvane3_tkt.masuser add column fpermission text null after fsection"_s);
        const TableAway away(u"corvane3_tkt.masuser"_s);
        ok->click();
    }
    ASSERT_EQ(ui.messages.size(), 2);
    EXPECT_TRUE(ui.messages[0].text.contains(QLatin1String("fpermission")));
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    EXPECT_TRUE(ui.last().text.contains(QLatin1String("masuser")));
    EXPECT_TRUE(screen->isVisible());
    EXPECT_FALSE(main->isVisible());
    EXPECT_FALSE(flash.isNull()); // the start-up window is still there
    EXPECT_FALSE(ui.ended);

    ok->click();
    EXPECT_TRUE(signedIn());
}

TEST_F(SignIn, cancelAndTheCloseBoxBothEndTheApplication)
{
    screen->findChild<QPushButton *>(u"cmdcancel"_s)->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, u"Application Terminated"_s);
    EXPECT_EQ(ui.last().icon, Icon::Critical);
    EXPECT_EQ(ui.last().title, u"Message"_s);
    EXPECT_TRUE(ui.ended);

    ui.reset();
    screen->close();
    EXPECT_TRUE(ui.ended);
    EXPECT_EQ(ui.last().text, u"Application Terminated"_s);
    EXPECT_FALSE(main->isVisible());

    // Esc is no way around the sign-in either.
    ui.reset();
    pressKey(screen.get(), Qt::Key_Escape);
    EXPECT_FALSE(ui.ended);
    EXPECT_TRUE(screen->isVisible());
    EXPECT_FALSE(main->isVisible());
}

} // namespace
