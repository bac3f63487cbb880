#include "deskfixture.h"

#include "core/desk/queue.h"
#include "core/services/database.h"
#include "core/services/handler.h"

using namespace Qt::StringLiterals;

using namespace desk;

namespace {

class Queue : public DeskTest
{};

TEST_F(Queue, lowestNumberFirstAndTheSameAgainAfterRefresh)
{
    addUser(u"U1"_s, u"B"_s);
    addGrievance(7, u"'B'"_s, u"null"_s);
    addGrievance(5, u"'B'"_s, u"null"_s);

    AssignResult first = assignNext(u"U1"_s, u"B"_s);
    ASSERT_EQ(first.outcome, AssignOutcome::Picked);
    EXPECT_EQ(first.grievance.tktid, u"5"_s);
    EXPECT_EQ(heldBy(u"U1"_s), u"5"_s);
    EXPECT_EQ(lockFlag(), QString()); // released after the pick

    releaseHeld(u"U1"_s);
    AssignResult again = assignNext(u"U1"_s, u"B"_s);
    ASSERT_EQ(again.outcome, AssignOutcome::Picked);
    EXPECT_EQ(again.grievance.tktid, u"5"_s);
}

struct StatusCase
{
    const char *literal;
    bool offered;
};

TEST_F(Queue, openStatusesAreOfferedAndClosedOrOtherNever)
{
    const StatusCase cases[] = {{"null", true}, {"''", true},   {"'A'", true},
                                {"'C'", false}, {"'X'", false}, {"' '", true}};
    addUser(u"U1"_s, u"B"_s);
    for (const StatusCase &c : cases) {
        admin(u"delete from corvane3_tkt.tkthead"_s);
        admin(u"update corvane3_tkt.masuser set ftktid = null"_s);
        addGrievance(3, u"'B'"_s, QString::fromLatin1(c.literal));
        const AssignResult r = assignNext(u"U1"_s, u"B"_s);
        EXPECT_EQ(r.outcome, c.offered ? AssignOutcome::Picked : AssignOutcome::NoneWaiting) << c.literal;
        EXPECT_EQ(lockFlag(), QString()) << "lock must be released found or not: " << c.literal;
    }
}

TEST_F(Queue, heldByOthersAreSkippedAndNoExclusionWhenNoneIsHeld)
{
    addUser(u"U1"_s, u"B"_s);
    addUser(u"U2"_s, u"B"_s);
    addGrievance(5, u"'B'"_s, u"null"_s);
    addGrievance(6, u"'B'"_s, u"'A'"_s);

    Assignment alone(u"U1"_s, u"B"_s);
    EXPECT_EQ(alone.run().grievance.tktid, u"5"_s);
    EXPECT_FALSE(alone.lastPickSql().contains(QLatin1String("not in")));
    EXPECT_TRUE(alone.lastPickSql().contains(QLatin1String("  order by g.ftktid limit 1")));

    Assignment second(u"U2"_s, u"B"_s);
    const AssignResult r = second.run();
    ASSERT_EQ(r.outcome, AssignOutcome::Picked);
    EXPECT_EQ(r.grievance.tktid, u"6"_s);
    EXPECT_TRUE(second.lastPickSql().contains(QLatin1String(" and g.ftktid not in('5') order by")));
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

TEST_F(Queue, senderKindFollowsTheStoredValueWithNullAsStudent)
{
    addUser(u"U1"_s, u"B"_s);
    const std::pair<const char *, const char *> cases[] = {{"null", "Student"},
                                                           {"'Student'", "Student"},
                                                           {"'GOVT ARTS COLLEGE'", "College"},
                                                           {"''", "College"}};
    for (const auto &c : cases) {
        admin(u"delete from corvane3_tkt.tkthead"_s);
        releaseHeld(u"U1"_s);
        addGrievance(3, u"'B'"_s, u"null"_s, u"041"_s, QString::fromLatin1(c.first));
        EXPECT_EQ(assignNext(u"U1"_s, u"B"_s).grievance.kind, QString::fromLatin1(c.second)) << c.first;
    }
}

// The connection counts found rows, so an update that finds its row but
// changes nothing still reports one row; only the where clause of the take
// makes a second taker see zero.
TEST_F(Queue, lockTakeIsOneStatementThatASecondTakerLoses)
{
    EXPECT_EQ(Conn::execute(u"update control set fstarted = null"_s), 1); // found, unchanged
    EXPECT_TRUE(takeLock());
    EXPECT_EQ(lockFlag(), u"T"_s);
    EXPECT_EQ(Conn::execute(u"update control set fstarted = 'T'"_s), 1); // would pass for a take
    EXPECT_FALSE(takeLock());
    EXPECT_FALSE(lockFree());
    releaseLock();
    EXPECT_TRUE(lockFree());

    // Another desk takes the lock between this desk's poll and its take.
    addUser(u"U1"_s, u"B"_s);
    addGrievance(5, u"'B'"_s, u"null"_s);
    admin(u"update corvane3_tkt.control set fstarted = 'T'"_s);
    EXPECT_EQ(assignNext(u"U1"_s, u"B"_s).outcome, AssignOutcome::LockBusy);
    EXPECT_EQ(heldBy(u"U1"_s), QString());
    EXPECT_EQ(lockFlag(), u"T"_s); // still the other desk's
}

TEST_F(Queue, killedWhileWritingTheHoldResumesUnderTheLockAndReleasesIt)
{
    addUser(u"U1"_s, u"B"_s);
    addGrievance(5, u"'B'"_s, u"null"_s);
    addGrievance(6, u"'B'"_s, u"null"_s);
    killInNextUpdateOf(u"masuser"_s);

    Assignment step(u"U1"_s, u"B"_s);
    AssignResult result;
    int runs = 0;
    HandlerOptions options;
    EXPECT_TRUE(runHandled(options, [&](int) {
        ++runs;
        result = step.run();
    }));
    EXPECT_EQ(runs, 2);
    EXPECT_TRUE(ui.messages.isEmpty());
    ASSERT_EQ(result.outcome, AssignOutcome::Picked);
    EXPECT_EQ(result.grievance.tktid, u"5"_s);
    EXPECT_EQ(heldBy(u"U1"_s), u"5"_s);
    EXPECT_EQ(lockFlag(), QString());
}

TEST_F(Queue, quotesInNamesAndHeldValuesReachTheServerAsData)
{
    addUser(u"O'Brien"_s, u"B"_s);
    addUser(u"U2"_s, u"B"_s, u"7') or ('1'='1"_s);
    addGrievance(5, u"'B'"_s, u"null"_s);
    const AssignResult r = assignNext(u"O'Brien"_s, u"B"_s);
    ASSERT_EQ(r.outcome, AssignOutcome::Picked);
    EXPECT_EQ(heldBy(u"O'Brien"_s), u"5"_s);
    EXPECT_TRUE(holdsGrievance(u"O'Brien"_s, u"5"_s));
    EXPECT_FALSE(holdsGrievance(u"O'Brien"_s, u"6"_s));
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
