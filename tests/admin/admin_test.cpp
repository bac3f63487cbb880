#include "core/services/session.h"
#include "core/services/sqltext.h"
#include "core/shell/signin.h"
#include "gui/admin/frmpasswd.h"
#include "gui/admin/frmusers.h"
#include "gui/shell/mdimainmenu.h"

#include "support/faultproxy.h"
#include "support/testdb.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest/QTest>

#include <functional>
#include <memory>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

const QString kCleared = u"No permission is ticked. Remove every permission of DESK31?"_s;
const QString kChanged = u"Password has been changed Successfully"_s;

// Both screens opened from the real main window, so the permission tree is
// the one its menu gives.
class Admin : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        resetCentral();
        resetAccounts();
        session().LoginUser = u" CLERK7 "_s; // signed in with blanks around the name
        openMain();
    }
    void TearDown() override
    {
        main.reset();
        DbTest::TearDown();
    }

    static void resetAccounts()
    {
        admin({u"delete from corvane3_tkt.masuser"_s,
               u"insert into corvane3_tkt.masuser(fusername, fsection, fpermission, fpasswd) values "
               "('DESK31', 'FRONT', 'N2*N21*N99*', 'x'), ('DESK40', 'BACK', '', 'y'), ('CLERK7', 'HELP', 'N4*N42*', "_s +
                       sql::quote(StoredPassword(u"CLERK7"_s)) + u")"_s});
    }
    // Name, section, password and permissions of every account.
    static QString accounts(bool withPassword = false)
    {
        return adminValue(
                u"select group_concat(concat_ws('|', fusername, ifnull(fsection, '-'), %1 "
                "ifnull(fpermission, '-')) order by fusername separator ' / ') from corvane3_tkt.masuser"_s
                        .arg(withPassword ? u"fpasswd,"_s : QString()));
    }

    void openMain()
    {
        main = std::make_unique<MdiMainMenu>();
        main->show();
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
        main->runCommand(u"N43"_s);
        users = main->findChild<frmusers *>();
        ASSERT_NE(users, nullptr);
    }
    frmpasswd *passwordScreen()
    {
        main->runCommand(u"N42"_s);
        return main->findChild<frmpasswd *>();
    }

    template<class W>
    W *in(QWidget *screen, const QString &name)
    {
        return screen->findChild<W *>(name);
    }
    QLineEdit *user() { return in<QLineEdit>(users, u"text(0)"_s); }
    QLineEdit *section() { return in<QLineEdit>(users, u"text(6)"_s); }
    QTreeWidget *tree() { return in<QTreeWidget>(users, u"tvwoptions"_s); }
    QTreeWidgetItem *node(const QString &key)
    {
        for (QTreeWidgetItemIterator it(tree()); *it; ++it)
            if ((*it)->data(0, Qt::UserRole).toString() == key)
                return *it;
        throw std::runtime_error("no node " + key.toStdString());
    }

    // What the operator does, as steps separated by ";": "type NAME" (typed
    // into User ID), "leave" (Enter in Section), "choose NAME" (from the
    // list), "tick KEY", "untick KEY", "section TEXT", "answer Yes|No" (to
    // the next question), "again" (Save clicked again while a message is
    // up), "save" (a mouse click), "grant NAME PERMISSIONS" (another
    // administrator meanwhile).
    void act(const QString &script)
    {
        for (const QString &step : script.split(u';', Qt::SkipEmptyParts)) {
            const QString verb = step.trimmed().section(u' ', 0, 0), arg = step.trimmed().section(u' ', 1);
            if (verb == u"type"_s) {
                user()->setFocus();
                user()->clear();
                QTest::keyClicks(user(), arg);
            } else if (verb == u"leave"_s) {
                section()->setFocus();
                QTest::keyClick(section(), Qt::Key_Return);
            } else if (verb == u"choose"_s) {
                auto *list = in<QComboBox>(users, u"cmb"_s);
                list->setCurrentIndex(list->findText(arg));
                emit list->activated(list->currentIndex());
            } else if (verb == u"tick"_s || verb == u"untick"_s) {
                node(arg)->setCheckState(0, verb == u"tick"_s ? Qt::Checked : Qt::Unchecked);
            } else if (verb == u"section"_s) {
                section()->setFocus();
                section()->setText(arg);
            } else if (verb == u"save"_s) {
                QTest::mouseClick(in<QPushButton>(users, u"cmd(0)"_s), Qt::LeftButton);
            } else if (verb == u"again"_s) {
                ui.onMessage = [this](const MessageRequest &) {
                    if (ui.messages.size() < 3)
                        act(u"save"_s);
                };
            } else if (verb == u"answer"_s) {
                ui.answers << (arg == u"Yes"_s ? Answer::Yes : Answer::No);
            } else if (verb == u"grant"_s) {
                admin(u"update corvane3_tkt.masuser set fpermission = '%2' where fusername = '%1'"_s.arg(
                        arg.section(u' ', 0, 0), arg.section(u' ', 1)));
            } else {
                ADD_FAILURE() << "unknown step " << step.toStdString();
            }
        }
    }
    void changePassword(frmpasswd *screen, const QString &old, const QString &fresh,
                        const QString &confirmation)
    {
        in<QLineEdit>(screen, u"text(0)"_s)->setText(old);
        in<QLineEdit>(screen, u"text(1)"_s)->setText(fresh);
        in<QLineEdit>(screen, u"text(2)"_s)->setText(confirmation);
        QTest::mouseClick(in<QPushButton>(screen, u"cmdok"_s), Qt::LeftButton);
    }

    std::unique_ptr<MdiMainMenu> main;
    frmusers *users = nullptr;
};

// The tree holds every command of the real menu; Save writes what the
// operator meant and nothing else: each way the screen used to write over an
// account or create one that could never sign in.
TEST_F(Admin, saveWritesOnlyWhatTheOperatorMeant)
{
    act(u"type CLERK9; leave"_s);
    QSet<QString> commands, keys;
    for (const QAction *action : main->menuControls()) {
        if (action->objectName() == u"NWindow"_s)
            break;
        if (!action->isSeparator())
            commands << action->objectName();
    }
    for (QTreeWidgetItemIterator it(tree()); *it; ++it)
        keys << (*it)->data(0, Qt::UserRole).toString();
    EXPECT_EQ(keys, commands);

    const QString stored = u"DESK31|FRONT|N2*N21*N99* / DESK40|BACK|"_s;
    const QString quote =
            u"A User ID may not hold a quote ('): sign-in removes quotes, so the account could never "
            "sign in."_s;
    const struct
    {
        const char *name;
        QString script;
        QString accounts; // CLERK7 left out
        QString messages;
    } cases[] = {
            {"an account chosen from the list is loaded, its stale key dropped", u"choose DESK31; save"_s,
             u"DESK31|FRONT|N2*N21* / DESK40|BACK|"_s, u""_s},
            {"a name typed over a loaded account does not take its ticks",
             u"type DESK31; leave; type CLERK9; save"_s, u"CLERK9|FRONT| / "_s + stored, u""_s},
            {"ticks made before editing Section survive Save pressed from Section",
             u"type DESK31; leave; tick N42; section BACK; save"_s,
             u"DESK31|BACK|N2*N21*N4*N42* / DESK40|BACK|"_s, u""_s},
            {"clearing every tick asks, and No keeps the account",
             u"choose DESK31; untick N2; answer No; save"_s, stored, kCleared},
            {"clearing every tick asks, and Yes clears; a second click meanwhile is ignored",
             u"choose DESK31; untick N2; answer Yes; again; save"_s, u"DESK31|FRONT| / DESK40|BACK|"_s,
             kCleared},
            {"permissions granted meanwhile by another administrator are kept",
             u"choose DESK40; grant DESK40 N3*; save"_s, u"DESK31|FRONT|N2*N21*N99* / DESK40|BACK|N3*"_s,
             u""_s},
            {"a new name holding a quote is refused", u"type O'NEIL; leave; save"_s, stored, quote},
            {"Save on an empty screen (a second click after a save) creates nothing", u"save"_s, stored,
             u"User ID Should be Entered"_s},
            {"a new account: a root takes its branch, an item its root",
             u"type clerk9; section HELP; leave; tick N3; tick N23; untick N31; save"_s,
             u"CLERK9|HELP|N2*N23* / "_s + stored, u""_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        resetAccounts();
        admin(u"delete from corvane3_tkt.masuser where fusername = 'CLERK7'"_s);
        openMain();
        ui.reset();
        act(c.script);
        EXPECT_EQ(accounts().toStdString(), c.accounts.toStdString());
        EXPECT_EQ(ui.dump(), c.messages.toStdString());
        main.reset();
    }
    // The new account signs in with its own name, typed in any case.
    EXPECT_TRUE(signin::lookup(u"CLERK9"_s, u"clerk9"_s).has_value());
}

// The old password wrong or the new one mistyped changes nothing; the rules
// of the stored form (case, quotes, non-ASCII) hold for the new one.
TEST_F(Admin, passwordChangeRules)
{
    struct Case
    {
        QString old, fresh, confirmation;
        QString message;
        QString signsInWith;
    };
    const Case cases[] = {
            {u"clerk7"_s, u"   "_s, u"abc"_s, u"Information Should be Entered"_s, u"CLERK7"_s},
            {u"bad"_s, u"abc"_s, u"abc"_s, u"Invalid Password"_s, u"CLERK7"_s},
            {u"clerk7"_s, u"abc"_s, u"ABC"_s, u"Mismatch - Confirm New Password"_s, u"CLERK7"_s},
            {u"clerk7"_s, u"NewPass"_s, u"NewPass"_s, kChanged, u"newpass"_s},
            {u"clerk7"_s, u"x$y"_s, u"x$y"_s, kChanged, u"X$Y"_s}, // "$" + 3 encodes as a quote
            {u"clerk7"_s, u"résumé"_s, u"résumé"_s, kChanged, u"RÉSUMÉ"_s},
    };
    frmpasswd *screen = passwordScreen();
    ASSERT_NE(screen, nullptr);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fresh.toStdString());
        resetAccounts();
        ui.reset();
        changePassword(screen, c.old, c.fresh, c.confirmation);
        EXPECT_EQ(ui.dump(), c.message.toStdString());
        EXPECT_TRUE(signin::lookup(u"CLERK7"_s, c.signsInWith).has_value());
    }
}

// Whatever statement the link drops at, before it reaches the server or with
// the server's answer lost, each command lands exactly once and says so.
TEST_F(Admin, everyCutLeavesTheCommandDoneOnce)
{
    const struct
    {
        const char *name;
        std::function<void()> command;
        QString messages;
    } cases[] = {
            {"new account", [&] { act(u"type CLERK9; section HELP; leave; tick N2; save"_s); }, u""_s},
            {"edited account", [&] { act(u"choose DESK31; tick N42; save"_s); }, u""_s},
            {"password change", // the screen opens on the first run and is reused after
             [&] { changePassword(passwordScreen(), u"clerk7"_s, u"NewPass"_s, u"NewPass"_s); },
             {kChanged}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        expectSameUnderEveryCut([] { resetAccounts(); },
                                [&] {
                                    ui.reset();
                                    c.command();
                                    EXPECT_EQ(ui.dump(), c.messages.toStdString());
                                },
                                [] { return accounts(true); });
    }
}

} // namespace
