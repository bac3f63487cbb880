// The supervisor's view on a small (10,000) and a large (1,000,000) history
// of grievances with their trail rows. Both end in the same 30 days of
// recent traffic (200 grievances a day, forwarded and replied as the desks
// do, the newest still open), so a 30-day period gives answers of the same
// size; the older history is all closed. The two histories take turns.
// Prints each figure's median time at both sizes for the last 30 days, the
// same for a year at 1M, what each index of the view saves at 1M (timed
// with it dropped), what those indexes cost a portal insert and a desk's
// trail insert, the load average, and ratio= (the whole screen at 1M over
// 10k, 30 days).
//
// Replaces corvane3_tkt.tkthead and tktdetl: run it through scripts/bench,
// which gives it a private server. Argument: rounds (default 7).

#include "bench.h"
#include "core/reports/supervisor.h"
#include "core/services/database.h"
#include "core/services/sqltext.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <functional>
#include <random>
#include <vector>

namespace {

constexpr int kRecentDays = 30;
constexpr int kRecentPerDay = 200;
const char *const kUnivs[] = {"041", "041", "042", "003", "023", "999"};
const char *const kFront[] = {"DESK31", "DESK32", "DESK33", "DESK34"};
const char *const kSecond[] = {"DESK21", "DESK22"};
const char *const kTop[] = {"DESK11", "ADMIN"};

QString stamp(const QDateTime &t)
{
    return t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

struct Files
{
    QByteArray head, detl;
};

// One grievance raised at `raised`, acted on by the levels in turn; actions
// after `now` are not taken yet, so the grievance stays open.
void grievance(Files &out, int id, const QDateTime &raised, const QDateTime &now, std::mt19937 &rng)
{
    const unsigned fate = rng() % 100; // 0-59 replied at 3, 60-84 via 2, 85-99 via 2 and 1
    const int steps = fate < 60 ? 0 : fate < 85 ? 1 : 2;
    QDateTime at = raised;
    QString level = QStringLiteral("3");
    QString user;
    for (int s = 0; s <= steps; ++s) {
        at = at.addSecs(600 + qint64(rng() % (s == 0 ? 86400u : 172800u)));
        if (at > now)
            break;
        user = QString::fromLatin1(s == 0   ? kFront[rng() % std::size(kFront)]
                                   : s == 1 ? kSecond[rng() % std::size(kSecond)]
                                            : kTop[rng() % std::size(kTop)]);
        const bool reply = s == steps;
        const QString to = reply ? QStringLiteral("XX") : QString::number(2 - s);
        out.detl +=
                QStringLiteral("%1\t%2\t%3\t%4\t%5\n")
                        .arg(id)
                        .arg(stamp(at), user, to,
                             reply ? QStringLiteral("Dear Student,<br><br>Your grievance has been attended "
                                                    "to; the corrected record is on the portal now.")
                                   : QStringLiteral("For the next level."))
                        .toUtf8();
        if (reply) {
            out.head += QStringLiteral("%1\t%2\t%3\tC\t%4\t%5\t%6\n")
                                .arg(id)
                                .arg(stamp(raised), QString::fromLatin1(kUnivs[id % std::size(kUnivs)]),
                                     level, user, stamp(at))
                                .toUtf8();
            return;
        }
        level = to;
    }
    out.head += QStringLiteral("%1\t%2\t%3\t\\N\t%4\t\\N\t\\N\n")
                        .arg(id)
                        .arg(stamp(raised), QString::fromLatin1(kUnivs[id % std::size(kUnivs)]), level)
                        .toUtf8();
}

void flush(QFile &file, QByteArray &bytes, bool force)
{
    if (force || bytes.size() > (1 << 22)) {
        file.write(bytes);
        bytes.clear();
    }
}

// Fills tkthead and tktdetl with `rows` grievances ending now: the older
// ones spread over the time before the last 30 days (one every three
// minutes), then the same recent 30 days for every size.
void fill(int rows, const QDateTime &now)
{
    QTemporaryDir dir;
    QFile head(dir.filePath(QStringLiteral("head.tsv"))), detl(dir.filePath(QStringLiteral("detl.tsv")));
    if (!head.open(QIODevice::WriteOnly) || !detl.open(QIODevice::WriteOnly))
        throw AppError(ErrNo::FileAccess, QStringLiteral("cannot write the bench's files"));
    QElapsedTimer t;
    t.start();
    const int recent = kRecentDays * kRecentPerDay;
    const int older = rows - recent;
    const QDateTime recentStart = now.addDays(-kRecentDays);
    std::mt19937 olderRng(7u + unsigned(rows)), recentRng(20260315u);
    Files out;
    for (int i = 0; i < rows; ++i) {
        const bool isRecent = i >= older;
        const QDateTime raised = isRecent ? recentStart.addSecs(qint64(i - older) * 86400 / kRecentPerDay)
                                          : recentStart.addSecs(-qint64(older - i) * 180);
        grievance(out, i + 1, raised, now, isRecent ? recentRng : olderRng);
        flush(head, out.head, false);
        flush(detl, out.detl, false);
    }
    flush(head, out.head, true);
    flush(detl, out.detl, true);
    head.close();
    detl.close();
    Conn::execute(QStringLiteral("truncate table tkthead"));
    Conn::execute(QStringLiteral("truncate table tktdetl"));
    Conn::execute(
            QStringLiteral("LOAD DATA local INFILE %1 INTO TABLE tkthead CHARACTER SET utf8mb4 FIELDS "
                           "TERMINATED BY '\\t' (ftktid, ftktdate, funivcode, ftktstatus, ftktgroup, "
                           "ffinaluser, ffinaldate) set ftktfrom = concat('Student ', ftktid), ftktuser = "
                           "'Student', ftktmode = 'W', ftktsub = 'Result withheld', ftktmsg = 'My result "
                           "for the last semester shows as withheld although I have cleared all dues. "
                           "Kindly release it.', ftktemail = concat('s', ftktid, '@mail.example.com')")
                    .arg(sql::quote(head.fileName())));
    Conn::execute(QStringLiteral("LOAD DATA local INFILE %1 INTO TABLE tktdetl CHARACTER SET utf8mb4 FIELDS "
                                 "TERMINATED BY '\\t' (ftktid, ftkttrandate, ffromuser, ftkttrangroup, "
                                 "ftkttranmsg)")
                          .arg(sql::quote(detl.fileName())));
    Conn::query(QStringLiteral("analyze table tkthead, tktdetl"));
    const Rows n = Conn::query(QStringLiteral("select count(*) as n from tktdetl"));
    std::printf("%7d grievances, %s trail rows: written and loaded in %.1f s\n", rows,
                qPrintable(n.value(QStringLiteral("n"))), bench::secondsSince(t));
    // Read the tables and their indexes once, as on a server that has run a while.
    for (const char *q :
         {"select count(*) from tkthead force index (ix_tkthead_date)",
          "select count(*) from tkthead force index (ix_tkthead_closed)",
          "select count(*) from tkthead force index (ix_tkthead_queue)", "select count(*) from tkthead",
          "select count(*) from tktdetl", "select count(*) from tktdetl force index (ix_tktdetl_tktid)",
          "select count(*) from tktdetl force index (ix_tktdetl_date)"})
        Conn::query(QString::fromLatin1(q));
    bench::settle();
}

struct Figure
{
    const char *label;
    std::function<void(const supervisor::Period &, const QDateTime &)> run;
};

const Figure kFigures[] = {
        {"pending now",
         [](const supervisor::Period &p, const QDateTime &now) { supervisor::pendingNow(p.univCode, now); }},
        {"received/closed per day",
         [](const supervisor::Period &p, const QDateTime &) { supervisor::receivedAndClosed(p); }},
        {"median times",
         [](const supervisor::Period &p, const QDateTime &) {
             QVector<supervisor::TimeLine> a, b;
             supervisor::answerTimes(p, &a, &b);
         }},
        {"staff", [](const supervisor::Period &p, const QDateTime &) { supervisor::staffWork(p); }},
        {"whole screen",
         [](const supervisor::Period &p, const QDateTime &now) { supervisor::figures(p, now); }}};
constexpr int kFigureCount = int(std::size(kFigures));

struct History
{
    int rows = 0;
    QString suffix; // the tables' names while parked
    std::vector<double> month[kFigureCount], year[kFigureCount];
};

void swapIn(const History &h)
{
    Conn::execute(QStringLiteral("rename table tkthead_%1 to tkthead, tktdetl_%1 to tktdetl").arg(h.suffix));
}

void swapOut(const History &h)
{
    Conn::execute(QStringLiteral("rename table tkthead to tkthead_%1, tktdetl to tktdetl_%1").arg(h.suffix));
}

double timeOnce(const Figure &f, const supervisor::Period &p, const QDateTime &now)
{
    QElapsedTimer t;
    t.start();
    f.run(p, now);
    return bench::msSince(t);
}

void measure(History &h, const QDateTime &now, bool withYear)
{
    swapIn(h);
    const supervisor::Period month{now.date().addDays(-(kRecentDays - 1)), now.date(), QString()};
    const supervisor::Period year{now.date().addDays(-364), now.date(), QString()};
    for (int k = 0; k < kFigureCount; ++k) {
        timeOnce(kFigures[k], month, now); // warm-up
        h.month[k].push_back(timeOnce(kFigures[k], month, now));
        if (withYear)
            h.year[k].push_back(timeOnce(kFigures[k], year, now));
    }
    swapOut(h);
}

QString loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).section(QLatin1Char(' '), 0, 2)
                                       : QStringLiteral("?");
}

// What each index of the view saves at 1M: the figures timed with it
// dropped (the trail's grievance index cut back to its first column, and
// timed for a year), then it is built again.
void withoutEachIndex(const QDateTime &now)
{
    const supervisor::Period month{now.date().addDays(-(kRecentDays - 1)), now.date(), QString()};
    const supervisor::Period year{now.date().addDays(-364), now.date(), QString()};
    const struct
    {
        const char *table, *index, *columns, *narrow;
    } indexes[] = {{"tkthead", "ix_tkthead_date", "ftktdate, funivcode", nullptr},
                   {"tkthead", "ix_tkthead_closed", "ffinaldate, ftktstatus, funivcode", nullptr},
                   {"tktdetl", "ix_tktdetl_date", "ftkttrandate", nullptr},
                   {"tktdetl", "ix_tktdetl_tktid", "ftktid, ftkttrandate, ftkttrangroup", "ftktid"}};
    for (const auto &ix : indexes) {
        const QString table = QString::fromLatin1(ix.table), index = QString::fromLatin1(ix.index);
        Conn::execute(QStringLiteral("alter table %1 drop index %2").arg(table, index));
        if (ix.narrow) // the grievance's index as it was before the view widened it
            Conn::execute(QStringLiteral("alter table %1 add index %2 (%3)")
                                  .arg(table, index, QLatin1String(ix.narrow)));
        QStringList times;
        for (int k = 0; k < kFigureCount - 1; ++k) {
            std::vector<double> v;
            for (int i = 0; i < 3; ++i)
                v.push_back(timeOnce(kFigures[k], ix.narrow ? year : month, now));
            times << QStringLiteral("%1 %2 ms")
                             .arg(QLatin1String(kFigures[k].label))
                             .arg(bench::median(v), 0, 'f', 1);
        }
        std::printf("1M, %s, without %s%s: %s\n", ix.narrow ? "a year" : "30 days", ix.index,
                    ix.narrow ? " (only its first column)" : "",
                    qPrintable(times.join(QStringLiteral(", "))));
        if (ix.narrow)
            Conn::execute(QStringLiteral("alter table %1 drop index %2").arg(table, index));
        Conn::execute(QStringLiteral("alter table %1 add index %2 (%3)")
                              .arg(table, index, QLatin1String(ix.columns)));
    }
}

// Single-row inserts, each its own transaction, into `table` (statement
// with %1 for the table and %2 for a running number).
void inserts(const QString &table, const QString &statement, int count, int first, std::vector<double> *times)
{
    for (int i = 0; i < count; ++i) {
        QElapsedTimer t;
        t.start();
        Conn::execute(statement.arg(table).arg(first + i));
        if (times)
            times->push_back(bench::msSince(t));
    }
}

// Inserts into the 1M tables with the view's indexes and into copies
// without them, taking turns.
void insertCost()
{
    const struct
    {
        const char *table, *drop, *statement, *who;
    } cases[] = {
            {"tkthead", "drop index ix_tkthead_date, drop index ix_tkthead_closed",
             "insert into %1(ftktid, ftktdate, ftktfrom, ftktemail, ftktsub, ftktmsg, ftktuser, ftktmode, "
             "ftktmobile, funivcode, ftktgroup) values(%2, now(), 'Anitha Raman', "
             "'anitha%2@mail.example.com', "
             "'Hall ticket not received', 'I paid the examination fee in March but my hall ticket is not "
             "available on the portal.', 'Student', 'W', '98%2', '041', '3')",
             "portal insert (tkthead)"},
            {"tktdetl",
             "drop index ix_tktdetl_date, drop index ix_tktdetl_tktid, add index ix_tktdetl_tktid (ftktid)",
             "insert into %1(ftktid, ftkttrandate, ffromuser, ftkttrangroup, ftkttranmsg) values(%2 % "
             "1000000 + 1, "
             "sysdate(), 'DESK31', '2', 'For the next level.')",
             "desk forward (tktdetl)"}};
    for (const auto &c : cases) {
        const QString table = QString::fromLatin1(c.table), plain = table + QStringLiteral("_plain");
        Conn::execute(QStringLiteral("drop table if exists ") + plain);
        Conn::execute(QStringLiteral("create table %1 like %2").arg(plain, table));
        Conn::execute(QStringLiteral("alter table %1 %2").arg(plain, QLatin1String(c.drop)));
        Conn::execute(QStringLiteral("insert into %1 select * from %2").arg(plain, table));
        const QString statement = QString::fromLatin1(c.statement);
        inserts(table, statement, 300, 5000001, nullptr);
        inserts(plain, statement, 300, 5000001, nullptr);
        bench::settle();
        std::vector<double> with, without;
        for (int round = 0; round < 10; ++round) {
            inserts(table, statement, 500, 6000001 + round * 500, &with);
            inserts(plain, statement, 500, 6000001 + round * 500, &without);
        }
        std::printf("%s, 1M rows, 5000 each: with the view's indexes median %.3f ms, without %.3f ms: cost "
                    "per insert %+.3f ms (%+.0f%%)\n",
                    c.who, bench::median(with), bench::median(without),
                    bench::median(with) - bench::median(without),
                    100.0 * (bench::median(with) - bench::median(without)) / bench::median(without));
        Conn::execute(QStringLiteral("drop table ") + plain);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (!bench::open("supervisor_view"))
        return 1;
    try {
        const int rounds = argc > 1 ? std::max(3, atoi(argv[1])) : 7;
        std::printf("load average at start: %s\n", qPrintable(loadAverage()));
        Conn::execute(QStringLiteral("set global innodb_buffer_pool_size = 2147483648"));
        // Whole seconds, as the columns store them; the same moment for both
        // histories, so their last 30 days are alike.
        const QDateTime now = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
        History small, large;
        small.rows = 10000;
        small.suffix = QStringLiteral("10k");
        large.rows = 1000000;
        large.suffix = QStringLiteral("1m");
        for (History *h : {&small, &large}) {
            if (h == &large) {
                Conn::execute(QStringLiteral("create table tkthead like tkthead_10k"));
                Conn::execute(QStringLiteral("create table tktdetl like tktdetl_10k"));
            }
            fill(h->rows, now);
            swapOut(*h);
        }
        for (int round = 0; round < rounds; ++round)
            for (History *h : {&small, &large})
                measure(*h, now, h == &large);
        for (int k = 0; k < kFigureCount; ++k)
            std::printf("%-24s 30 days: 10k median %8.1f ms, 1M median %8.1f ms; a year at 1M: median %8.1f "
                        "ms\n",
                        kFigures[k].label, bench::median(small.month[k]), bench::median(large.month[k]),
                        bench::median(large.year[k]));
        swapIn(large);
        withoutEachIndex(now);
        insertCost();
        std::printf("load average at end: %s\n", qPrintable(loadAverage()));
        std::printf("ratio=%.3f (whole screen, 30 days, 1M over 10k)\n",
                    bench::median(large.month[kFigureCount - 1]) /
                            bench::median(small.month[kFigureCount - 1]));
    } catch (const AppError &e) {
        std::fprintf(stderr, "bench: %s %lld\n", qPrintable(e.description()),
                     static_cast<long long>(e.number()));
        return 1;
    }
    return 0;
}
