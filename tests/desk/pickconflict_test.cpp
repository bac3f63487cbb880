#include "deskfixture.h"

#include "gui/desk/frmrectkt.h"
#include "gui/shell/frmwait.h"

#include <QLineEdit>
#include <QPointer>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace {

class PickConflict : public DeskTest
{};

// Another client holds the desk user's row, then asks for the assignment lock
// the pick has taken. The server ends the pick, the smaller transaction, as
// the deadlock's victim, as a cluster ends a pick that lost certification. A
// lost pick is a lock not taken this tick: no message, nothing held, no flag
// left, and the next tick picks (a replay at once would pick on this tick).
TEST_F(PickConflict, aDeadlockedPickWaitsForTheNextTick)
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
    other.start(u"mariadb"_s,
                {u"--protocol=tcp"_s, u"-h127.0.0.1"_s, u"-P"_s + qEnvironmentVariable("GMS_DB_PORT"),
                 u"-uroot"_s, u"-Dcorvane3_tkt"_s, u"-N"_s, u"--unbuffered"_s, u"-e"_s,
                 u"start transaction; insert into tktdetl(ftktid) select seq from seq_1_to_500; "
                 "update masuser set fsection = 'other' where fusername = 'D1'; select 'locked'; "
                 "do sleep(2); update control set fstarted = fstarted; rollback;"_s});
    QByteArray out;
    while (!out.contains("locked") && other.waitForReadyRead(20000))
        out += other.readAllStandardOutput();
    ASSERT_TRUE(out.contains("locked")) << out.toStdString() << other.readAllStandardError().toStdString();

    QPointer<frmrectkt> form = new frmrectkt;
    form->show();
    const auto shown = [&form] { return form->findChild<QLineEdit *>(u"text(0)"_s)->text(); };
    form->Timer1_Timer();
    EXPECT_EQ(shown(), QString());
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
    ASSERT_TRUE(other.waitForFinished(30000));
    EXPECT_EQ(other.exitCode(), 0) << other.readAllStandardError().toStdString();
    EXPECT_EQ(deadlocks(), before + 1) << "no deadlock: the test proves nothing";
    EXPECT_EQ(heldBy(u"D1"_s), QString());
    EXPECT_EQ(lockFlag(), QString());

    form->Timer1_Timer();
    EXPECT_EQ(shown(), u"5"_s);
    EXPECT_EQ(heldBy(u"D1"_s), u"5"_s);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
    delete form.data();
    frmwait::closeIfOpen();
}

} // namespace
