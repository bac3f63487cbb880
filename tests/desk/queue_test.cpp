#include "deskfixture.h"

#include "core/desk/history.h"
#include "core/desk/queue.h"
#include "core/desk/trail.h"
#include "core/services/database.h"
#include "gui/desk/deskscreen.h"
#include "gui/shell/waitdialog.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>

using namespace Qt::StringLiterals;
using namespace desk;

namespace {

using Queue = DeskTest;

// Starts another client running `script` (as root, on the central database)
// and waits until it prints "locked".
::testing::AssertionResult startHolding(QProcess &other, const QString &script)
{
    other.start(u"mariadb"_s,
                {u"--protocol=tcp"_s, u"-h127.0.0.1"_s, u"-P"_s + qEnvironmentVariable("GMS_DB_PORT"),
                 u"-uroot"_s, u"-Dcorvane3_tkt"_s, u"-N"_s, u"--unbuffered"_s, u"-e"_s, script});
    QByteArray out;
    while (!out.contains("locked") && other.waitForReadyRead(20000))
        out += other.readAllStandardOutput();
    if (out.contains("locked"))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << out.toStdString() << other.readAllStandardError().toStdString();
}

// Lowest number first, the same again after a give-back; others' holds are
// excluded, also well over the server's 1024-byte group_concat() limit;
// quoted names and held values reach the server as data.
TEST_F(Queue, pickOrderAndExclusion)
{
    admin(u"insert into corvane3_tkt.masuser(fusername, fpasswd, fgroup, ftktid) "
          "select concat('H', seq), 'X', 'B', 100 + seq from seq_1_to_300"_s);
    admin(u"insert into corvane3_tkt.tkthead(ftktid, ftktgroup, funivcode) select seq, 'B', '041' "
          "from seq_5_to_401"_s);
    addUser(u"O'Brien"_s, u"B"_s);
    addUser(u"U2"_s, u"B"_s);
    ASSERT_EQ(assignNext(u"O'Brien"_s, u"B"_s).grievance.tktid, u"5"_s);
    EXPECT_EQ(heldBy(u"O'Brien"_s) + lockFlag(), u"5"_s);
    // Who holds one already takes nothing, however the name is written (the
    // server compares names), and leaves the lock as it was.
    for (const QString &name : {u"O'Brien"_s, u"o'brien"_s, u"O'BRIEN "_s}) {
        EXPECT_EQ(assignNext(name, u"B"_s).outcome, AssignOutcome::AlreadyHolding) << name.toStdString();
        EXPECT_EQ(heldBy(u"O'Brien"_s) + lockFlag(), u"5"_s);
    }
    EXPECT_EQ(assignNext(u"U2"_s, u"B"_s).grievance.tktid, u"6"_s);
    releaseHeld(u"O'Brien"_s);
    admin(u"update corvane3_tkt.masuser set ftktid = '7'') or (''1''=''1' where fusername = 'U2'"_s);
    EXPECT_EQ(assignNext(u"O'Brien"_s, u"B"_s).grievance.tktid, u"5"_s);
    admin(u"delete from corvane3_tkt.tkthead where ftktid < 101"_s);
    addUser(u"U3"_s, u"B"_s);
    EXPECT_EQ(assignNext(u"U3"_s, u"B"_s).grievance.tktid, u"401"_s);
}

// A flag committed by a client without transactions, or a desk inside its
// pick (its transaction holds the control row), makes the step busy after a
// short wait: nothing taken, the lock left alone; later statements wait as
// long as the server says again.
TEST_F(Queue, aLockHeldElsewhereMakesTheStepBusyWithoutWaitingLong)
{
    addUser(u"U1"_s, u"B"_s);
    addGrievance(5, u"'B'"_s, u"null"_s);
    const QString take = u"update corvane3_tkt.control set fstarted = 'T'"_s;
    for (const QStringList &held : {QStringList{take}, QStringList{u"start transaction"_s, take}}) {
        admin(held);
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(assignNext(u"U1"_s, u"B"_s).outcome, AssignOutcome::LockBusy);
        EXPECT_LT(clock.elapsed(), 2000); // the user waits a second at most
        EXPECT_EQ(heldBy(u"U1"_s) + lockFlag(), u"T"_s);
        admin(QStringList{u"update corvane3_tkt.control set fstarted = null"_s, u"commit"_s});
    }
    EXPECT_EQ(assignNext(u"U1"_s, u"B"_s).grievance.tktid, u"5"_s);
    EXPECT_EQ(Conn::query(u"select @@innodb_lock_wait_timeout = @@global.innodb_lock_wait_timeout as same"_s)
                      .value(u"same"_s),
              u"1"_s);
}

// A pick never ends holding what another desk holds. One that waited for the
// lock while another desk picked 5 reads that desk's hold as it left it, not
// as it was when the pick began, and takes 6 at once; one whose hold waited
// on a client that takes no lock and gave 5 away meanwhile (as two cluster
// nodes once let two desks' picks through together) gives 5 back, and the
// next tick takes 6.
TEST_F(Queue, aPickNeverKeepsWhatAnotherDeskHolds)
{
    addUser(u"U1"_s, u"B"_s);
    addUser(u"U2"_s, u"B"_s);
    const QString givesFive = u"do sleep(0.7); update masuser set ftktid = '5' where fusername = 'U2'; "_s;
    const std::pair<QString, AssignOutcome> cases[] = {
            {u"update control set fstarted = 'T'; select 'locked'; "_s + givesFive +
                     u"update control set fstarted = null; "_s,
             AssignOutcome::Picked},
            {u"update masuser set fsection = 'x' where fusername = 'U1'; select 'locked'; "_s + givesFive,
             AssignOutcome::LockBusy}};
    for (const auto &[script, first] : cases) {
        SCOPED_TRACE(script.toStdString());
        admin(QStringList{u"update corvane3_tkt.masuser set ftktid = null"_s,
                          u"delete from corvane3_tkt.tkthead"_s});
        addGrievance(5, u"'B'"_s, u"null"_s);
        addGrievance(6, u"'B'"_s, u"null"_s);
        QProcess other;
        ASSERT_TRUE(startHolding(other, u"start transaction; "_s + script + u"commit;"_s));
        AssignResult result = assignNext(u"U1"_s, u"B"_s);
        ASSERT_TRUE(other.waitForFinished(30000));
        EXPECT_EQ(result.outcome, first);
        if (result.outcome == AssignOutcome::LockBusy)
            result = assignNext(u"U1"_s, u"B"_s);
        EXPECT_EQ(result.grievance.tktid + heldBy(u"U2"_s) + heldBy(u"U1"_s) + lockFlag(), u"656"_s);
    }
}

// Another client holds the desk user's row, then asks for the assignment lock
// the pick has taken. The server ends the pick, the smaller transaction, as
// the deadlock's victim, as a cluster ends a pick that lost certification. A
// lost pick is a lock not taken this tick: no message, nothing held, no flag
// left, and the next tick picks (a replay at once would pick on this tick).
TEST_F(Queue, aDeadlockedPickWaitsForTheNextTick)
{
    addUser(u"D1"_s, u"C"_s);
    addGrievance(5, u"'C'"_s, u"null"_s);
    signIn(u"D1"_s, u"C"_s);
    const auto deadlocks = [] {
        return count(u"select variable_value from information_schema.global_status where variable_name = "
                     "'INNODB_DEADLOCKS'"_s);
    };
    const int before = deadlocks();
    QProcess other;
    ASSERT_TRUE(startHolding(other,
                             u"start transaction; insert into tktdetl(ftktid) select seq from seq_1_to_500; "
                             "update masuser set fsection = 'other' where fusername = 'D1'; select 'locked'; "
                             "do sleep(2); update control set fstarted = fstarted; rollback;"_s));

    QPointer<DeskScreen> form = new DeskScreen;
    form->show();
    const auto shown = [&form] { return form->findChild<QLineEdit *>(u"ticketNumber"_s)->text(); };
    form->pollTick();
    EXPECT_EQ(shown(), QString());
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
    ASSERT_TRUE(other.waitForFinished(30000));
    EXPECT_EQ(other.exitCode(), 0) << other.readAllStandardError().toStdString();
    EXPECT_EQ(deadlocks(), before + 1) << "no deadlock: the test proves nothing";
    EXPECT_EQ(heldBy(u"D1"_s) + lockFlag(), QString());

    form->pollTick();
    EXPECT_EQ(shown() + heldBy(u"D1"_s), u"55"_s);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
    delete form.data();
    WaitDialog::closeIfOpen();
}

// The sender's other grievances: the mobile, or either address in either
// e-mail column (letter case aside); blanks match nothing; never the
// displayed one; newest first, cut at the limit.
TEST_F(Queue, theSendersOtherGrievances)
{
    admin(u"insert into corvane3_tkt.tkthead(ftktid, ftktmobile, ftktemail, fstudemail, ftktgroup, "
          u"ffinaluser) "
          "values (10, '9840000001', 'x@o', null, '2', 'U7'), (11, '1', 'A@Mail.Example', '', '3', null), "
          "(12, '', null, 'a@mail.example', '3', null), (13, null, 'b@alt.example', ' ', '3', null), "
          "(14, '2', '', 'b@alt.example', '3', null), (15, '9840000002', 'c@o', 'd@o', '3', null), "
          "(16, '', '', null, '3', null), (50, '9840000001', 'a@mail.example', 'b@alt.example', '3', null), "
          "(60, '9840000001', 'a@mail.example', 'b@alt.example', '3', null)"_s);
    // (mobile|e-mail|second e-mail of grievance 50, limit, what is listed)
    const std::tuple<QString, int, QString> cases[] = {
            {u"9840000001|a@mail.example|b@alt.example"_s, 50, u"60 14 13 12 11 10"_s},
            {u"9840000001| |"_s, 50, u"60 10"_s},
            {u"||B@alt.example"_s, 50, u"60 14 13"_s},
            {u"  ||"_s, 50, QString()},
            {u"9840000001|a@mail.example|b@alt.example"_s, 3, u"60 14 13 cut"_s},
            {u"9840000001|a@mail.example|b@alt.example"_s, 6, u"60 14 13 12 11 10"_s},
    };
    for (const auto &[sender, limit, expected] : cases) {
        SCOPED_TRACE(sender.toStdString() + " " + std::to_string(limit));
        const QStringList f = sender.split(u'|');
        Grievance g;
        std::tie(g.tktid, g.mobile, g.email, g.studEmail) = std::make_tuple(u"50"_s, f[0], f[1], f[2]);
        const SenderHistory history = senderHistory(g, limit);
        QStringList ids;
        for (const FoundGrievance &found : history.rows)
            ids << found.tktid;
        EXPECT_EQ(ids.join(u' ') + (history.cut ? u" cut"_s : QString()), expected);
    }
}

// Each trail line's from-level is the previous forward's target; before the
// first forward the level it was raised at is not known.
TEST_F(Queue, theTrailsFromLevels)
{
    admin(u"insert into corvane3_tkt.tktdetl(ftktid, ftkttrandate, ftkttrangroup) values (7, '2026-03-04', "
          u"'3'), "
          "(7, '2026-03-01', '4'), (7, '2026-03-04', 'XX'), (7, '2026-03-05', '2'), (8, '2026-03-05', 'XX')"_s);
    QStringList moves;
    for (const QString &id : {u"7"_s, u"8"_s})
        for (const TrailEntry &e : trailOf(id))
            moves << e.fromLevel + u'>' + e.level;
    EXPECT_EQ(moves.join(u' '), u">4 4>3 3>Replied 3>2 >Replied"_s);
}

} // namespace
