// Many desks on one queue: N desk processes, each ticking once a second like
// the desk screen and running the real assignment unit, against a feeder
// that inserts grievances at a steady rate over a tkthead of closed history.
// Each desk holds what it picked for 1-3 s, then forwards it or records a
// reply (no mail). Prints, for 8 desks and for N: grievances held by two
// users at once (must be 0), grievances not picked exactly once, arrival-to-
// pick latency p50/p99, the server's CPU seconds per 1,000 ticks; last
// `ratio=` p99 at N over p99 at 8. The feed rate is per desk the same in both
// runs (rate x 8 / N for the small one), so the ratio measures contention,
// not a queue that 8 desks cannot keep up with.
//
//   desk_load [--desks N] [--rate PER_SECOND] [--seconds T] [--history ROWS]
//             [--ports P1,P2,...] [--kill-node K --kill-pid PID [--kill-after S]]
//
// --ports spreads the desks over the servers of a cluster: desk i is given
// the list of all of them, the i-th first (round the list), and fails over
// down it; the feeder stays on GMS_DB_PORT. With N = 8 the load runs once.
// --kill-node kills the K-th server of --ports (process PID, which must not
// be the feeder's) S seconds into the feed (default 5) and prints, for each
// desk that was on it, how long it took to go on through another server and
// to pick again; a moved desk slower than 10 s, or a desk that picks nothing
// after the kill, is a fault.
// Replaces the rows of corvane3_tkt: run it through scripts/bench.

#include "bench.h"
#include "core/desk/forward.h"
#include "core/desk/queue.h"
#include "core/desk/reply.h"
#include "core/services/config.h"
#include "core/services/database.h"
#include "core/services/sqltext.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace {

const QString kLevel = QStringLiteral("3");
const QString kNextLevel = QStringLiteral("2");

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

QString deskName(int i)
{
    return QStringLiteral("LOAD%1").arg(i, 3, 10, QLatin1Char('0'));
}

// One desk: the screen's poller without the screen. Prints "PICK id ms" for
// every grievance it is given, "NODE server ms" when a tick first succeeds on
// a server other than the last one, and "TICKS n" at the end.
int runDesk(const QString &user, qint64 until)
{
    if (!Conn::open()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(user), qPrintable(Conn::lastError().description()));
        return 1;
    }
    QRandomGenerator random(quint32(qHash(user)));
    QThread::msleep(random.bounded(1000)); // desks open at different moments
    qint64 ticks = 0;
    QString held;
    qint64 releaseAt = 0;
    qint64 nextTick = nowMs();
    QString server;
    auto noteServer = [&server] {
        if (Conn::server() != server) {
            server = Conn::server();
            std::printf("NODE %s %lld\n", qPrintable(server), nowMs());
            std::fflush(stdout);
        }
    };
    while (nowMs() < until) {
        const qint64 wait = nextTick - nowMs();
        if (wait > 0)
            QThread::msleep(quint64(wait));
        nextTick += 1000;
        try {
            if (held.isEmpty()) {
                ++ticks;
                const bool lockFree = desk::lockFree();
                noteServer();
                if (!lockFree)
                    continue;
                const desk::AssignResult r = desk::assignNext(user, kLevel);
                if (r.outcome == desk::AssignOutcome::Picked) {
                    held = r.grievance.tktid;
                    std::printf("PICK %s %lld\n", qPrintable(held), nowMs());
                    std::fflush(stdout);
                    releaseAt = nowMs() + 1000 + random.bounded(2001);
                }
            } else if (nowMs() >= releaseAt) {
                if (random.bounded(2) == 0) {
                    desk::forwardGrievance(user, kLevel, held, QStringLiteral("Passed on by the load test"));
                } else {
                    reply::Reply r;
                    r.tktid = held;
                    r.user = user;
                    r.to = QStringLiteral("student@mail.example");
                    r.subject = QStringLiteral("Re: Tkt. No. - %1 : Load").arg(held);
                    r.body = QStringLiteral("<p>Answered by the load test.</p>");
                    reply::recordReply(r);
                }
                held.clear();
                nextTick = nowMs(); // the screen polls again at once
            }
            noteServer();
        } catch (const AppError &error) {
            // The statement says which call failed, and so whether `held` still matches the database.
            std::fprintf(stderr, "%s: %s [in: %s]\n", qPrintable(user), qPrintable(error.description()),
                         qPrintable(error.context().left(80)));
            if (error.isGoneAway())
                Conn::open();
        }
    }
    std::printf("TICKS %lld\n", ticks);
    return 0;
}

double serverCpuSeconds(const QString &pidFile)
{
    QFile pf(pidFile);
    if (!pf.open(QIODevice::ReadOnly))
        return 0;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(QString::fromLatin1(pf.readAll()).trimmed()));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    // Fields 14 and 15 (user and system time) follow the command in parentheses.
    const QString text = QString::fromLatin1(stat.readAll());
    const QStringList fields = text.mid(text.lastIndexOf(QLatin1Char(')')) + 2).split(QLatin1Char(' '));
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

void prepare(int desks, qint64 history)
{
    Conn::execute(QStringLiteral("delete from control"));
    Conn::execute(QStringLiteral("insert into control(FUnivCode, ftktversion) values('041', '103')"));
    Conn::execute(QStringLiteral("delete from tktdetl"));
    Conn::execute(QStringLiteral("delete from masuser"));
    QStringList users;
    for (int i = 1; i <= desks; ++i)
        users << QStringLiteral("(%1, '', %2, 'Load', 'N21*')")
                         .arg(sql::quote(deskName(i)), sql::quote(kLevel));
    users << QStringLiteral("('LOADNEXT', '', %1, 'Load', 'N21*')").arg(sql::quote(kNextLevel));
    Conn::execute(
            QStringLiteral("insert into masuser(fusername, fpasswd, fgroup, fsection, fpermission) values ") +
            users.join(QLatin1Char(',')));
    const Rows have = Conn::query(QStringLiteral("select count(*) as n from tkthead"));
    if (have.value(QStringLiteral("n")).toLongLong() == history)
        return;
    Conn::execute(QStringLiteral("delete from tkthead"));
    // Closed history, one grievance a minute back from now.
    Conn::execute(
            QStringLiteral("insert into tkthead(ftktid, ftktdate, ftktfrom, ftktemail, ftktsub, ftktmsg, "
                           "ftktuser, ftktmobile, funivcode, ftktstatus, ftktgroup, ffinaluser, ffinaldate) "
                           "select seq, now() - interval (%1 - seq) minute, 'Sender', 's@mail.example', "
                           "'Subject', 'Message', 'Student', '9840000000', '041', 'C', "
                           "elt(seq % 3 + 1, '1', '2', '3'), 'HIST', now() - interval (%1 - seq) minute "
                           "from seq_1_to_%1")
                    .arg(history));
    Conn::query(QStringLiteral("analyze table tkthead"));
    Conn::query(QStringLiteral("select count(*) as n from tkthead force index (ix_tkthead_queue)"));
}

struct RunResult
{
    int doubles = 0;
    int notOnce = 0;
    int fed = 0;
    double p50 = 0;
    double p99 = 0;
    double cpuPer1000 = 0;
    qint64 ticks = 0;
    int moved = 0;         // desks that were on the killed server
    int slowMoves = 0;     // of those, the ones that took over 10 s to go on
    int idleAfterKill = 0; // desks that picked nothing after the kill
};

// A server of --ports to kill mid-run.
struct Kill
{
    int node = 0; // 1-based index into --ports; 0: none
    pid_t pid = 0;
    int afterSeconds = 5;
};

// What one desk printed.
struct DeskLog
{
    QVector<QPair<QString, qint64>> nodes; // server, first success there
    QVector<qint64> picks;
};

// Prints how each desk that was on the killed server went on, and counts
// the faults.
void reportMoves(const std::vector<DeskLog> &logs, const QString &killed, qint64 killedAt, RunResult &result)
{
    for (size_t d = 0; d < logs.size(); ++d) {
        const DeskLog &log = logs[d];
        auto after = [killedAt](qint64 ms) { return ms >= killedAt; };
        const auto pick = std::find_if(log.picks.cbegin(), log.picks.cend(), after);
        if (pick == log.picks.cend())
            ++result.idleAfterKill;
        if (log.nodes.isEmpty() || log.nodes.constFirst().first != killed)
            continue;
        ++result.moved;
        const auto moved = std::find_if(log.nodes.cbegin(), log.nodes.cend(), [&](const auto &node) {
            return after(node.second) && node.first != killed;
        });
        const double goneOn = moved == log.nodes.cend() ? -1 : double(moved->second - killedAt) / 1000.0;
        if (goneOn < 0 || goneOn > 10)
            ++result.slowMoves;
        std::printf("  %s moved from %s to %s: going on after %.2f s, next pick after %.2f s\n",
                    qPrintable(deskName(int(d) + 1)), qPrintable(killed),
                    moved == log.nodes.cend() ? "nowhere" : qPrintable(moved->first), goneOn,
                    pick == log.picks.cend() ? -1.0 : double(*pick - killedAt) / 1000.0);
    }
}

double percentile(std::vector<qint64> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
    return double(v[i]) / 1000.0;
}

RunResult runLoad(int desks, double rate, int seconds, const QString &pidFile, const QStringList &ports,
                  const Kill &kill)
{
    RunResult result;
    const QString host = Config::instance().servers().constFirst().host;
    Conn::execute(QStringLiteral("update masuser set ftktid = null"));
    const qint64 start = nowMs();
    const qint64 until = start + 2000 + qint64(seconds) * 1000 + 8000; // warm-up, feed, drain
    std::vector<std::unique_ptr<QProcess>> clients;
    for (int i = 1; i <= desks; ++i) {
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        if (!ports.isEmpty()) {
            QStringList servers; // all of them, the desk's own first
            for (int k = 0; k < ports.size(); ++k)
                servers << host + QLatin1Char(':') + ports.at((i - 1 + k) % ports.size());
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("GMS_DB_SERVER"), servers.join(QLatin1Char(',')));
            p->setProcessEnvironment(env);
        }
        p->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--desk"), deskName(i), QStringLiteral("--until"), QString::number(until)});
        clients.push_back(std::move(p));
    }
    QThread::msleep(2000);
    const double cpuBefore = serverCpuSeconds(pidFile);

    // The feeder, and a watch for a grievance held by two users at once.
    QHash<QString, qint64> arrived;
    const qint64 feedEnd = nowMs() + qint64(seconds) * 1000;
    const double interval = 1000.0 / rate;
    double nextFeed = double(nowMs());
    qint64 nextWatch = nowMs();
    qint64 killedAt = -1;
    QSet<QString> doublesSeen;
    while (nowMs() < until - 1000) {
        if (kill.node > 0 && killedAt < 0 &&
            nowMs() >= feedEnd - qint64(seconds - kill.afterSeconds) * 1000) {
            ::kill(kill.pid, SIGKILL);
            killedAt = nowMs();
            std::printf("killed server %s (pid %lld) %d s into the feed\n",
                        qPrintable(host + QLatin1Char(':') + ports.value(kill.node - 1)),
                        static_cast<long long>(kill.pid), kill.afterSeconds);
            std::fflush(stdout);
        }
        if (nowMs() < feedEnd && double(nowMs()) >= nextFeed) {
            Conn::execute(
                    QStringLiteral("insert into tkthead(ftktdate, ftktfrom, ftktemail, ftktsub, ftktmsg, "
                                   "ftktuser, ftktmobile, funivcode, ftktgroup) values(now(), 'Student', "
                                   "'s@mail.example', 'Load', 'Please help', 'Student', '9840000001', "
                                   "'041', %1)")
                            .arg(sql::quote(kLevel)));
            const QString id =
                    Conn::query(QStringLiteral("select last_insert_id() as id")).value(QStringLiteral("id"));
            arrived.insert(id, nowMs());
            nextFeed += interval;
        }
        if (nowMs() >= nextWatch) {
            const Rows doubles = Conn::query(QStringLiteral(
                    "select ftktid, group_concat(fusername order by fusername) as users from "
                    "masuser where ifnull(ftktid,'') <> '' group by ftktid having count(*) > 1"));
            result.doubles += doubles.size();
            // Which grievance and which desks, once each, so a failed run can be traced in the desks' output.
            for (int i = 0; i < doubles.size(); ++i) {
                const QString seen = doubles.value(QStringLiteral("ftktid"), i) + QLatin1Char(' ') +
                                     doubles.value(QStringLiteral("users"), i);
                if (!doublesSeen.contains(seen)) {
                    doublesSeen.insert(seen);
                    std::printf("held twice: grievance %s by %s at %lld\n",
                                qPrintable(seen.section(' ', 0, 0)), qPrintable(seen.section(' ', 1)),
                                nowMs());
                    std::fflush(stdout);
                }
            }
            nextWatch = nowMs() + 100;
        }
        QThread::msleep(5);
    }
    QHash<QString, int> picks;
    QHash<QString, QStringList> pickedBy; // grievance: desk and time of each pick
    std::vector<qint64> latencies;
    std::vector<DeskLog> logs;
    for (auto &p : clients) {
        DeskLog &log = logs.emplace_back();
        p->waitForFinished(30000);
        const QStringList lines = QString::fromLatin1(p->readAllStandardOutput()).split(QLatin1Char('\n'));
        for (const QString &line : lines) {
            const QStringList f = line.split(QLatin1Char(' '));
            if (f.value(0) == QLatin1String("PICK")) {
                ++picks[f.value(1)];
                pickedBy[f.value(1)] << deskName(int(logs.size())) + QLatin1Char('@') + f.value(2);
                log.picks << f.value(2).toLongLong();
                if (arrived.contains(f.value(1)))
                    latencies.push_back(f.value(2).toLongLong() - arrived.value(f.value(1)));
            } else if (f.value(0) == QLatin1String("NODE")) {
                log.nodes << qMakePair(f.value(1), f.value(2).toLongLong());
            } else if (f.value(0) == QLatin1String("TICKS")) {
                result.ticks += f.value(1).toLongLong();
            }
        }
    }
    const double cpu = serverCpuSeconds(pidFile) - cpuBefore;
    if (killedAt >= 0)
        reportMoves(logs, host + QLatin1Char(':') + ports.value(kill.node - 1), killedAt, result);
    result.fed = int(arrived.size());
    for (auto it = arrived.cbegin(); it != arrived.cend(); ++it)
        if (picks.value(it.key()) != 1) {
            ++result.notOnce;
            std::printf("grievance %s picked %d times: %s\n", qPrintable(it.key()), picks.value(it.key()),
                        qPrintable(pickedBy.value(it.key()).join(QLatin1Char(' '))));
        }
    result.p50 = percentile(latencies, 0.50);
    result.p99 = percentile(latencies, 0.99);
    result.cpuPer1000 = result.ticks ? cpu / (double(result.ticks) / 1000.0) : 0;
    std::printf(
            "%3d desks: fed %d, held twice %d, not picked exactly once %d, latency p50 %.2f s p99 %.2f s, "
            "%lld ticks, server CPU %.2f s per 1,000 ticks\n",
            desks, result.fed, result.doubles, result.notOnce, result.p50, result.p99,
            static_cast<long long>(result.ticks), result.cpuPer1000);
    if (killedAt >= 0)
        std::printf("after the kill: %d desks moved, %d of them slower than 10 s, %d desks picked nothing\n",
                    result.moved, result.slowMoves, result.idleAfterKill);
    std::fflush(stdout);
    return result;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto option = [&args](const char *name, const QString &fallback) {
        const int i = int(args.indexOf(QLatin1String(name)));
        return i >= 0 && i + 1 < args.size() ? args.at(i + 1) : fallback;
    };
    if (args.contains(QLatin1String("--desk")))
        return runDesk(option("--desk", QString()), option("--until", QString()).toLongLong());

    const int desks = option("--desks", QStringLiteral("64")).toInt();
    const double rate = option("--rate", QStringLiteral("10")).toDouble();
    const int seconds = std::min(option("--seconds", QStringLiteral("60")).toInt(), 120);
    const qint64 history = option("--history", QStringLiteral("1000000")).toLongLong();
    if (!bench::open("desk_load"))
        return 1;
    prepare(std::max(desks, 8), history);
    const QString pidFile = Conn::query(QStringLiteral("select @@pid_file as f")).value(QStringLiteral("f"));
    std::printf("tkthead: %lld rows of closed history; %.1f grievances a second for %d s at %d desks\n",
                static_cast<long long>(history), rate, seconds, desks);
    const QStringList ports = option("--ports", QString()).split(QLatin1Char(','), Qt::SkipEmptyParts);
    Kill kill;
    kill.node = option("--kill-node", QStringLiteral("0")).toInt();
    kill.pid = pid_t(option("--kill-pid", QStringLiteral("0")).toLongLong());
    kill.afterSeconds = std::clamp(option("--kill-after", QStringLiteral("5")).toInt(), 0, seconds);
    if (kill.node > 0 && (kill.node > ports.size() || kill.pid <= 0)) {
        std::fprintf(stderr, "desk_load: --kill-node needs --ports and --kill-pid\n");
        return 2;
    }
    // The kill happens in the first run; the server stays down after it.
    const RunResult small = runLoad(8, rate * 8.0 / desks, seconds, pidFile, ports, kill);
    const RunResult large = desks == 8 ? small : runLoad(desks, rate, seconds, pidFile, ports, Kill());
    const bool sound =
            small.doubles == 0 && large.doubles == 0 && small.notOnce == 0 && large.notOnce == 0 &&
            (kill.node == 0 || (small.moved > 0 && small.slowMoves == 0 && small.idleAfterKill == 0));
    std::printf("%s\n", sound ? "every grievance picked exactly once, none held twice"
                              : "FAULT: a grievance was held twice or not picked exactly once, or a desk did "
                                "not go on after the kill");
    std::printf("ratio=%.3f\n", small.p99 > 0 ? large.p99 / small.p99 : 0.0);
    return sound ? 0 : 1;
}
