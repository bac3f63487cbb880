// The desk's pick at 1M grievances with and without what is read beside it
// once a grievance is picked (its wait and the sender's other grievances);
// both read the trail, as the desk always did. Replaces every row of
// corvane3_tkt.tkthead and tktdetl: run it through scripts/bench.

#include "bench.h"
#include "core/desk/history.h"
#include "core/desk/queue.h"
#include "core/desk/trail.h"
#include "core/services/database.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <vector>

namespace {

const QString kUser = QStringLiteral("BENCH");
const QString kLevel = QStringLiteral("B");

void fill(int rows)
{
    Conn::execute(QStringLiteral("delete from tkthead"));
    Conn::execute(QStringLiteral("delete from tktdetl"));
    Conn::execute(QStringLiteral("delete from masuser"));
    Conn::execute(QStringLiteral("delete from control"));
    Conn::execute(QStringLiteral("insert into control(FUnivCode, ftktversion) values('041', '103')"));
    Conn::execute(
            QStringLiteral("insert into masuser(fusername, fpasswd, fgroup) values('BENCH', 'X', 'B')"));
    // Senders write again: a mobile serves five grievances, an address three
    // or four, and the second address of one is the first of another. One
    // grievance in a thousand is open; a college address serves thousands.
    Conn::execute(
            QStringLiteral(
                    "insert into tkthead(ftktid, ftktdate, ftktfrom, ftktemail, fstudemail, ftktsub, "
                    "ftktmsg, ftktuser, "
                    "ftktmobile, funivcode, ftktstatus, ftktgroup, ffinaluser, ffinaldate) "
                    "select seq, now() - interval (%1 - seq) minute, 'Sender', "
                    "if(seq % 50 = 0, 'c101@colleges.example', concat('s', seq % 300000, '@mail.example')), "
                    "concat('s', (seq + 7) % 300000, '@mail.example'), 'Subject', 'Message text', 'Student', "
                    "concat('98', lpad(seq % 200000, 8, '0')), '041', if(seq % 1000 = 7, null, 'C'), "
                    "elt(seq % 3 + 1, 'A', 'B', 'C'), if(seq % 1000 = 7, null, 'U1'), "
                    "if(seq % 1000 = 7, null, now() - interval (%1 - seq) minute) from seq_1_to_%1")
                    .arg(rows));
    Conn::execute(
            QStringLiteral("insert into tktdetl(ftktid, ftkttrandate, ffromuser, ftkttrangroup, ftkttranmsg) "
                           "select seq, now() - interval (%1 - seq) minute, 'U2', if(seq % 1000 = 7, 'B', "
                           "'XX'), 'Remarks' "
                           "from seq_1_to_%1 where seq % 10 = 7")
                    .arg(rows));
    Conn::query(QStringLiteral("analyze table tkthead, tktdetl"));
    for (const char *index :
         {"ix_tkthead_queue", "ix_tkthead_mobile", "ix_tkthead_email", "ix_tkthead_studemail"})
        Conn::query(QStringLiteral("select count(*) as n from tkthead force index (%1)")
                            .arg(QLatin1String(index)));
    Conn::query(QStringLiteral("select count(*) as n from tktdetl force index (ix_tktdetl_tktid)"));
}

// One pick, as the desk makes it; the grievance is given back at once, so
// every pick takes the same one.
double pickMs(bool withHistory, int *found)
{
    QElapsedTimer t;
    t.start();
    const desk::AssignResult r = desk::assignNext(kUser, kLevel);
    if (r.outcome != desk::AssignOutcome::Picked)
        std::fprintf(stderr, "bench: no pick\n");
    desk::trailOf(r.grievance.tktid);
    if (withHistory) {
        desk::ageOf(r.grievance.tktid);
        *found = int(desk::senderHistory(r.grievance).rows.size());
    }
    const double ms = bench::msSince(t);
    desk::releaseHeld(kUser);
    return ms;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (!bench::open("desk_pick"))
        return 1;
    try {
        const int picks = argc > 1 ? std::max(50, atoi(argv[1])) : 500;
        fill(1000000);
        int found = 0;
        for (int i = 0; i < 20; ++i)
            pickMs(i % 2 == 1, &found); // warm the caches
        std::vector<double> without, with;
        for (int i = 0; i < picks; ++i) { // alternated, so both meet the same load
            without.push_back(pickMs(false, &found));
            with.push_back(pickMs(true, &found));
        }
        desk::Grievance college;
        college.tktid = QStringLiteral("1");
        college.email = QStringLiteral("c101@colleges.example");
        QElapsedTimer t;
        t.start();
        const desk::SenderHistory many = desk::senderHistory(college);
        const double collegeMs = bench::msSince(t);
        const double a = bench::median(without), b = bench::median(with);
        std::printf("tkthead 1000000 rows: median pick without the history %.3f ms, with it %.3f ms "
                    "(%d other grievances listed)\n",
                    a, b, found);
        std::printf("a sender with 20000 grievances: %d listed%s in %.3f ms\n", int(many.rows.size()),
                    many.cut ? " (cut)" : "", collegeMs);
        std::printf("added=%.3f ms\n", b - a);
        std::printf("ratio=%.3f\n", b / a);
    } catch (const AppError &e) {
        std::fprintf(stderr, "bench: %s %lld\n", qPrintable(e.description()),
                     static_cast<long long>(e.number()));
        return 1;
    }
    return 0;
}
