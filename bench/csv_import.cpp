// Times the CSV student import against a bare load of the same file.
//
// A university database whose collstud holds 1,000,000 students receives a
// generated 100,000-line file: some lines repeat a mobile number within the
// file, some carry numbers stored under other colleges, some numbers already
// stored under the importing college, a few have no name or no number. The
// last line printed is the ratio of the whole import to a bare LOAD DATA of
// the same file into the empty staging table.
//
// Run it on a private server (scripts/bench csv_import); it empties and fills
// the student tables of corvane3_tsc. Arguments: --literal also times the
// one-statement-per-rule oracle; --lines N and --stored N resize.

#include "bench.h"
#include "core/services/database.h"
#include "core/services/session.h"
#include "core/services/sqltext.h"
#include "core/students/studentimport.h"
#include "oracles/imports.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace students;

namespace {

const QString kDb = QStringLiteral("corvane3_tsc");
const QString kCollege = QStringLiteral("2001");

void exec(const QString &sql)
{
    Conn::execute(sql);
}

// Waits (at most 20 s) until the server has purged what the bench itself
// deleted or rewrote, so that this housekeeping does not run in the
// background of the next timed statement, bare load or import alike.
void settle()
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 20000) {
        const Rows rows = Conn::query(QStringLiteral("show global status like 'Innodb_history_list_length'"));
        if (rows.isEmpty() || rows.value(QStringLiteral("Value")).toLongLong() == 0) {
            std::printf("  (server settled after %.1f s)\n", double(t.elapsed()) / 1000.0);
            return;
        }
        QThread::msleep(100);
    }
}

// 1,000,000 students spread over colleges 1602 to 2001; 2001 holds its share.
void fillStored(int stored)
{
    for (const char *t : {"collstud", "collstudnb", "collstuddup", "tmpcollstud", "tmpcollstuddup"})
        exec(QStringLiteral("truncate table %1.%2").arg(kDb, QLatin1String(t)));
    exec(QStringLiteral(
                 "insert into %1.collstud(fslno, fcollcode, fdegree, fmobileno, femail, fname, fimpdate) "
                 "select seq, 1602 + seq mod 400, elt(1 + seq mod 4, 'BA', 'BSC', 'BCOM', 'MA'), "
                 "concat('9', lpad(seq, 9, '0')), concat('s', seq, '@mail.example'), concat('Student ', "
                 "seq), "
                 "now() - interval 30 day from seq_1_to_%2")
                 .arg(kDb)
                 .arg(stored));
    exec(QStringLiteral("analyze table %1.collstud").arg(kDb));
    settle();
}

// The college's file. Line i: every 20th repeats the previous line's number,
// every 20th (offset 5) is stored under another college, every 20th (offset
// 10) is stored under this college, every 100th has no name, every 100th
// (offset 50) a blank number; the rest are new students.
QString writeFile(const QString &path, int lines, int stored)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    QByteArray out = "Sl No,College,Degree,Name,Mobile,Email\r\n";
    QByteArray previous;
    for (int i = 1; i <= lines; ++i) {
        QByteArray mobile = "8" + QByteArray::number(100000000 + i);
        if (i % 20 == 1 && !previous.isEmpty())
            mobile = previous;
        else if (i % 20 == 5) // i mod 400 is never 399: another college
            mobile = "9" + QByteArray::number(i % stored).rightJustified(9, '0');
        else if (i % 20 == 10) // stored number 400 k + 399 belongs to college 2001
            mobile = "9" + QByteArray::number((400 * (i / 20) + 399) % stored).rightJustified(9, '0');
        if (i % 100 == 50)
            mobile = "  ";
        const QByteArray name = i % 100 == 0 ? QByteArray() : "Student " + QByteArray::number(i);
        out += QByteArray::number(i) + ",2001,BA,\"" + name + "\"," + mobile + ",n" + QByteArray::number(i) +
               "@mail.example\r\n";
        previous = mobile;
    }
    f.write(out);
    return path;
}

// Takes the rows of the last import out again so every run starts alike.
void undoImport(const QString &since)
{
    exec(QStringLiteral("delete from %1.collstud where fimpdate >= '%2'").arg(kDb, since));
    exec(QStringLiteral("truncate table %1.collstudnb").arg(kDb));
    exec(QStringLiteral("truncate table %1.collstuddup").arg(kDb));
    settle();
}

double timeImport(const QString &path, bool literal, ImportResult *last)
{
    const QString since = Conn::query(QStringLiteral("select now() as t")).value(QStringLiteral("t"));
    CsvImportRequest request{QStringLiteral("041"), path, kCollege};
    QElapsedTimer t;
    t.start();
    const CsvShape shape = inspectCsv(path);
    const QVector<ImportStep> steps =
            literal ? oracles::literalCsvImport(kDb, path, shape) : csvImportSteps(kDb, path, shape);
    std::vector<double> stepTimes;
    QElapsedTimer st;
    st.start();
    int current = -1;
    QStringList names;
    const ImportResult run = importCsv(kDb, request, steps, [&](int index, int, const QString &caption) {
        if (current >= 0)
            stepTimes.push_back(bench::secondsSince(st));
        st.restart();
        current = index;
        names << caption;
    });
    stepTimes.push_back(bench::secondsSince(st));
    const double total = bench::secondsSince(t);
    for (int i = 0; i < int(stepTimes.size()) && i < names.size(); ++i)
        std::printf("    %6.3f s  %s\n", stepTimes[size_t(i)], qPrintable(names.at(i)));
    *last = run;
    undoImport(since);
    return total;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](const QString &name, int fallback) {
        const int at = int(args.indexOf(name));
        return at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
    };
    const int lines = option(QStringLiteral("--lines"), 100000);
    const int stored = option(QStringLiteral("--stored"), 1000000);
    const bool literal = args.contains(QStringLiteral("--literal"));
    constexpr int kRounds = 3;

    if (!bench::open("csv_import"))
        return 1;
    session().universities = {
            UnivRow{QStringLiteral("041"), QStringLiteral("Bench University"), kDb, {}, {}}};
    session().universitiesRead = true;

    try {
        QTemporaryDir dir;
        std::printf("filling collstud with %d students\n", stored);
        std::fflush(stdout);
        fillStored(stored);
        const QString path = writeFile(dir.filePath(QStringLiteral("college 2001.csv")), lines, stored);

        std::vector<double> bare;
        const QString tmp = sql::table(kDb, QStringLiteral("tmpcollstud"));
        for (int i = 0; i < kRounds; ++i) {
            exec(QStringLiteral("truncate table %1").arg(tmp));
            QElapsedTimer t;
            t.start();
            exec(QStringLiteral(
                         "LOAD DATA local INFILE %1 INTO TABLE %2 FIELDS TERMINATED BY ',' ENCLOSED BY '\"' "
                         "LINES TERMINATED BY '\\r\\n' IGNORE 1 LINES (fslno, fcollcode, fdegree, fname, "
                         "fmobileno, femail)")
                         .arg(sql::quote(path), tmp));
            bare.push_back(bench::secondsSince(t));
        }
        const double bareLoad = bench::median(bare);
        std::printf("bare load of %d lines: %.3f s (median of %d)\n", lines, bareLoad, kRounds);

        ImportResult run;
        if (literal) {
            std::printf("import, one statement per rule:\n");
            const double t = timeImport(path, true, &run);
            std::printf("  total %.3f s, %.2f x the bare load\n", t, t / bareLoad);
        }
        std::vector<double> fast;
        for (int i = 0; i < kRounds; ++i) {
            std::printf("import, round %d:\n", i + 1);
            fast.push_back(timeImport(path, false, &run));
        }
        const double whole = bench::median(fast);
        const ImportCounters &c = run.counters;
        std::printf(
                "counters: sheet %lld, name empty %lld, no mobile %lld, dup in sheet %lld, dup in db %lld, "
                "final %lld\n",
                c.sheet, c.nameEmpty, c.noMobile, c.dupSheet, c.dupDb, c.finalUploaded);
        std::printf("whole import: %.3f s (median of %d)\n", whole, kRounds);
        std::printf("ratio=%.2f\n", whole / bareLoad);
    } catch (const AppError &e) {
        std::fprintf(stderr, "%lld, %s\n", e.number(), qPrintable(e.description()));
        return 1;
    }
    return 0;
}
