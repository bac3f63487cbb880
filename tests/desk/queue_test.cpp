#include "deskfixture.h"

#include "core/desk/queue.h"
#include "core/services/database.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;

using namespace desk;

namespace {

class Queue : public DeskTest
{};

// Lowest number first, the same again after a give-back; others' holds are
// excluded; quoted names and held values reach the server as data.
TEST_F(Queue, pickOrderAndExclusion)
{
    addUser(u"O'Brien"_s, u"B"_s);
    addUser(u"U2"_s, u"B"_s);
    addGrievance(7, u"'B'"_s, u"null"_s);
    addGrievance(5, u"'B'"_s, u"null"_s);
    addGrievance(6, u"'B'"_s, u"'A'"_s);

    const AssignResult first = assignNext(u"O'Brien"_s, u"B"_s);
    ASSERT_EQ(first.outcome, AssignOutcome::Picked);
    EXPECT_EQ(first.grievance.tktid, u"5"_s);
    EXPECT_EQ(heldBy(u"O'Brien"_s), u"5"_s);
    EXPECT_EQ(lockFlag(), QString()); // released after the pick
    EXPECT_EQ(assignNext(u"U2"_s, u"B"_s).grievance.tktid, u"6"_s);

    releaseHeld(u"O'Brien"_s);
    admin(u"update corvane3_tkt.masuser set ftktid = '7'') or (''1''=''1' where fusername = 'U2'"_s);
    EXPECT_EQ(assignNext(u"O'Brien"_s, u"B"_s).grievance.tktid, u"5"_s);
}

// Open statuses are offered, closed or other never; the sender kind follows
// the stored value with NULL as Student.
TEST_F(Queue, statusesAndSenderKinds)
{
    const std::tuple<const char *, const char *, const char *> cases[] = {
            {"null", "null", "Student"},
            {"''", "'Student'", "Student"},
            {"'A'", "'GOVT ARTS COLLEGE'", "College"},
            {"' '", "''", "College"},
            {"'C'", "null", nullptr},
            {"'X'", "null", nullptr}};
    addUser(u"U1"_s, u"B"_s);
    for (const auto &[status, sender, kind] : cases) {
        SCOPED_TRACE(std::string(status) + " " + sender);
        admin(u"delete from corvane3_tkt.tkthead"_s);
        releaseHeld(u"U1"_s);
        addGrievance(3, u"'B'"_s, QString::fromLatin1(status), u"041"_s, QString::fromLatin1(sender));
        const AssignResult r = assignNext(u"U1"_s, u"B"_s);
        EXPECT_EQ(r.outcome, kind ? AssignOutcome::Picked : AssignOutcome::NoneWaiting);
        if (kind) {
            EXPECT_EQ(r.grievance.kind, QString::fromLatin1(kind));
        }
        EXPECT_EQ(lockFlag(), QString()) << "the lock is released found or not";
    }
}

TEST_F(Queue, aUserWhoHoldsOneGetsNothingAndTheLockIsNotTouched)
{
    addUser(u"U1"_s, u"B"_s, u"9"_s);
    addGrievance(5, u"'B'"_s, u"null"_s);
    // Another desk holds the lock: a desk that took or released it would change the flag.
    admin(u"update corvane3_tkt.control set fstarted = 'T'"_s);
    EXPECT_EQ(assignNext(u"U1"_s, u"B"_s).outcome, AssignOutcome::AlreadyHolding);
    EXPECT_EQ(lockFlag(), u"T"_s);
    EXPECT_EQ(heldBy(u"U1"_s), u"9"_s);
}

// The lock held elsewhere makes the step busy: a flag left committed by a
// client without transactions, or a desk inside its pick (its transaction
// holds the control row), which this desk waits for only briefly. Neither
// lock is touched, nothing is picked, and the next step picks normally.
TEST_F(Queue, aLockHeldElsewhereMakesTheStepBusyWithoutWaitingLong)
{
    addUser(u"U1"_s, u"B"_s);
    addGrievance(5, u"'B'"_s, u"null"_s);
    struct Case
    {
        const char *name;
        QStringList take, free;
    };
    const Case cases[] = {
            {"flag left without a transaction",
             {u"update corvane3_tkt.control set fstarted = 'T'"_s},
             {u"update corvane3_tkt.control set fstarted = null"_s}},
            {"desk inside its pick",
             {u"start transaction"_s, u"update corvane3_tkt.control set fstarted = 'T'"_s},
             {u"update corvane3_tkt.control set fstarted = null"_s, u"commit"_s}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        admin(c.take);
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(assignNext(u"U1"_s, u"B"_s).outcome, AssignOutcome::LockBusy);
        EXPECT_LT(clock.elapsed(), (kLockWaitSeconds + 2) * 1000);
        EXPECT_EQ(heldBy(u"U1"_s), QString());
        EXPECT_EQ(lockFlag(), u"T"_s);
        admin(c.free);
        EXPECT_EQ(assignNext(u"U1"_s, u"B"_s).grievance.tktid, u"5"_s);
        releaseHeld(u"U1"_s);
    }
    // The short wait ends with the step: later statements wait as long as the server says.
    EXPECT_EQ(Conn::query(u"select @@innodb_lock_wait_timeout = @@global.innodb_lock_wait_timeout as same"_s)
                      .value(u"same"_s),
              u"1"_s);
}

// Well over the server's 1024-byte group_concat() limit of held numbers.
TEST_F(Queue, manyHeldGrievancesAreAllExcluded)
{
    QStringList users;
    for (int i = 0; i < 300; ++i)
        users << u"('H%1', 'X', 'B', '%2')"_s.arg(i).arg(100000 + i);
    admin(u"insert into corvane3_tkt.masuser(fusername, fpasswd, fgroup, ftktid) values "_s +
          users.join(QLatin1Char(',')));
    admin(u"insert into corvane3_tkt.tkthead(ftktid, ftktgroup, funivcode) select seq, 'B', '041' "
          "from seq_100000_to_100300"_s);
    addUser(u"U1"_s, u"B"_s);
    const AssignResult r = assignNext(u"U1"_s, u"B"_s);
    ASSERT_EQ(r.outcome, AssignOutcome::Picked);
    EXPECT_EQ(r.grievance.tktid, u"100300"_s);
}

TEST(StaleLockWatch, onlyAnUnbrokenRunOfHeldTicksCounts)
{
    const QDateTime t0(QDate(2026, 3, 4), QTime(10, 0, 0));
    StaleLockWatch watch;
    EXPECT_FALSE(watch.heldTooLong(true, t0));
    EXPECT_FALSE(watch.heldTooLong(true, t0.addSecs(kStaleLockSeconds - 1)));
    EXPECT_FALSE(watch.heldTooLong(false, t0.addSecs(kStaleLockSeconds - 1))); // a free tick starts over
    EXPECT_FALSE(watch.heldTooLong(true, t0.addSecs(kStaleLockSeconds)));
    EXPECT_FALSE(watch.heldTooLong(true, t0.addSecs(2 * kStaleLockSeconds - 1)));
    EXPECT_TRUE(watch.heldTooLong(true, t0.addSecs(2 * kStaleLockSeconds)));
    // A clock set back does not count as time held.
    StaleLockWatch back;
    EXPECT_FALSE(back.heldTooLong(true, t0));
    EXPECT_FALSE(back.heldTooLong(true, t0.addSecs(-3600)));
    EXPECT_FALSE(back.heldTooLong(true, t0.addSecs(-3600 + kStaleLockSeconds - 1)));
}

} // namespace
