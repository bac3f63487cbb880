#include "deskfixture.h"

#include "core/desk/queue.h"
#include "core/services/database.h"
#include "core/services/handler.h"

using namespace desk;

namespace {

class Queue : public DeskTest
{};

TEST_F(Queue, lowestNumberFirstAndTheSameAgainAfterRefresh)
{
    addUser(QStringLiteral("U1"), QStringLiteral("B"));
    addGrievance(7, QStringLiteral("'B'"), QStringLiteral("null"));
    addGrievance(5, QStringLiteral("'B'"), QStringLiteral("null"));

    AssignResult first = assignNext(QStringLiteral("U1"), QStringLiteral("B"));
    ASSERT_EQ(first.outcome, AssignOutcome::Picked);
    EXPECT_EQ(first.grievance.tktid, QStringLiteral("5"));
    EXPECT_EQ(heldBy(QStringLiteral("U1")), QStringLiteral("5"));
    EXPECT_EQ(lockFlag(), QString()); // released after the pick

    releaseHeld(QStringLiteral("U1"));
    AssignResult again = assignNext(QStringLiteral("U1"), QStringLiteral("B"));
    ASSERT_EQ(again.outcome, AssignOutcome::Picked);
    EXPECT_EQ(again.grievance.tktid, QStringLiteral("5"));
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
    addUser(QStringLiteral("U1"), QStringLiteral("B"));
    for (const StatusCase &c : cases) {
        admin(QStringLiteral("delete from corvane3_tkt.tkthead"));
        admin(QStringLiteral("update corvane3_tkt.masuser set ftktid = null"));
        addGrievance(3, QStringLiteral("'B'"), QString::fromLatin1(c.literal));
        const AssignResult r = assignNext(QStringLiteral("U1"), QStringLiteral("B"));
        EXPECT_EQ(r.outcome, c.offered ? AssignOutcome::Picked : AssignOutcome::NoneWaiting) << c.literal;
        EXPECT_EQ(lockFlag(), QString()) << "lock must be released found or not: " << c.literal;
    }
}

TEST_F(Queue, heldByOthersAreSkippedAndNoExclusionWhenNoneIsHeld)
{
    addUser(QStringLiteral("U1"), QStringLiteral("B"));
    addUser(QStringLiteral("U2"), QStringLiteral("B"));
    addGrievance(5, QStringLiteral("'B'"), QStringLiteral("null"));
    addGrievance(6, QStringLiteral("'B'"), QStringLiteral("'A'"));

    Assignment alone(QStringLiteral("U1"), QStringLiteral("B"));
    EXPECT_EQ(alone.run().grievance.tktid, QStringLiteral("5"));
    EXPECT_FALSE(alone.lastPickSql().contains(QLatin1String("not in")));
    EXPECT_TRUE(alone.lastPickSql().contains(QLatin1String("  order by g.ftktid limit 1")));

    Assignment second(QStringLiteral("U2"), QStringLiteral("B"));
    const AssignResult r = second.run();
    ASSERT_EQ(r.outcome, AssignOutcome::Picked);
    EXPECT_EQ(r.grievance.tktid, QStringLiteral("6"));
    EXPECT_TRUE(second.lastPickSql().contains(QLatin1String(" and g.ftktid not in('5') order by")));
}

TEST_F(Queue, aUserWhoHoldsOneGetsNothingAndTheLockIsNotTouched)
{
    addUser(QStringLiteral("U1"), QStringLiteral("B"), QStringLiteral("9"));
    addGrievance(5, QStringLiteral("'B'"), QStringLiteral("null"));
    // Another desk holds the lock: a desk that took or released it would change the flag.
    admin(QStringLiteral("update corvane3_tkt.control set fstarted = 'T'"));
    EXPECT_EQ(assignNext(QStringLiteral("U1"), QStringLiteral("B")).outcome, AssignOutcome::AlreadyHolding);
    EXPECT_EQ(lockFlag(), QStringLiteral("T"));
    EXPECT_EQ(heldBy(QStringLiteral("U1")), QStringLiteral("9"));
}

TEST_F(Queue, senderKindFollowsTheStoredValueWithNullAsStudent)
{
    addUser(QStringLiteral("U1"), QStringLiteral("B"));
    const std::pair<const char *, const char *> cases[] = {{"null", "Student"},
                                                           {"'Student'", "Student"},
                                                           {"'GOVT ARTS COLLEGE'", "College"},
                                                           {"''", "College"}};
    for (const auto &c : cases) {
        admin(QStringLiteral("delete from corvane3_tkt.tkthead"));
        releaseHeld(QStringLiteral("U1"));
        addGrievance(3, QStringLiteral("'B'"), QStringLiteral("null"), QStringLiteral("041"),
                     QString::fromLatin1(c.first));
        EXPECT_EQ(assignNext(QStringLiteral("U1"), QStringLiteral("B")).grievance.kind,
                  QString::fromLatin1(c.second))
                << c.first;
    }
}

// The connection counts found rows, so an update that finds its row but
// changes nothing still reports one row; only the where clause of the take
// makes a second taker see zero.
TEST_F(Queue, lockTakeIsOneStatementThatASecondTakerLoses)
{
    EXPECT_EQ(Conn::execute(QStringLiteral("update control set fstarted = null")), 1); // found, unchanged
    EXPECT_TRUE(takeLock());
    EXPECT_EQ(lockFlag(), QStringLiteral("T"));
    EXPECT_EQ(Conn::execute(QStringLiteral("update control set fstarted = 'T'")), 1); // would pass for a take
    EXPECT_FALSE(takeLock());
    EXPECT_FALSE(lockFree());
    releaseLock();
    EXPECT_TRUE(lockFree());
}

TEST_F(Queue, lockTakenByAnotherDeskBetweenPollAndTakeMeansNoPick)
{
    addUser(QStringLiteral("U1"), QStringLiteral("B"));
    addGrievance(5, QStringLiteral("'B'"), QStringLiteral("null"));
    EXPECT_TRUE(lockFree());
    admin(QStringLiteral("update corvane3_tkt.control set fstarted = 'T'")); // the other desk wins the race
    EXPECT_EQ(assignNext(QStringLiteral("U1"), QStringLiteral("B")).outcome, AssignOutcome::LockBusy);
    EXPECT_EQ(heldBy(QStringLiteral("U1")), QString());
    EXPECT_EQ(lockFlag(), QStringLiteral("T")); // still the other desk's
}

TEST_F(Queue, aFailureAfterTheLockWasTakenReleasesIt)
{
    addUser(QStringLiteral("U1"), QStringLiteral("B"));
    admin(QStringLiteral("rename table corvane3_tkt.tkthead to corvane3_tkt.tkthead_away"));
    EXPECT_THROW(assignNext(QStringLiteral("U1"), QStringLiteral("B")), AppError);
    admin(QStringLiteral("rename table corvane3_tkt.tkthead_away to corvane3_tkt.tkthead"));
    EXPECT_EQ(lockFlag(), QString());
}

TEST_F(Queue, killedWhileWritingTheHoldResumesUnderTheLockAndReleasesIt)
{
    addUser(QStringLiteral("U1"), QStringLiteral("B"));
    addGrievance(5, QStringLiteral("'B'"), QStringLiteral("null"));
    addGrievance(6, QStringLiteral("'B'"), QStringLiteral("null"));
    killInNextUpdateOf(QStringLiteral("masuser"));

    Assignment step(QStringLiteral("U1"), QStringLiteral("B"));
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
    EXPECT_EQ(result.grievance.tktid, QStringLiteral("5"));
    EXPECT_EQ(heldBy(QStringLiteral("U1")), QStringLiteral("5"));
    EXPECT_EQ(lockFlag(), QString());
}

TEST_F(Queue, releasingOneWhoHoldsNothingSucceeds)
{
    addUser(QStringLiteral("U1"), QStringLiteral("B"));
    EXPECT_NO_THROW(releaseHeld(QStringLiteral("U1")));
    EXPECT_FALSE(userHoldsAny(QStringLiteral("U1")));
}

TEST_F(Queue, quotesInNamesAndHeldValuesReachTheServerAsData)
{
    addUser(QStringLiteral("O'Brien"), QStringLiteral("B"));
    addUser(QStringLiteral("U2"), QStringLiteral("B"), QStringLiteral("7') or ('1'='1"));
    addGrievance(5, QStringLiteral("'B'"), QStringLiteral("null"));
    const AssignResult r = assignNext(QStringLiteral("O'Brien"), QStringLiteral("B"));
    ASSERT_EQ(r.outcome, AssignOutcome::Picked);
    EXPECT_EQ(heldBy(QStringLiteral("O'Brien")), QStringLiteral("5"));
    EXPECT_TRUE(holdsGrievance(QStringLiteral("O'Brien"), QStringLiteral("5")));
    EXPECT_FALSE(holdsGrievance(QStringLiteral("O'Brien"), QStringLiteral("6")));
}

// Well over the server's 1024-byte group_concat() limit of held numbers.
TEST_F(Queue, manyHeldGrievancesAreAllExcluded)
{
    QStringList users;
    for (int i = 0; i < 300; ++i)
        users << QStringLiteral("('H%1', 'X', 'B', '%2')").arg(i).arg(100000 + i);
    admin(QStringLiteral("insert into corvane3_tkt.masuser(fusername, fpasswd, fgroup, ftktid) values ") +
          users.join(QLatin1Char(',')));
    admin(QStringLiteral(
            "insert into corvane3_tkt.tkthead(ftktid, ftktgroup, funivcode) select seq, 'B', '041' "
            "from seq_100000_to_100300"));
    addUser(QStringLiteral("U1"), QStringLiteral("B"));
    const AssignResult r = assignNext(QStringLiteral("U1"), QStringLiteral("B"));
    ASSERT_EQ(r.outcome, AssignOutcome::Picked);
    EXPECT_EQ(r.grievance.tktid, QStringLiteral("100300"));
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
