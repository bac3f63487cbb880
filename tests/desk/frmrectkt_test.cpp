#include "deskfixture.h"

#include "core/services/session.h"
#include "gui/desk/frmrectkt.h"
#include "gui/desk/frmreplytkt.h"
#include "gui/services/formutil.h"
#include "gui/shell/frmwait.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

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
    QPushButton *cmd(int i) const { return get<QPushButton>(u"cmd(%1)"_s.arg(i)); }
    QTimer *timer() const { return get<QTimer>(u"Timer1"_s); }
    QString gridCell(int r, int c) const
    {
        auto *grid = get<FlexGrid>(u"msf"_s);
        return grid->item(r, c) ? grid->item(r, c)->text() : QString();
    }

    QPointer<frmrectkt> form;
};

TEST_F(Desk, aPickFillsEveryFieldAndStopsThePoller)
{
    addGrievance(5, u"'C'"_s, u"null"_s, u"041"_s, u"null"_s);
    admin(u"update corvane3_tkt.tkthead set fstudemail = 'alt@mail.example' where ftktid = 5"_s);
    EXPECT_FALSE(get<QFrame>(u"frame(1)"_s)->isEnabled());
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(timer()->interval(), 1000);

    form->Timer1_Timer();
    EXPECT_EQ(text(0), u"5"_s);
    EXPECT_EQ(get<MaskedEdit>(u"mskdt"_s)->text(), u"04/03/2026"_s);
    EXPECT_EQ(text(9), u"03:05:09 PM"_s);
    EXPECT_EQ(text(1), u"Student"_s); // NULL sender
    EXPECT_EQ(text(5), u"REG5"_s);
    EXPECT_EQ(text(2), u"Sender 5"_s);
    EXPECT_EQ(text(3), u"Subject 5"_s);
    EXPECT_EQ(text(4), u"Message 5"_s);
    EXPECT_EQ(text(6), u"984005"_s);
    EXPECT_EQ(text(7), u"s5@mail.example"_s);
    EXPECT_EQ(text(10), u"alt@mail.example"_s);
    EXPECT_EQ(text(11), u"041 - Alpha University"_s);
    EXPECT_EQ(get<QLabel>(u"lbdbname"_s)->text(), u"corvane3_tsc"_s);
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
    EXPECT_EQ(get<QLabel>(u"Panels(1)"_s)->text(), u"Grievance Pending : 1"_s);
    EXPECT_EQ(get<QLabel>(u"Panels(2)"_s)->text(), u"Grievances Replied : 0"_s);
}

TEST_F(Desk, unknownUniversityShowsCodeAndKeepsThePreviousDatabase)
{
    addGrievance(5, u"'C'"_s, u"null"_s);
    addGrievance(6, u"'C'"_s, u"null"_s, u"777"_s);
    form->Timer1_Timer();
    ASSERT_EQ(text(0), u"5"_s);
    admin(u"update corvane3_tkt.tkthead set ftktstatus = 'C' where ftktid = 5"_s);
    cmd(6)->click(); // Refresh
    EXPECT_EQ(heldBy(u"U1"_s), QString());
    EXPECT_EQ(text(0), QString());
    EXPECT_TRUE(timer()->isActive());
    form->Timer1_Timer();
    EXPECT_EQ(text(0), u"6"_s);
    EXPECT_EQ(text(11), u"777 - "_s);
    EXPECT_EQ(get<QLabel>(u"lbdbname"_s)->text(), u"corvane3_tsc"_s);
}

TEST_F(Desk, nothingWaitingShowsNoInquiriesAndKeepsPolling)
{
    addGrievance(5, u"'B'"_s, u"null"_s); // another level
    form->Timer1_Timer();
    EXPECT_TRUE(get<QLabel>(u"lbalert"_s)->isVisible());
    EXPECT_EQ(get<QLabel>(u"lbalert"_s)->text(), u"No Inquiries!!"_s);
    EXPECT_EQ(text(0), QString());
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(lockFlag(), QString());
    addGrievance(7, u"'C'"_s, u"'A'"_s);
    form->Timer1_Timer();
    EXPECT_EQ(text(0), u"7"_s);
    EXPECT_FALSE(get<QLabel>(u"lbalert"_s)->isVisible());
}

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

TEST_F(Desk, aLockThatComesAndGoesIsNeverCleared)
{
    const QDateTime t0(QDate(2026, 3, 4), QTime(10, 0, 0));
    for (int s = 0; s <= 3 * desk::kStaleLockSeconds; s += 10) {
        ui.clock = t0.addSecs(s);
        // Free on one tick in every six: other desks picking, not a stuck flag.
        admin(u"update corvane3_tkt.control set fstarted = %1"_s.arg(s % 60 == 50 ? u"null"_s : u"'T'"_s));
        form->Timer1_Timer();
        if (s % 60 != 50) {
            EXPECT_EQ(lockFlag(), u"T"_s) << s;
        }
    }
}

TEST_F(Desk, aUserStillHoldingOneSeesNothingButTheSummary)
{
    admin(u"update corvane3_tkt.masuser set ftktid = '9' where fusername = 'U1'"_s);
    addGrievance(5, u"'C'"_s, u"null"_s);
    form->Timer1_Timer();
    EXPECT_EQ(text(0), QString());
    EXPECT_FALSE(get<QFrame>(u"frame(1)"_s)->isEnabled());
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(gridCell(1, 1), u"1"_s);
}

TEST_F(Desk, forwardWritesMovesOnAndReturnsToWaiting)
{
    addGrievance(5, u"'C'"_s, u"null"_s);
    form->Timer1_Timer();
    cmd(1)->click();
    EXPECT_TRUE(get<QFrame>(u"frame(3)"_s)->isVisible());
    get<QPlainTextEdit>(u"text(8)"_s)->setPlainText(u"It's for the registrar"_s);
    cmd(5)->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, u"Forwarded to next level"_s);
    EXPECT_EQ(ui.last().icon, Icon::Information);
    EXPECT_FALSE(get<QFrame>(u"frame(3)"_s)->isVisible());
    EXPECT_EQ(text(0), QString());
    EXPECT_EQ(text(8), QString());
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(adminValue(u"select ftkttranmsg from corvane3_tkt.tktdetl where ftktid = 5"_s),
              u"It's for the registrar"_s);
    EXPECT_EQ(adminValue(u"select ftktgroup from corvane3_tkt.tkthead where ftktid = 5"_s), u"B"_s);
}

TEST_F(Desk, forwardFromTheSmallestLevelIsRefusedAndKeepsEverything)
{
    admin(u"delete from corvane3_tkt.masuser where fusername = 'U9'"_s);
    addGrievance(5, u"'C'"_s, u"null"_s);
    form->Timer1_Timer();
    cmd(1)->click();
    cmd(5)->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, u"No More levels to attend the issue!!"_s);
    EXPECT_EQ(ui.last().icon, Icon::Critical);
    EXPECT_EQ(text(0), u"5"_s);
    EXPECT_TRUE(get<QFrame>(u"frame(3)"_s)->isVisible());
    EXPECT_EQ(count(u"select count(*) from corvane3_tkt.tktdetl"_s), 0);
}

TEST_F(Desk, forwardOfAGrievanceReleasedByTheAdministratorWritesNothing)
{
    addGrievance(5, u"'C'"_s, u"null"_s);
    form->Timer1_Timer();
    admin(u"update corvane3_tkt.masuser set ftktid = null where fusername = 'U1'"_s);
    cmd(1)->click();
    cmd(5)->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    EXPECT_TRUE(ui.last().text.contains(QLatin1String("released by the administrator")));
    EXPECT_EQ(count(u"select count(*) from corvane3_tkt.tktdetl"_s), 0);
    EXPECT_EQ(adminValue(u"select ftktgroup from corvane3_tkt.tkthead where ftktid = 5"_s), u"C"_s);
    EXPECT_EQ(text(0), QString());
    EXPECT_TRUE(timer()->isActive());
}

TEST_F(Desk, forwardOnAnEmptyDeskSaysSoInsteadOfAnSqlError)
{
    // The buttons stay enabled once a grievance was shown, also on the emptied screen.
    addGrievance(5, u"'C'"_s, u"null"_s);
    form->Timer1_Timer();
    cmd(6)->click();
    ASSERT_EQ(text(0), QString());
    cmd(1)->click();
    cmd(5)->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    EXPECT_FALSE(ui.last().text.contains(QLatin1String("SQL")));
    EXPECT_EQ(count(u"select count(*) from corvane3_tkt.tktdetl"_s), 0);
}

TEST_F(Desk, aReplyClosedWithoutSendingLeavesNoWaitWindow)
{
    addGrievance(5, u"'C'"_s, u"null"_s);
    form->Timer1_Timer();
    QString handed;
    ui.onModal = [&handed](QObject *w) {
        if (auto *reply = qobject_cast<frmreplytkt *>(w))
            handed = reply->tktid();
        return 0;
    };
    cmd(0)->click();
    EXPECT_EQ(handed, u"5"_s);
    ASSERT_EQ(ui.modalWindows.size(), 1); // the reply screen only
    EXPECT_EQ(text(0), u"5"_s);
    EXPECT_FALSE(timer()->isActive());
}

TEST_F(Desk, aSentReplyShowsTheWaitWindowWhichTheNextTickCloses)
{
    addGrievance(5, u"'C'"_s, u"null"_s);
    addGrievance(6, u"'C'"_s, u"null"_s);
    form->Timer1_Timer();
    bool waitShown = false;
    ui.onModal = [&](QObject *w) {
        if (qobject_cast<frmreplytkt *>(w)) {
            // What a send does to the desk.
            admin(u"update corvane3_tkt.tkthead set ftktstatus = 'C' where ftktid = 5"_s);
            admin(u"update corvane3_tkt.masuser set ftktid = null where fusername = 'U1'"_s);
            form->enablePoller();
        } else if (w == frmwait::instance()) {
            waitShown = true;
            frmwait::instance()->show();
            form->Timer1_Timer(); // the poller runs while the wait window is up
            EXPECT_FALSE(frmwait::isOpen());
        }
        return 0;
    };
    cmd(0)->click();
    EXPECT_TRUE(waitShown);
    EXPECT_EQ(text(0), u"6"_s);
}

TEST_F(Desk, closeAndEscapeOnAButtonGiveTheGrievanceBack)
{
    addGrievance(5, u"'C'"_s, u"null"_s);
    form->Timer1_Timer();
    ASSERT_EQ(heldBy(u"U1"_s), u"5"_s);
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(cmd(6), &esc);
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
    EXPECT_EQ(heldBy(u"U1"_s), QString());

    form = new frmrectkt;
    form->show();
    form->Timer1_Timer();
    ASSERT_EQ(heldBy(u"U1"_s), u"5"_s);
    cmd(3)->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
    EXPECT_EQ(heldBy(u"U1"_s), QString());
}

TEST_F(Desk, summaryWithoutRowsLeavesGridAndStatusBar)
{
    addGrievance(5, u"'C'"_s, u"null"_s);
    form->Tkt_Status();
    ASSERT_EQ(gridCell(1, 1), u"1"_s);
    admin(u"delete from corvane3_tkt.tkthead"_s);
    form->Tkt_Status();
    EXPECT_EQ(gridCell(1, 1), u"1"_s);
    EXPECT_EQ(get<QLabel>(u"Panels(1)"_s)->text(), u"Grievance Pending : 1"_s);
}

TEST_F(Desk, aFailingTickIsReportedOnceNotEverySecondAndFreesTheLock)
{
    admin(u"rename table corvane3_tkt.tkthead to corvane3_tkt.tkthead_away"_s);
    form->Timer1_Timer();
    form->Timer1_Timer();
    form->Timer1_Timer();
    admin(u"rename table corvane3_tkt.tkthead_away to corvane3_tkt.tkthead"_s);
    EXPECT_EQ(lockFlag(), QString());
    // One for the assignment step, one for the summary; then silence.
    ASSERT_EQ(ui.messages.size(), 2);
    EXPECT_EQ(ui.messages.at(0).icon, Icon::Exclamation);
    EXPECT_TRUE(ui.messages.at(0).text.endsWith(QLatin1String(" 1146")))
            << ui.messages.at(0).text.toStdString();
    addGrievance(5, u"'C'"_s, u"null"_s);
    form->Timer1_Timer();
    EXPECT_EQ(text(0), u"5"_s);
    EXPECT_EQ(ui.messages.size(), 2);
}

TEST_F(Desk, aKilledConnectionDuringATickIsReopenedSilently)
{
    addGrievance(5, u"'C'"_s, u"null"_s);
    killConn();
    form->Timer1_Timer();
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(text(0), u"5"_s);
    EXPECT_EQ(lockFlag(), QString());
}

} // namespace
