#include "core/services/session.h"
#include "core/services/sqltext.h"
#include "core/shell/signin.h"
#include "gui/admin/passwordscreen.h"
#include "gui/admin/usersscreen.h"
#include "gui/shell/mainwindow.h"

#include "support/faultproxy.h"
#include "support/testdb.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest/QTest>

#include <memory>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

const QString kCleared = u"No permission is ticked. Remove every permission of DESK31?"_s;
const QString kChanged = u"Password has been changed Successfully"_s;

// Both screens opened from the real main window, whose menu gives the tree.
class Admin : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        resetAccounts();
        session().userName = u" CLERK7 "_s; // signed in with blanks around the name
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
               u"insert into corvane3_tkt.masuser(fusername, fsection, fpermission, fgroup, fpasswd) values "
               "('DESK31', 'FRONT', 'N2*N21*N99*', '3', 'x'), ('DESK40-NIGHTDESK', 'BACK OFFICE', '', null, 'y'), ('CLERK7', 'HELP', 'N4*N42*', '3', "_s +
                       sql::quote(storedPassword(u"CLERK7"_s)) + u")"_s});
    }
    // Name, section, level, password and permissions of every account; without the
    // password, of every account but the signed-in one.
    static QString accounts(bool withPassword = false)
    {
        return adminValue(
                u"select group_concat(concat_ws('|', fusername, ifnull(fsection, '-'), ifnull(fgroup, '-'), "
                u"%1 "
                "ifnull(fpermission, '-')) order by fusername separator ' / ') from corvane3_tkt.masuser %2"_s
                        .arg(withPassword ? u"fpasswd,"_s : QString(),
                             withPassword ? QString() : u"where fusername <> 'CLERK7'"_s));
    }

    void openMain()
    {
        main = std::make_unique<MainWindow>();
        main->show();
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
        main->runCommand(u"N43"_s);
        users = main->findChild<UsersScreen *>();
        ASSERT_NE(users, nullptr);
    }
    template<class W = QLineEdit>
    W *in(QWidget *screen, const QString &name)
    {
        return screen->findChild<W *>(name);
    }
    QTreeWidgetItem *node(const QString &key)
    {
        for (QTreeWidgetItemIterator it(in<QTreeWidget>(users, u"permissionTree"_s)); *it; ++it)
            if ((*it)->data(0, Qt::UserRole).toString() == key)
                return *it;
        throw std::runtime_error("no node " + key.toStdString());
    }

    // The operator's steps, ";"-separated: type NAME, leave (Enter in Section),
    // choose NAME, tick/untick KEY, section TEXT, level TEXT, levels A,B (the
    // list), answer Yes|No, again (Save clicked again while a message is up), save, grant NAME PERMISSIONS
    // (another administrator), password OLD,NEW,CONFIRMATION, signs-in NAME PW.
    void act(const QString &script)
    {
        for (const QString &step : script.split(u';', Qt::SkipEmptyParts)) {
            const QString verb = step.trimmed().section(u' ', 0, 0), arg = step.trimmed().section(u' ', 1);
            QLineEdit *user = in(users, u"userId"_s), *section = in(users, u"section"_s);
            if (verb == u"type"_s) {
                user->setFocus();
                user->clear();
                QTest::keyClicks(user, arg);
            } else if (verb == u"leave"_s) {
                section->setFocus();
                QTest::keyClick(section, Qt::Key_Return);
            } else if (verb == u"choose"_s) {
                auto *list = in<QComboBox>(users, u"userList"_s);
                list->setCurrentIndex(list->findText(arg));
                emit list->activated(list->currentIndex());
            } else if (verb == u"tick"_s || verb == u"untick"_s) {
                node(arg)->setCheckState(0, verb == u"tick"_s ? Qt::Checked : Qt::Unchecked);
            } else if (verb == u"section"_s) {
                section->setFocus();
                section->setText(arg);
            } else if (verb == u"level"_s) {
                in<QComboBox>(users, u"level"_s)->setEditText(arg);
            } else if (verb == u"levels"_s) {
                for (int i = 0; i <= in<QComboBox>(users, u"level"_s)->count(); ++i) // one past: none more
                    EXPECT_EQ(in<QComboBox>(users, u"level"_s)->itemText(i), arg.section(u',', i, i));
            } else if (verb == u"save"_s) {
                QTest::mouseClick(in<QPushButton>(users, u"saveButton"_s), Qt::LeftButton);
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
            } else if (verb == u"password"_s) {
                main->runCommand(u"N42"_s);
                auto *screen = main->findChild<PasswordScreen *>();
                for (int i = 0; i < 3; ++i) // old, new, confirmation: the screen's boxes in order
                    screen->findChildren<QLineEdit *>().at(i)->setText(arg.section(u',', i, i));
                QTest::mouseClick(in<QPushButton>(screen, u"okButton"_s), Qt::LeftButton);
            } else if (verb == u"signs-in"_s) {
                EXPECT_TRUE(signin::lookup(arg.section(u' ', 0, 0), arg.section(u' ', 1)).has_value())
                        << step.toStdString();
            } else {
                ADD_FAILURE() << "unknown step " << step.toStdString();
            }
        }
    }

    std::unique_ptr<MainWindow> main;
    UsersScreen *users = nullptr;
};

// The tree holds every command of the real menu; each command writes what the
// operator meant and nothing else.
TEST_F(Admin, saveWritesOnlyWhatTheOperatorMeant)
{
    act(u"type CLERK9; leave"_s); // every command up to the window list has its node
    for (const QAction *action :
         main->menuControls().mid(0, main->menuControls().indexOf(main->findChild<QAction *>(u"NWindow"_s))))
        EXPECT_NO_THROW((void)(action->isSeparator() || node(action->objectName())))
                << action->objectName().toStdString();

    const QString stored = u"DESK31|FRONT|3|N2*N21*N99* / DESK40-NIGHTDESK|BACK OFFICE|-|"_s;
    const QString cases[][4] = {
            // name, script, accounts but the signed-in one, messages
            {"chosen from the list: loaded, stale key dropped", u"choose DESK31; save"_s,
             u"DESK31|FRONT|3|N2*N21* / DESK40-NIGHTDESK|BACK OFFICE|-|"_s, u""_s},
            {"ticks survive Save pressed from Section, a leading blank finds the stored account",
             u"type  DESK31; leave; tick N42; section BACK; save"_s,
             u"DESK31|BACK|3|N2*N21*N4*N42* / DESK40-NIGHTDESK|BACK OFFICE|-|"_s, u""_s},
            {"all ticks cleared: No keeps", u"choose DESK31; untick N2; answer No; save"_s, stored, kCleared},
            {"all ticks cleared: Yes clears, a second click ignored; an emptied level is none",
             u"choose DESK31; untick N2; level ; answer Yes; again; save"_s,
             u"DESK31|FRONT|-| / DESK40-NIGHTDESK|BACK OFFICE|-|"_s, kCleared},
            {"another account's level never saved onto this one; 5 characters whole, 6 refused; the list "
             "distinct, ordered",
             u"levels 3; choose DESK31; level 12; choose DESK40-NIGHTDESK; save; choose DESK31; level "
             u"123456; "
             "save; level 12345; save; levels 12345,3"_s,
             u"DESK31|FRONT|12345|N2*N21* / DESK40-NIGHTDESK|BACK OFFICE|-|"_s,
             u"Level 123456 is too long: a level may hold at most 5 characters."_s},
            {"grant kept, long text whole; then a new name takes neither the ticks nor the cut at 15",
             u"choose DESK40-NIGHTDESK; grant DESK40-NIGHTDESK N3*; save; choose DESK40-NIGHTDESK; type "
             "CLERK9ABCDEFGHIJ; save"_s,
             u"CLERK9ABCDEFGHI|BACK OFFICE|-| / "_s + stored + u"N3*"_s, u""_s},
            {"Save on an empty screen; a quote or a character the password cannot hold in a new name",
             u"save; type O'NEIL; leave; save; type µX; leave; save"_s, stored,
             u"User ID Should be Entered|A User ID may not hold a quote ('): sign-in removes quotes, so the "
             "account could never sign in.|A new account's first password is its User ID. A password may not "
             "hold the character \"Μ\"."_s},
            {"new account: a root takes its branch, an item its root; its level",
             u"type clerk9; section HELP; leave; level 2; tick N3; tick N23; untick N31; untick N32; save; "
             u"signs-in "
             u"CLERK9 "
             "clerk9"_s,
             u"CLERK9|HELP|2|N2*N23* / "_s + stored, u""_s},
            // The stored form's rules (case, quotes, non-ASCII) hold for a new password.
            {"old password wrong, confirmation differs; then changed, encoding a quote, then a non-ASCII one",
             u"password bad,abc,abc; password clerk7,abc,ABC; signs-in CLERK7 CLERK7; password "
             u"clerk7,x$y,x$y; "
             "signs-in CLERK7 X$Y; password x$y,résumé,résumé; signs-in CLERK7 RÉSUMÉ"_s,
             stored, u"Invalid Password|Mismatch - Confirm New Password|"_s + kChanged + u"|"_s + kChanged},
            {"60 characters whole (codes shifted past 255), 61 refused, \"ω\" (it would be \"?\") refused",
             u"password clerk7,%1,%1; signs-in CLERK7 %2; password %1,%1x,%1x; password %1,ωω1,ωω1; signs-in "
             "CLERK7 %2"_s.arg(u"ÝÝ"_s + QString(58, u'a'), u"ýý"_s + QString(58, u'A')),
             stored,
             kChanged + u"|A password may hold at most 60 characters.|A password may not hold the character "
                        "\"ω\"."_s},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c[0].toStdString());
        resetAccounts();
        openMain();
        ui.reset();
        act(c[1]);
        EXPECT_EQ(accounts().toStdString(), c[2].toStdString());
        EXPECT_EQ(ui.dump(), c[3].toStdString());
        main.reset();
    }
}

// Whatever statement the link drops at, before it reaches the server or with
// the server's answer lost, each command lands exactly once and says so.
TEST_F(Admin, everyCutLeavesTheCommandDoneOnce)
{
    const std::pair<QString, QString> cases[] = {
            {u"type CLERK9; section HELP; leave; level 1; tick N2; save; choose DESK31; tick N42; level 2; save"_s,
             u""_s},
            {u"password clerk7,NewPass,NewPass"_s, kChanged},
    };
    for (const auto &[script, messages] : cases) {
        SCOPED_TRACE(script.toStdString());
        const auto command = [&, script = script, messages = messages] {
            ui.reset();
            act(script);
            EXPECT_EQ(ui.dump(), messages.toStdString());
        };
        expectSameUnderEveryCut([] { resetAccounts(); }, command, [] { return accounts(true); });
    }
}

} // namespace
