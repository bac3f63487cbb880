#include "deskfixture.h"

#include "core/services/session.h"
#include "gui/desk/frmrectkt.h"
#include "gui/desk/frmreplytkt.h"
#include "gui/services/formutil.h"
#include "gui/shell/frmwait.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include <functional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

class Desk : public DeskTest
{
protected:
    void SetUp() override
    {
        DeskTest::SetUp();
        addUser(u"U1"_s, u"C"_s);
        addUser(u"U9"_s, u"B"_s);
        signIn(u"U1"_s, u"C"_s);
        form = new frmrectkt;
        form->show();
    }
    void TearDown() override
    {
        delete form.data();
        frmwait::closeIfOpen();
        DeskTest::TearDown();
    }
    template<class T>
    T *get(const QString &name) const
    {
        T *w = form->findChild<T *>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QString text(int i) const
    {
        if (i == 4 || i == 8)
            return get<QPlainTextEdit>(u"text(%1)"_s.arg(i))->toPlainText();
        return get<QLineEdit>(u"text(%1)"_s.arg(i))->text();
    }
    QString label(const QString &name) const { return get<QLabel>(name)->text(); }
    QPushButton *cmd(int i) const { return get<QPushButton>(u"cmd(%1)"_s.arg(i)); }
    QTimer *timer() const { return get<QTimer>(u"Timer1"_s); }
    QString gridCell(int r, int c) const
    {
        auto *grid = get<FlexGrid>(u"msf"_s);
        return grid->item(r, c) ? grid->item(r, c)->text() : QString();
    }
    QString tkthead(const char *column) const
    {
        return adminValue(
                u"select %1 from corvane3_tkt.tkthead where ftktid = 5"_s.arg(QLatin1String(column)));
    }

    QPointer<frmrectkt> form;
};

// One desk through its states: nothing waiting, a pick, Refresh onto a
// grievance of an unknown university, and a summary that finds no rows.
TEST_F(Desk, waitingPickingRefreshingAndTheSummary)
{
    addGrievance(8, u"'B'"_s, u"null"_s); // another level
    EXPECT_FALSE(get<QFrame>(u"frame(1)"_s)->isEnabled());
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(timer()->interval(), 1000);
    form->Timer1_Timer();
    EXPECT_TRUE(get<QLabel>(u"lbalert"_s)->isVisible());
    EXPECT_EQ(label(u"lbalert"_s), u"No Inquiries!!"_s);
    EXPECT_EQ(text(0), QString());
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(lockFlag(), QString());

    addGrievance(6, u"'C'"_s, u"null"_s, u"777"_s);
    addGrievance(5, u"'C'"_s, u"null"_s, u"041"_s, u"null"_s);
    admin(u"update corvane3_tkt.tkthead set fstudemail = 'alt@mail.example' where ftktid = 5"_s);
    form->Timer1_Timer();
    const std::pair<int, QString> fields[] = {{0, u"5"_s},
                                              {9, u"03:05:09 PM"_s},
                                              {1, u"Student"_s}, // NULL sender
                                              {5, u"REG5"_s},
                                              {2, u"Sender 5"_s},
                                              {3, u"Subject 5"_s},
                                              {4, u"Message 5"_s},
                                              {6, u"984005"_s},
                                              {7, u"s5@mail.example"_s},
                                              {10, u"alt@mail.example"_s},
                                              {11, u"041 - Alpha University"_s}};
    for (const auto &[i, expected] : fields)
        EXPECT_EQ(text(i), expected) << "text(" << i << ")";
    EXPECT_EQ(get<MaskedEdit>(u"mskdt"_s)->text(), u"04/03/2026"_s);
    EXPECT_EQ(label(u"lbdbname"_s), u"corvane3_tsc"_s);
    EXPECT_TRUE(get<QFrame>(u"frame(1)"_s)->isEnabled());
    EXPECT_FALSE(get<QLabel>(u"lbalert"_s)->isVisible());
    EXPECT_FALSE(timer()->isActive());
    EXPECT_EQ(heldBy(u"U1"_s), u"5"_s);
    EXPECT_EQ(lockFlag(), QString());
    // The summary ran in the same tick.
    EXPECT_EQ(gridCell(0, 0), u"University"_s);
    EXPECT_EQ(gridCell(1, 0), u"ALU - Student"_s);
    EXPECT_EQ(gridCell(2, 0), u"Total"_s);
    EXPECT_EQ(gridCell(2, 1), u"1"_s);
    EXPECT_EQ(label(u"Panels(1)"_s), u"Grievance Pending : 1"_s);
    EXPECT_EQ(label(u"Panels(2)"_s), u"Grievances Replied : 0"_s);

    admin(u"update corvane3_tkt.tkthead set ftktstatus = 'C' where ftktid = 5"_s);
    cmd(6)->click(); // Refresh
    EXPECT_EQ(heldBy(u"U1"_s), QString());
    EXPECT_EQ(text(0), QString());
    EXPECT_TRUE(timer()->isActive());
    form->Timer1_Timer();
    EXPECT_EQ(text(0), u"6"_s);
    EXPECT_EQ(text(11), u"777 - "_s);
    // An unknown university selects none: the reply gets no copy address and
    // no reset offer from the previous university's database.
    EXPECT_EQ(label(u"lbdbname"_s), QString());
    EXPECT_EQ(session().SelUnivEmail, QString());
    session().InstUnivCode = u"041"_s;
    admin(QStringList{u"delete from corvane3_tsc.studadm"_s,
                      u"insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, ffinsub) "
                      "values('0001', 'C1', 'BA', '984006', 'T')"_s});
    QString cc = u"?"_s;
    bool offered = true;
    ui.onModal = [&](QObject *w) {
        if (auto *reply = qobject_cast<frmreplytkt *>(w)) {
            reply->show();
            cc = reply->findChild<QLineEdit *>(u"text(1)"_s)->text();
            offered = reply->findChild<QCheckBox *>(u"chk(0)"_s)->isVisible();
        }
        return 0;
    };
    cmd(0)->click();
    EXPECT_EQ(cc, QString());
    EXPECT_FALSE(offered);

    // A summary without rows leaves the grid and the status bar as they were.
    const QString pending = label(u"Panels(1)"_s);
    admin(u"delete from corvane3_tkt.tkthead"_s);
    form->Tkt_Status();
    EXPECT_EQ(gridCell(1, 0), u"ALU - Student"_s);
    EXPECT_EQ(label(u"Panels(1)"_s), pending);
}

// The unbroken-run and clock-set-back rules are proven on StaleLockWatch itself.
TEST_F(Desk, aLockLeftByAStoppedClientIsClearedAfterAMinuteOfHeldTicks)
{
    addGrievance(5, u"'C'"_s, u"null"_s);
    admin(u"update corvane3_tkt.control set fstarted = 'T'"_s);
    const QDateTime t0(QDate(2026, 3, 4), QTime(10, 0, 0));
    for (int s = 0; s < desk::kStaleLockSeconds; s += 10) {
        ui.clock = t0.addSecs(s);
        form->Timer1_Timer();
        EXPECT_EQ(lockFlag(), u"T"_s) << s;
        EXPECT_EQ(text(0), QString());
    }
    ui.clock = t0.addSecs(desk::kStaleLockSeconds);
    form->Timer1_Timer();
    EXPECT_EQ(lockFlag(), QString());
    form->Timer1_Timer();
    EXPECT_EQ(text(0), u"5"_s);
    EXPECT_TRUE(ui.messages.isEmpty());
}

// Forward on the screen: the one that goes through, and the refusals, which
// write nothing and leave the level alone.
TEST_F(Desk, forwardAndItsRefusals)
{
    struct Case
    {
        const char *name;
        std::function<void()> meanwhile; // after the pick, before Forward
        QString text;
        Icon icon;
        bool stillShown;
    };
    const Case cases[] = {
            {"forwarded", [] {}, u"Forwarded to next level"_s, Icon::Information, false},
            {"smallest level", [] { admin(u"delete from corvane3_tkt.masuser where fusername = 'U9'"_s); },
             u"No More levels to attend the issue!!"_s, Icon::Critical, true},
            {"released by the administrator and picked by another",
             [] {
                 admin(u"update corvane3_tkt.masuser set ftktid = null where fusername = 'U1'"_s);
                 addUser(u"U2"_s, u"C"_s, u"5"_s);
             },
             u"This grievance has been released by the administrator and may be handled by another user; "
             "it has not been forwarded."_s,
             Icon::Exclamation, false},
            // The buttons stay enabled once a grievance was shown, also on the emptied screen.
            {"empty desk", [this] { cmd(6)->click(); },
             u"No grievance is displayed; there is nothing to forward."_s, Icon::Exclamation, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const bool forwarded = c.icon == Icon::Information;
        admin(QStringList{u"delete from corvane3_tkt.tkthead"_s, u"delete from corvane3_tkt.tktdetl"_s,
                          u"delete from corvane3_tkt.masuser"_s});
        addUser(u"U1"_s, u"C"_s);
        addUser(u"U9"_s, u"B"_s);
        addGrievance(5, u"'C'"_s, u"null"_s);
        ui.reset();
        form->Timer1_Timer();
        ASSERT_EQ(text(0), u"5"_s);
        c.meanwhile();
        // A second press while the first one's message is up is ignored.
        bool pressedAgain = false;
        ui.onMessage = [&](const MessageRequest &) {
            if (!std::exchange(pressedAgain, true))
                emit cmd(5)->clicked();
        };
        cmd(1)->click();
        EXPECT_TRUE(get<QFrame>(u"frame(3)"_s)->isVisible());
        get<QPlainTextEdit>(u"text(8)"_s)->setPlainText(u"It's for the registrar"_s);
        cmd(5)->click();
        ASSERT_EQ(ui.messages.size(), 1);
        EXPECT_EQ(ui.last().icon, c.icon);
        EXPECT_EQ(ui.last().text, c.text);
        EXPECT_EQ(adminValue(u"select ifnull(max(ftkttranmsg),'') from corvane3_tkt.tktdetl"_s),
                  forwarded ? u"It's for the registrar"_s : QString());
        EXPECT_EQ(tkthead("ftktgroup"), forwarded ? u"B"_s : u"C"_s);
        EXPECT_EQ(text(0), c.stillShown ? u"5"_s : QString());
        EXPECT_EQ(timer()->isActive(), !c.stillShown);
        if (forwarded) {
            EXPECT_FALSE(get<QFrame>(u"frame(3)"_s)->isVisible());
            EXPECT_EQ(text(8), QString());
        }
        if (count(u"select count(*) from corvane3_tkt.masuser where fusername = 'U2'"_s)) {
            EXPECT_EQ(heldBy(u"U2"_s), u"5"_s); // the other user keeps it
        }
    }
}

// Closed without sending: no wait window, the grievance stays. Sent: the
// wait window comes up and the next tick closes it.
TEST_F(Desk, replyScreenClosedWithAndWithoutSending)
{
    addGrievance(5, u"'C'"_s, u"null"_s);
    addGrievance(6, u"'C'"_s, u"null"_s);
    form->Timer1_Timer();
    QString handed;
    bool send = false;
    bool waitShown = false;
    ui.onModal = [&](QObject *w) {
        if (auto *reply = qobject_cast<frmreplytkt *>(w)) {
            handed = reply->grievance().tktid;
            if (send) {
                reply->show();
                reply->findChild<QLineEdit *>(u"text(0)"_s)->clear(); // no mail
                reply->findChild<QTextEdit *>(u"rtb"_s)->setPlainText(u"done"_s);
                reply->send();
            }
        } else if (w == frmwait::instance()) {
            waitShown = true;
            frmwait::instance()->show();
            form->Timer1_Timer(); // the poller runs while the wait window is up
            EXPECT_FALSE(frmwait::isOpen());
        }
        return 0;
    };
    cmd(0)->click();
    EXPECT_EQ(handed, u"5"_s);
    ASSERT_EQ(ui.modalWindows.size(), 1); // the reply screen only
    EXPECT_FALSE(waitShown);
    EXPECT_EQ(text(0), u"5"_s);
    EXPECT_FALSE(timer()->isActive());

    send = true;
    cmd(0)->click();
    EXPECT_EQ(ui.texts(), QStringList{u"Reply Sent Successfully"_s});
    EXPECT_TRUE(waitShown);
    EXPECT_EQ(text(0), u"6"_s);
}

TEST_F(Desk, closeAndEscapeOnAButtonGiveTheGrievanceBack)
{
    addGrievance(5, u"'C'"_s, u"null"_s);
    for (bool escape : {true, false}) {
        SCOPED_TRACE(escape ? "Esc" : "Close");
        if (!form) {
            form = new frmrectkt;
            form->show();
        }
        form->Timer1_Timer();
        ASSERT_EQ(heldBy(u"U1"_s), u"5"_s);
        if (escape) {
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(cmd(6), &esc);
            QApplication::processEvents();
        } else {
            cmd(3)->click();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(form.isNull());
        EXPECT_EQ(heldBy(u"U1"_s), QString());
    }
}

TEST_F(Desk, aFailingTickIsReportedOnceNotEverySecondAndFreesTheLock)
{
    {
        const TableAway away(u"corvane3_tkt.tkthead"_s);
        for (int i = 0; i < 3; ++i)
            form->Timer1_Timer();
    }
    EXPECT_EQ(lockFlag(), QString());
    // One for the assignment step, one for the summary; then silence.
    ASSERT_EQ(ui.messages.size(), 2);
    EXPECT_EQ(ui.messages.at(0).icon, Icon::Exclamation);
    EXPECT_TRUE(ui.messages.at(0).text.endsWith(QLatin1String(" 1146"))) << ui.dump();
    addGrievance(5, u"'C'"_s, u"null"_s);
    form->Timer1_Timer();
    EXPECT_EQ(text(0), u"5"_s);
    EXPECT_EQ(ui.messages.size(), 2);
}

} // namespace
