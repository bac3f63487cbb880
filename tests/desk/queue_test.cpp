#include "deskfixture.h"

#include "core/desk/queue.h"
#include "core/services/database.h"

#include <QElapsedTimer>

using namespace Qt::StringLiterals;
using namespace desk;

namespace {

using Queue = DeskTest;

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
        EXPECT_LT(clock.elapsed(), (kLockWaitSeconds + 2) * 1000);
        EXPECT_EQ(heldBy(u"U1"_s) + lockFlag(), u"T"_s);
        admin(QStringList{u"update corvane3_tkt.control set fstarted = null"_s, u"commit"_s});
    }
    EXPECT_EQ(assignNext(u"U1"_s, u"B"_s).grievance.tktid, u"5"_s);
    EXPECT_EQ(Conn::query(u"select @@innodb_lock_wait_timeout = @@global.innodb_lock_wait_timeout as same"_s)
                      .value(u"same"_s),
              u"1"_s);
}

} // namespace
