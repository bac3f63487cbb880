#include "core/students/degreechange.h"
#include "support/testdb.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

using namespace Qt::StringLiterals;
using namespace students;

// Runs against a Galera cluster only: scripts/test starts one and names its
// nodes' ports in GMS_CLUSTER_PORTS. Named locks are local to a node, so
// only the claim row keeps two nodes from giving one serial twice.

namespace {

// Moves `mobile` into C102/BA, holding the transaction open after the serial
// was read, so that the other node's change overlaps it.
bool moveIntoC102(const QString &mobile, const QString &user)
{
    const ChangeRequest r{u"corvane3_tsc"_s, mobile, u"C101"_s, u"C102"_s, u"BA"_s, u"BA"_s, user};
    ChangePlan plan;
    return !prepareChange(r, plan).refused() && !applyChange(r, plan, [](const QString &step) {
                                                     if (step == u"log"_s)
                                                         QThread::msleep(1500);
                                                 }).refused();
}

class ClusterSerial : public DbTest
{};

TEST_F(ClusterSerial, twoNodesNeverGiveOneSerialTwice)
{
    const QStringList ports = qEnvironmentVariable("GMS_CLUSTER_PORTS").split(u',', Qt::SkipEmptyParts);
    if (ports.size() < 2 || qEnvironmentVariableIsSet("GMS_SERIAL_NODE"))
        GTEST_SKIP() << "needs a cluster: GMS_CLUSTER_PORTS (scripts/test starts one)";
    admin(QStringList{
            u"delete from corvane3_tsc.collstud"_s, u"delete from corvane3_tsc.studadm"_s,
            u"delete from corvane3_tsc.college"_s, u"delete from corvane3_tsc.degree"_s,
            u"insert into corvane3_tsc.college(fcollcode, fcollname, ftown) values('C101', 'Hillview', "
            "'Tessaly'), ('C102', 'St. Ann', 'Marwick')"_s,
            u"insert into corvane3_tsc.degree(fdegree, fdescpn) values('BA', 'Bachelor of Arts')"_s,
            u"insert into corvane3_tsc.collstud(fcollcode, fdegree, fmobileno, fname) values('C101', 'BA', "
            "'9100000001', 'Anu'), ('C101', 'BA', '9100000002', 'Bala')"_s,
            u"insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, fappno) values"
            "('0001', 'C101', 'BA', '9100000001', '5231'), ('0002', 'C101', 'BA', '9100000002', '5232'), "
            "('0001', 'C102', 'BA', '9199999999', '5299')"_s});

    QProcess other; // the second client, on the second node
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"GMS_DB_PORT"_s, ports.at(1));
    env.insert(u"GMS_SERIAL_NODE"_s, u"2"_s);
    other.setProcessEnvironment(env);
    other.start(QCoreApplication::applicationFilePath(), {u"--gtest_filter=ClusterSerial.otherNode"_s});
    ASSERT_TRUE(other.waitForStarted());
    QByteArray out;
    while (!out.contains("ready") && other.waitForReadyRead(30000))
        out += other.readAllStandardOutput();
    ASSERT_TRUE(out.contains("ready")) << out.toStdString();

    EXPECT_TRUE(moveIntoC102(u"9100000001"_s, u"NODE1"_s));
    ASSERT_TRUE(other.waitForFinished(60000));
    out += other.readAllStandardOutput();
    EXPECT_EQ(other.exitCode(), 0) << out.toStdString();
    EXPECT_EQ(adminValue(u"select group_concat(fslno order by fslno) from corvane3_tsc.studadm where "
                         "fcollcode = 'C102' and fdegree = 'BA'"_s)
                      .toStdString(),
              "0001,0002,0003");
}

// The second node's client of the race above.
TEST_F(ClusterSerial, otherNode)
{
    if (!qEnvironmentVariableIsSet("GMS_SERIAL_NODE"))
        GTEST_SKIP() << "started by twoNodesNeverGiveOneSerialTwice";
    printf("ready\n");
    fflush(stdout);
    EXPECT_TRUE(moveIntoC102(u"9100000002"_s, u"NODE2"_s));
}

} // namespace
