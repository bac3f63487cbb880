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

namespace {

class SignIn : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        addUser(QStringLiteral("ADMIN"), QStringLiteral("secret"), QString(), QStringLiteral("N21*"));
        addUniv(QStringLiteral("041"), QStringLiteral("Tessaly Central University"));
        main = std::make_unique<MdiMainMenu>();
        flash = new FrmFlash;
        screen = std::make_unique<FrmSignUp>(flash, main.get());
        screen->show();
        user = screen->findChild<QLineEdit *>(QStringLiteral("txtuser"));
        pass = screen->findChild<QLineEdit *>(QStringLiteral("Txtpass"));
        ok = screen->findChild<QPushButton *>(QStringLiteral("cmdok"));
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

TEST_F(SignIn, screenShowsItsDesignTextsAndEnablesTheStartUpButtons)
{
    EXPECT_EQ(screen->windowTitle(), QStringLiteral("Sign Up . . . "));
    EXPECT_EQ(screen->findChild<QLabel *>(QStringLiteral("Label1"))->text(), QStringLiteral("Login . . ."));
    EXPECT_EQ(screen->findChild<QPushButton *>(QStringLiteral("cmdcancel"))->text(),
              QStringLiteral("&Cancel"));
    EXPECT_EQ(pass->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(flash->findChild<QPushButton *>(QStringLiteral("cmdok"))->isEnabled());
    EXPECT_TRUE(flash->findChild<QPushButton *>(QStringLiteral("cmdSysInfo"))->isEnabled());
}

TEST_F(SignIn, typedLettersAreUpperCasedAndEnterWalksTheChain)
{
    typeText(user, QStringLiteral("adMin"));
    EXPECT_EQ(user->text(), QStringLiteral("ADMIN"));
    typeText(pass, QStringLiteral("secret"));
    EXPECT_EQ(pass->text(), QStringLiteral("SECRET"));
    // Typing over a selection replaces it, as ordinary typing does.
    user->selectAll();
    typeText(user, QStringLiteral("x"));
    EXPECT_EQ(user->text(), QStringLiteral("X"));
    user->setText(QStringLiteral("ADMIN"));

    pressKey(pass, Qt::Key_Return);
    EXPECT_TRUE(signedIn());
    EXPECT_EQ(session().LoginUser, QStringLiteral("ADMIN"));
    EXPECT_EQ(session().LoginGroup, QStringLiteral("A")); // fgroup NULL
    EXPECT_EQ(main->findChild<QLabel *>(QStringLiteral("StatusBar1.panel4"))->text(),
              QStringLiteral("ADMIN"));
    EXPECT_TRUE(flash.isNull() || !flash->isVisible());
    EXPECT_TRUE(session().univListRead);
    EXPECT_FALSE(ui.ended);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(SignIn, pastedTextStaysAsPastedAndLoginUserKeepsIt)
{
    QApplication::clipboard()->setText(QStringLiteral("admin"));
    pressKey(user, Qt::Key_V, Qt::ControlModifier, QString(QChar(0x16)));
    if (user->text().isEmpty())
        user->setText(QStringLiteral("admin")); // a platform without a clipboard: paste by hand
    EXPECT_EQ(user->text(), QStringLiteral("admin"));
    pass->setText(QStringLiteral("secret"));
    ok->click();
    EXPECT_TRUE(signedIn());
    EXPECT_EQ(session().LoginUser, QStringLiteral("admin"));
}

TEST_F(SignIn, enterInTheUserBoxMovesOnWithoutSigningIn)
{
    screen->activateWindow();
    user->setFocus();
    typeText(user, QStringLiteral("admin"));
    pressKey(user, Qt::Key_Return);
    EXPECT_TRUE(screen->isVisible());
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_FALSE(main->isVisible());
}

TEST_F(SignIn, emptyFieldsAreRefusedAndTheUniversityListIsStillRead)
{
    ok->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, QStringLiteral("Enter User name"));
    EXPECT_EQ(ui.last().icon, Icon::Information);
    EXPECT_TRUE(session().univListRead);
    ASSERT_EQ(session().UnivList.size(), 1);

    user->setText(QStringLiteral("ADMIN"));
    pass->setText(QStringLiteral("   "));
    ok->click();
    EXPECT_EQ(ui.last().text, QStringLiteral("Enter Password"));
    EXPECT_EQ(ui.last().icon, Icon::Information);
    EXPECT_FALSE(main->isVisible());
}

TEST_F(SignIn, aUserNameOfBlanksPassesValidationAndFailsTheLookup)
{
    user->setText(QStringLiteral("   "));
    pass->setText(QStringLiteral("secret"));
    ok->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, QStringLiteral("Invalid Password"));
    EXPECT_EQ(ui.last().title, QStringLiteral("Caution"));
    EXPECT_EQ(ui.last().icon, Icon::Information);
    EXPECT_EQ(pass->text(), QString());
    EXPECT_EQ(user->text(), QStringLiteral("   "));
    EXPECT_FALSE(main->isVisible());
    EXPECT_EQ(session().LoginUser, QString());
}

TEST_F(SignIn, aWrongPasswordIsRefusedAndTheScreenStaysForAnotherTry)
{
    user->setText(QStringLiteral("ADMIN"));
    pass->setText(QStringLiteral("guess"));
    ok->click();
    EXPECT_EQ(ui.last().text, QStringLiteral("Invalid Password"));
    pass->setText(QStringLiteral("secret"));
    ok->click();
    EXPECT_TRUE(signedIn());
}

TEST_F(SignIn, aQuoteIsDroppedForTheLookupButKeptInLoginUser)
{
    addUser(QStringLiteral("OBRIEN"), QStringLiteral("pw"), QStringLiteral("B"), QStringLiteral("N31*"));
    user->setText(QStringLiteral("O'BRIEN"));
    pass->setText(QStringLiteral("pw"));
    ok->click();
    EXPECT_EQ(session().LoginUser, QStringLiteral("O'BRIEN"));
    EXPECT_EQ(session().LoginGroup, QStringLiteral("B"));
    // The permission row is looked up with the name as kept, quote and all:
    // there is none, so the application ends instead of opening.
    ASSERT_FALSE(ui.messages.isEmpty());
    EXPECT_EQ(ui.last().text, QStringLiteral("You have no permissions to use the Software, Contact Admin."));
    EXPECT_TRUE(ui.ended);
    EXPECT_FALSE(main->isVisible());
}

TEST_F(SignIn, backslashesCannotBreakTheLookup)
{
    EXPECT_EQ(signin::lookupSql(QStringLiteral("A'B\\"), QStringLiteral("x")),
              QStringLiteral("Select * from masuser where FUsername='AB\\\\' And FPasswd='Y'"));
    user->setText(QStringLiteral("ADMIN\\' OR 1=1 -- "));
    pass->setText(QStringLiteral("x"));
    ok->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, QStringLiteral("Invalid Password"));
    EXPECT_FALSE(main->isVisible());
}

TEST_F(SignIn, aDroppedConnectionIsReopenedAndTheSignInCompletes)
{
    killConn();
    user->setText(QStringLiteral("ADMIN"));
    pass->setText(QStringLiteral("secret"));
    ok->click();
    EXPECT_TRUE(signedIn());
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('|')).toStdString();
}

TEST_F(SignIn, aDatabaseErrorIsReportedOnceAndTheScreenStaysUsable)
{
    admin(QStringLiteral("rename table corvane3_tkt.masuser to corvane3_tkt.masuser_away"));
    user->setText(QStringLiteral("ADMIN"));
    pass->setText(QStringLiteral("secret"));
    ok->click();
    admin(QStringLiteral("rename table corvane3_tkt.masuser_away to corvane3_tkt.masuser"));
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    EXPECT_TRUE(ui.last().text.contains(QLatin1String("masuser")));
    EXPECT_TRUE(screen->isVisible());
    EXPECT_FALSE(main->isVisible());
    EXPECT_FALSE(ui.ended);

    ok->click();
    EXPECT_TRUE(signedIn());
}

TEST_F(SignIn, aFailingPermissionQueryKeepsTheMainWindowShut)
{
    // The lookup reads every column; the permission query names fpermission.
    admin(QStringLiteral("alter table corvane3_tkt.masuser drop column fpermission"));
    user->setText(QStringLiteral("ADMIN"));
    pass->setText(QStringLiteral("secret"));
    ok->click();
    admin(QStringLiteral("alter table corvane3_tkt.masuser add column fpermission text null after fsection"));
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.last().text.contains(QLatin1String("fpermission")));
    EXPECT_FALSE(main->isVisible());
    EXPECT_TRUE(screen->isVisible());
    EXPECT_FALSE(flash.isNull()); // the start-up window is still there
    EXPECT_FALSE(ui.ended);
}

TEST_F(SignIn, cancelAndTheCloseBoxBothEndTheApplication)
{
    screen->findChild<QPushButton *>(QStringLiteral("cmdcancel"))->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, QStringLiteral("Application Terminated"));
    EXPECT_EQ(ui.last().icon, Icon::Critical);
    EXPECT_EQ(ui.last().title, QStringLiteral("Message"));
    EXPECT_TRUE(ui.ended);

    ui.reset();
    screen->close();
    EXPECT_TRUE(ui.ended);
    EXPECT_EQ(ui.last().text, QStringLiteral("Application Terminated"));
    EXPECT_FALSE(main->isVisible());

    // Esc is no way around the sign-in either.
    ui.reset();
    pressKey(screen.get(), Qt::Key_Escape);
    EXPECT_FALSE(ui.ended);
    EXPECT_TRUE(screen->isVisible());
    EXPECT_FALSE(main->isVisible());
}

} // namespace
