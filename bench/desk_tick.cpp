// One desk tick (poll, assignment step, the Refresh that gives the grievance
// back, status summary) timed on a small and on a large grievance table.
// Replaces every row of corvane3_tkt.tkthead: run it through scripts/bench,
// which gives it a private server.

#include "bench.h"
#include "core/desk/overdue.h"
#include "core/desk/queue.h"
#include "core/desk/status.h"
#include "core/services/database.h"

#include "oracles/desk.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

const QString kUser = QStringLiteral("BENCH");
const QString kLevel = QStringLiteral("B");

constexpr int kOpen = 1000;

void fill(int rows)
{
    Conn::execute(QStringLiteral("delete from tkthead"));
    // The open queue is the same size in both tables (kOpen rows spread over
    // the three levels and five universities); the rest is closed history,
    // one reply a minute going back from now, so a day holds the same number
    // of replies whatever the table's size.
    const int step = rows / kOpen;
    Conn::execute(
            QStringLiteral(
                    "insert into tkthead(ftktid, ftktdate, fregno, ftktfrom, ftktemail, ftktsub, ftktmsg, "
                    "ftktuser, "
                    "ftktmobile, funivcode, ftktstatus, ftktgroup, ffinaluser, ffinaldate) "
                    "select seq, now() - interval (%1 - seq) minute, concat('R', seq), 'Sender', "
                    "'s@mail.example', "
                    "'Subject', 'Message text', if(seq % 4 = 0, 'College X', 'Student'), '9840000000', "
                    "elt(seq % 5 + 1, '041', '042', '023', '031', '055'), "
                    "if(seq % %2 = 7, if(seq % 2 = 0, 'A', null), 'C'), elt(seq % 3 + 1, 'A', 'B', 'C'), "
                    "if(seq % %2 = 7, null, elt(seq % 8 + 1, 'BENCH', 'U1', 'U2', 'U3', 'U4', 'U5', 'U6', "
                    "'U7')), "
                    "if(seq % %2 = 7, null, now() - interval (%1 - seq) minute) from seq_1_to_%1")
                    .arg(rows)
                    .arg(step));
    // A trail as the desk meets it: a forward for each open grievance (the
    // summary reads it for the wait at the level), a reply for some closed.
    Conn::execute(QStringLiteral("delete from tktdetl"));
    Conn::execute(
            QStringLiteral("insert into tktdetl(ftktid, ftkttrandate, ffromuser, ftkttrangroup, ftkttranmsg) "
                           "select seq, now() - interval (%1 - seq) minute, 'U1', "
                           "if(seq % %2 = 7, 'B', 'XX'), 'Remarks' from seq_1_to_%1 "
                           "where seq % %2 = 7 or seq % 10 = 3")
                    .arg(rows)
                    .arg(step));
    Conn::query(QStringLiteral("analyze table tkthead, tktdetl"));
    bench::settle(); // the purge of the rows deleted above runs before, not under, the ticks
    // Read every index once, as a server that has run for a while has them in
    // memory; otherwise the first minutes measure the merging of the freshly
    // inserted index entries rather than the desk.
    for (const char *index : {"ix_tkthead_queue", "ix_tkthead_univ", "ix_tkthead_reply"})
        Conn::query(QStringLiteral("select count(*) as n from tkthead force index (%1)")
                            .arg(QLatin1String(index)));
    const Rows shape = Conn::query(QStringLiteral("select sum(ifnull(ftktstatus,'') <> 'C') as open, "
                                                  "sum(ffinaldate >= curdate() and ffinaluser = 'BENCH' "
                                                  "and ftktgroup = 'B') as today from tkthead"));
    std::printf("tkthead %d rows: %s open, %s replied today by the bench user at its level\n", rows,
                qPrintable(shape.value(QStringLiteral("open"))),
                qPrintable(shape.value(QStringLiteral("today"))));
}

void setup()
{
    Conn::execute(QStringLiteral("delete from masuser"));
    Conn::execute(QStringLiteral("delete from masuniv"));
    Conn::execute(QStringLiteral("delete from control"));
    Conn::execute(QStringLiteral(
            "insert into control(FUnivCode, ftktversion, fstarted) values('041', '103', null)"));
    Conn::execute(QStringLiteral(
            "insert into masuniv(funivcode, funivname, fdbname, funivshort) values('041', 'Alpha', "
            "'corvane3_tsc', "
            "'ALU'), ('042', 'Beta', 'corvane3_mar', 'BTU'), ('023', 'Gamma', 'corvane3_023', 'GMU'), "
            "('031', 'Delta', 'corvane3_tnu', 'DLU'), ('055', 'Epsilon', 'corvane3_cor', 'EPU')"));
    QStringList users{QStringLiteral("('BENCH', 'X', 'B', null)")};
    for (int i = 1; i <= 7; ++i)
        users << QStringLiteral("('U%1', 'X', '%2', '%3')")
                         .arg(i)
                         .arg(QLatin1Char("ABC"[i % 3]))
                         .arg(i * 100 + 7);
    Conn::execute(QStringLiteral("insert into masuser(fusername, fpasswd, fgroup, ftktid) values ") +
                  users.join(QLatin1Char(',')));
}

// The parts of the last run's ticks: the pick (with the lock's test and the
// give-back) and the summary.
std::vector<double> pickParts, summaryParts;

double tickMs()
{
    QElapsedTimer t;
    t.start();
    if (desk::lockFree()) {
        const desk::AssignResult r = desk::assignNext(kUser, kLevel);
        if (r.outcome != desk::AssignOutcome::Picked)
            std::fprintf(stderr, "bench: no pick\n");
        desk::releaseHeld(kUser);
        pickParts.push_back(bench::msSince(t));
        desk::statusSummary(kLevel, kUser); // the overdue columns are read apart, once a minute
        summaryParts.push_back(bench::msSince(t) - pickParts.back());
    }
    return double(t.nsecsElapsed()) / 1e6;
}

std::vector<double> run(int ticks)
{
    for (int i = 0; i < 20; ++i)
        tickMs(); // warm the caches
    pickParts.clear();
    summaryParts.clear();
    std::vector<double> times;
    times.reserve(size_t(ticks));
    for (int i = 0; i < ticks; ++i)
        times.push_back(tickMs());
    return times;
}

double onceMs(const QString &sqlText)
{
    QElapsedTimer t;
    t.start();
    Conn::query(sqlText);
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (!bench::open("desk_tick"))
        return 1;
    try {
        const int ticks = argc > 1 ? std::max(50, atoi(argv[1])) : 500;
        setup();

        fill(10000);
        const double small = bench::median(run(ticks));
        std::printf("tkthead 10000 rows: median tick %.3f ms (pick %.3f, summary %.3f)\n", small,
                    bench::median(pickParts), bench::median(summaryParts));

        fill(1000000);
        const std::vector<double> largeTimes = run(ticks);
        const double large = bench::median(largeTimes);
        double total = 0;
        for (double t : largeTimes)
            total += t;
        std::printf("tkthead 1000000 rows: median tick %.3f ms (pick %.3f, summary %.3f)\n", large,
                    bench::median(pickParts), bench::median(summaryParts));
        std::printf("ticks per second at 1000000 rows: %.0f (median), %.0f (mean)\n", 1000.0 / large,
                    1000.0 * double(largeTimes.size()) / total);
        std::printf("for comparison at 1000000 rows, once each: plain summary %.1f ms, plain pick %.1f ms\n",
                    onceMs(oracles::deskStatus(kLevel, kUser)), onceMs(oracles::deskPick(kLevel, QString())));
        std::vector<double> overdue;
        for (int i = 0; i < 21; ++i) {
            QElapsedTimer t;
            t.start();
            desk::overdueByLine(kLevel, desk::kDefaultOverdueHours);
            overdue.push_back(bench::msSince(t));
        }
        std::printf("overdue columns at 1000000 rows (read when the counts change or once a minute): median "
                    "%.3f ms\n",
                    bench::median(overdue));
        std::printf("ratio=%.3f\n", large / small);
    } catch (const AppError &e) {
        std::fprintf(stderr, "bench: %s %lld\n", qPrintable(e.description()),
                     static_cast<long long>(e.number()));
        return 1;
    }
    return 0;
}
