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

namespace {

class Desk : public DeskTest
{
protected:
    void SetUp() override
    {
        DeskTest::SetUp();
        addUser(QStringLiteral("U1"), QStringLiteral("C"));
        addUser(QStringLiteral("U9"), QStringLiteral("B"));
        signIn(QStringLiteral("U1"), QStringLiteral("C"));
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
            return get<QPlainTextEdit>(QStringLiteral("text(%1)").arg(i))->toPlainText();
        return get<QLineEdit>(QStringLiteral("text(%1)").arg(i))->text();
    }
    QPushButton *cmd(int i) const { return get<QPushButton>(QStringLiteral("cmd(%1)").arg(i)); }
    QTimer *timer() const { return get<QTimer>(QStringLiteral("Timer1")); }
    QString gridCell(int r, int c) const
    {
        auto *grid = get<FlexGrid>(QStringLiteral("msf"));
        return grid->item(r, c) ? grid->item(r, c)->text() : QString();
    }

    QPointer<frmrectkt> form;
};

TEST_F(Desk, aPickFillsEveryFieldAndStopsThePoller)
{
    addGrievance(5, QStringLiteral("'C'"), QStringLiteral("null"), QStringLiteral("041"),
                 QStringLiteral("null"));
    admin(QStringLiteral("update corvane3_tkt.tkthead set fstudemail = 'alt@mail.example' where ftktid = 5"));
    EXPECT_FALSE(get<QFrame>(QStringLiteral("frame(1)"))->isEnabled());
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(timer()->interval(), 1000);

    form->Timer1_Timer();
    EXPECT_EQ(text(0), QStringLiteral("5"));
    EXPECT_EQ(get<MaskedEdit>(QStringLiteral("mskdt"))->text(), QStringLiteral("04/03/2026"));
    EXPECT_EQ(text(9), QStringLiteral("03:05:09 PM"));
    EXPECT_EQ(text(1), QStringLiteral("Student")); // NULL sender
    EXPECT_EQ(text(5), QStringLiteral("REG5"));
    EXPECT_EQ(text(2), QStringLiteral("Sender 5"));
    EXPECT_EQ(text(3), QStringLiteral("Subject 5"));
    EXPECT_EQ(text(4), QStringLiteral("Message 5"));
    EXPECT_EQ(text(6), QStringLiteral("984005"));
    EXPECT_EQ(text(7), QStringLiteral("s5@mail.example"));
    EXPECT_EQ(text(10), QStringLiteral("alt@mail.example"));
    EXPECT_EQ(text(11), QStringLiteral("041 - Alpha University"));
    EXPECT_EQ(get<QLabel>(QStringLiteral("lbdbname"))->text(), QStringLiteral("corvane3_tsc"));
    EXPECT_TRUE(get<QFrame>(QStringLiteral("frame(1)"))->isEnabled());
    EXPECT_FALSE(get<QLabel>(QStringLiteral("lbalert"))->isVisible());
    EXPECT_FALSE(timer()->isActive());
    EXPECT_EQ(heldBy(QStringLiteral("U1")), QStringLiteral("5"));
    EXPECT_EQ(lockFlag(), QString());
    // The summary ran in the same tick.
    EXPECT_EQ(gridCell(0, 0), QStringLiteral("University"));
    EXPECT_EQ(gridCell(1, 0), QStringLiteral("ALU - Student"));
    EXPECT_EQ(gridCell(2, 0), QStringLiteral("Total"));
    EXPECT_EQ(gridCell(2, 1), QStringLiteral("1"));
    EXPECT_EQ(get<QLabel>(QStringLiteral("Panels(1)"))->text(), QStringLiteral("Grievance Pending : 1"));
    EXPECT_EQ(get<QLabel>(QStringLiteral("Panels(2)"))->text(), QStringLiteral("Grievances Replied : 0"));
}

TEST_F(Desk, unknownUniversityShowsCodeAndKeepsThePreviousDatabase)
{
    addGrievance(5, QStringLiteral("'C'"), QStringLiteral("null"));
    addGrievance(6, QStringLiteral("'C'"), QStringLiteral("null"), QStringLiteral("777"));
    form->Timer1_Timer();
    ASSERT_EQ(text(0), QStringLiteral("5"));
    admin(QStringLiteral("update corvane3_tkt.tkthead set ftktstatus = 'C' where ftktid = 5"));
    cmd(6)->click(); // Refresh
    EXPECT_EQ(heldBy(QStringLiteral("U1")), QString());
    EXPECT_EQ(text(0), QString());
    EXPECT_TRUE(timer()->isActive());
    form->Timer1_Timer();
    EXPECT_EQ(text(0), QStringLiteral("6"));
    EXPECT_EQ(text(11), QStringLiteral("777 - "));
    EXPECT_EQ(get<QLabel>(QStringLiteral("lbdbname"))->text(), QStringLiteral("corvane3_tsc"));
}

TEST_F(Desk, nothingWaitingShowsNoInquiriesAndKeepsPolling)
{
    addGrievance(5, QStringLiteral("'B'"), QStringLiteral("null")); // another level
    form->Timer1_Timer();
    EXPECT_TRUE(get<QLabel>(QStringLiteral("lbalert"))->isVisible());
    EXPECT_EQ(get<QLabel>(QStringLiteral("lbalert"))->text(), QStringLiteral("No Inquiries!!"));
    EXPECT_EQ(text(0), QString());
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(lockFlag(), QString());
    addGrievance(7, QStringLiteral("'C'"), QStringLiteral("'A'"));
    form->Timer1_Timer();
    EXPECT_EQ(text(0), QStringLiteral("7"));
    EXPECT_FALSE(get<QLabel>(QStringLiteral("lbalert"))->isVisible());
}

TEST_F(Desk, aLockLeftByAStoppedClientIsClearedAfterAMinuteOfHeldTicks)
{
    addGrievance(5, QStringLiteral("'C'"), QStringLiteral("null"));
    admin(QStringLiteral("update corvane3_tkt.control set fstarted = 'T'"));
    const QDateTime t0(QDate(2026, 3, 4), QTime(10, 0, 0));
    for (int s = 0; s < desk::kStaleLockSeconds; s += 10) {
        ui.clock = t0.addSecs(s);
        form->Timer1_Timer();
        EXPECT_EQ(lockFlag(), QStringLiteral("T")) << s;
        EXPECT_EQ(text(0), QString());
    }
    ui.clock = t0.addSecs(desk::kStaleLockSeconds);
    form->Timer1_Timer();
    EXPECT_EQ(lockFlag(), QString());
    form->Timer1_Timer();
    EXPECT_EQ(text(0), QStringLiteral("5"));
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(Desk, aLockThatComesAndGoesIsNeverCleared)
{
    const QDateTime t0(QDate(2026, 3, 4), QTime(10, 0, 0));
    for (int s = 0; s <= 3 * desk::kStaleLockSeconds; s += 10) {
        ui.clock = t0.addSecs(s);
        // Free on one tick in every six: other desks picking, not a stuck flag.
        admin(QStringLiteral("update corvane3_tkt.control set fstarted = %1")
                      .arg(s % 60 == 50 ? QStringLiteral("null") : QStringLiteral("'T'")));
        form->Timer1_Timer();
        if (s % 60 != 50) {
            EXPECT_EQ(lockFlag(), QStringLiteral("T")) << s;
        }
    }
}

TEST_F(Desk, aUserStillHoldingOneSeesNothingButTheSummary)
{
    admin(QStringLiteral("update corvane3_tkt.masuser set ftktid = '9' where fusername = 'U1'"));
    addGrievance(5, QStringLiteral("'C'"), QStringLiteral("null"));
    form->Timer1_Timer();
    EXPECT_EQ(text(0), QString());
    EXPECT_FALSE(get<QFrame>(QStringLiteral("frame(1)"))->isEnabled());
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(gridCell(1, 1), QStringLiteral("1"));
}

TEST_F(Desk, forwardWritesMovesOnAndReturnsToWaiting)
{
    addGrievance(5, QStringLiteral("'C'"), QStringLiteral("null"));
    form->Timer1_Timer();
    cmd(1)->click();
    EXPECT_TRUE(get<QFrame>(QStringLiteral("frame(3)"))->isVisible());
    get<QPlainTextEdit>(QStringLiteral("text(8)"))->setPlainText(QStringLiteral("It's for the registrar"));
    cmd(5)->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, QStringLiteral("Forwarded to next level"));
    EXPECT_EQ(ui.last().icon, Icon::Information);
    EXPECT_FALSE(get<QFrame>(QStringLiteral("frame(3)"))->isVisible());
    EXPECT_EQ(text(0), QString());
    EXPECT_EQ(text(8), QString());
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(adminValue(QStringLiteral("select ftkttranmsg from corvane3_tkt.tktdetl where ftktid = 5")),
              QStringLiteral("It's for the registrar"));
    EXPECT_EQ(adminValue(QStringLiteral("select ftktgroup from corvane3_tkt.tkthead where ftktid = 5")),
              QStringLiteral("B"));
}

TEST_F(Desk, forwardFromTheSmallestLevelIsRefusedAndKeepsEverything)
{
    admin(QStringLiteral("delete from corvane3_tkt.masuser where fusername = 'U9'"));
    addGrievance(5, QStringLiteral("'C'"), QStringLiteral("null"));
    form->Timer1_Timer();
    cmd(1)->click();
    cmd(5)->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, QStringLiteral("No More levels to attend the issue!!"));
    EXPECT_EQ(ui.last().icon, Icon::Critical);
    EXPECT_EQ(text(0), QStringLiteral("5"));
    EXPECT_TRUE(get<QFrame>(QStringLiteral("frame(3)"))->isVisible());
    EXPECT_EQ(count(QStringLiteral("select count(*) from corvane3_tkt.tktdetl")), 0);
}

TEST_F(Desk, forwardOfAGrievanceReleasedByTheAdministratorWritesNothing)
{
    addGrievance(5, QStringLiteral("'C'"), QStringLiteral("null"));
    form->Timer1_Timer();
    admin(QStringLiteral("update corvane3_tkt.masuser set ftktid = null where fusername = 'U1'"));
    cmd(1)->click();
    cmd(5)->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    EXPECT_TRUE(ui.last().text.contains(QLatin1String("released by the administrator")));
    EXPECT_EQ(count(QStringLiteral("select count(*) from corvane3_tkt.tktdetl")), 0);
    EXPECT_EQ(adminValue(QStringLiteral("select ftktgroup from corvane3_tkt.tkthead where ftktid = 5")),
              QStringLiteral("C"));
    EXPECT_EQ(text(0), QString());
    EXPECT_TRUE(timer()->isActive());
}

TEST_F(Desk, forwardOnAnEmptyDeskSaysSoInsteadOfAnSqlError)
{
    // The buttons stay enabled once a grievance was shown, also on the emptied screen.
    addGrievance(5, QStringLiteral("'C'"), QStringLiteral("null"));
    form->Timer1_Timer();
    cmd(6)->click();
    ASSERT_EQ(text(0), QString());
    cmd(1)->click();
    cmd(5)->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    EXPECT_FALSE(ui.last().text.contains(QLatin1String("SQL")));
    EXPECT_EQ(count(QStringLiteral("select count(*) from corvane3_tkt.tktdetl")), 0);
}

TEST_F(Desk, aReplyClosedWithoutSendingLeavesNoWaitWindow)
{
    addGrievance(5, QStringLiteral("'C'"), QStringLiteral("null"));
    form->Timer1_Timer();
    QString handed;
    ui.onModal = [&handed](QObject *w) {
        if (auto *reply = qobject_cast<frmreplytkt *>(w))
            handed = reply->tktid();
        return 0;
    };
    cmd(0)->click();
    EXPECT_EQ(handed, QStringLiteral("5"));
    ASSERT_EQ(ui.modalWindows.size(), 1); // the reply screen only
    EXPECT_EQ(text(0), QStringLiteral("5"));
    EXPECT_FALSE(timer()->isActive());
}

TEST_F(Desk, aSentReplyShowsTheWaitWindowWhichTheNextTickCloses)
{
    addGrievance(5, QStringLiteral("'C'"), QStringLiteral("null"));
    addGrievance(6, QStringLiteral("'C'"), QStringLiteral("null"));
    form->Timer1_Timer();
    bool waitShown = false;
    ui.onModal = [&](QObject *w) {
        if (qobject_cast<frmreplytkt *>(w)) {
            // What a send does to the desk.
            admin(QStringLiteral("update corvane3_tkt.tkthead set ftktstatus = 'C' where ftktid = 5"));
            admin(QStringLiteral("update corvane3_tkt.masuser set ftktid = null where fusername = 'U1'"));
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
    EXPECT_EQ(text(0), QStringLiteral("6"));
}

TEST_F(Desk, closeAndEscapeOnAButtonGiveTheGrievanceBack)
{
    addGrievance(5, QStringLiteral("'C'"), QStringLiteral("null"));
    form->Timer1_Timer();
    ASSERT_EQ(heldBy(QStringLiteral("U1")), QStringLiteral("5"));
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(cmd(6), &esc);
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
    EXPECT_EQ(heldBy(QStringLiteral("U1")), QString());

    form = new frmrectkt;
    form->show();
    form->Timer1_Timer();
    ASSERT_EQ(heldBy(QStringLiteral("U1")), QStringLiteral("5"));
    cmd(3)->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form.isNull());
    EXPECT_EQ(heldBy(QStringLiteral("U1")), QString());
}

TEST_F(Desk, summaryWithoutRowsLeavesGridAndStatusBar)
{
    addGrievance(5, QStringLiteral("'C'"), QStringLiteral("null"));
    form->Tkt_Status();
    ASSERT_EQ(gridCell(1, 1), QStringLiteral("1"));
    admin(QStringLiteral("delete from corvane3_tkt.tkthead"));
    form->Tkt_Status();
    EXPECT_EQ(gridCell(1, 1), QStringLiteral("1"));
    EXPECT_EQ(get<QLabel>(QStringLiteral("Panels(1)"))->text(), QStringLiteral("Grievance Pending : 1"));
}

TEST_F(Desk, aFailingTickIsReportedOnceNotEverySecondAndFreesTheLock)
{
    admin(QStringLiteral("rename table corvane3_tkt.tkthead to corvane3_tkt.tkthead_away"));
    form->Timer1_Timer();
    form->Timer1_Timer();
    form->Timer1_Timer();
    admin(QStringLiteral("rename table corvane3_tkt.tkthead_away to corvane3_tkt.tkthead"));
    EXPECT_EQ(lockFlag(), QString());
    // One for the assignment step, one for the summary; then silence.
    ASSERT_EQ(ui.messages.size(), 2);
    EXPECT_EQ(ui.messages.at(0).icon, Icon::Exclamation);
    EXPECT_TRUE(ui.messages.at(0).text.endsWith(QLatin1String(" 1146")))
            << ui.messages.at(0).text.toStdString();
    addGrievance(5, QStringLiteral("'C'"), QStringLiteral("null"));
    form->Timer1_Timer();
    EXPECT_EQ(text(0), QStringLiteral("5"));
    EXPECT_EQ(ui.messages.size(), 2);
}

TEST_F(Desk, aKilledConnectionDuringATickIsReopenedSilently)
{
    addGrievance(5, QStringLiteral("'C'"), QStringLiteral("null"));
    killConn();
    form->Timer1_Timer();
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(text(0), QStringLiteral("5"));
    EXPECT_EQ(lockFlag(), QString());
}

} // namespace
