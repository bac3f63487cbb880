// Times the Excel import: reading workbooks, the application path on a
// 50,000-row workbook of university "023", and the student-list path on the
// same staged rows and on a 100,000-row workbook.
//
// Run it on a private server (scripts/bench xlsx_import); it empties and
// fills the student tables of corvane3_023 and corvane3_tsc. The last line is
// the application path's time over the student-list path's on the same rows.
// Arguments: --apps N and --lines N resize the two workbooks.

#include "bench.h"
#include "core/services/database.h"
#include "core/services/session.h"
#include "core/services/sqltext.h"
#include "core/services/workbook.h"
#include "core/students/applicationimport.h"
#include "core/students/excelimport.h"
#include "core/students/university.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

using namespace students;

namespace {

const QString kAppDb = QStringLiteral("corvane3_023");
const QString kListDb = QStringLiteral("corvane3_tsc");
const QString kAppCollege = QStringLiteral("2301");
const QString kListCollege = QStringLiteral("2001");
const char *const kDegrees[] = {"BA", "BSC", "BCOM", "MA", "MSC", "MBA"};
const char *const kShort[] = {"ENG", "HIS", "ECO", "POL", "PHY", "MAT"};

void exec(const QString &sql)
{
    Conn::execute(sql);
}

void prepareTables(int storedStudents)
{
    for (const QString &db : {kAppDb, kListDb})
        for (const char *t :
             {"collstud", "collstudnb", "collstuddup", "tmpcollstud", "tmpcollstud1", "tmpcollstuddup",
              "studadm", "options", "studoc", "admfeedetl", "college", "subject", "masdoc"})
            exec(QStringLiteral("truncate table %1.%2").arg(db, QLatin1String(t)));
    exec(QStringLiteral("insert into %1.college(fcollcode, fcollname, femail) values (%2, 'Bench College', "
                        "'bench@colleges.example')")
                 .arg(kAppDb, sql::quote(kAppCollege)));
    exec(QStringLiteral("insert into %1.college(fcollcode, fcollname, femail) values (%2, 'Bench College', "
                        "'bench@colleges.example')")
                 .arg(kListDb, sql::quote(kListCollege)));
    for (const char *d : kDegrees) {
        for (int s = 0; s < 6; ++s)
            exec(QStringLiteral("insert into %1.subject(fdegree, fexamno, fsubcode, fsubshort) values (%2, "
                                "'A', %3, %4)")
                         .arg(kAppDb, sql::quote(QLatin1String(d)),
                              sql::quote(QLatin1String(d) +
                                         QStringLiteral("%1").arg(s + 1, 2, 10, QLatin1Char('0'))),
                              sql::quote(QLatin1String(kShort[s]))));
        for (const char *doc : {"Photo", "Signature", "Transfer Certificate"})
            exec(QStringLiteral("insert into %1.masdoc(fdegree, ffilename) values (%2, %3)")
                         .arg(kAppDb, sql::quote(QLatin1String(d)), sql::quote(QLatin1String(doc))));
    }
    // Students already stored under other colleges and this one.
    exec(QStringLiteral(
                 "insert into %1.collstud(fslno, fcollcode, fdegree, fmobileno, femail, fname, fimpdate) "
                 "select seq, 1602 + seq mod 400, 'BA', concat('9', lpad(seq, 9, '0')), "
                 "concat('s', seq, '@mail.example'), concat('Student ', seq), now() - interval 30 day "
                 "from seq_1_to_%2")
                 .arg(kListDb)
                 .arg(storedStudents));
}

QString appWorkbook(const QString &path, int rows)
{
    WorkbookWriter w(path);
    const CellStyle plain;
    const QStringList heads = sheetColumns(QStringLiteral("023"));
    for (int c = 0; c < heads.size(); ++c)
        w.writeText(0, c, heads.at(c).toUpper(), plain);
    for (int i = 1; i <= rows; ++i) {
        const QString name = QStringLiteral("Student %1").arg(i);
        w.writeNumber(i, 0, i, plain);
        w.writeText(i, 1, kAppCollege, plain);
        w.writeText(i, 2, QLatin1String(kDegrees[i % 6]), plain);
        w.writeText(i, 3, i % 50 ? name : QStringLiteral("D'Souza %1").arg(i), plain);
        w.writeText(i, 4, QStringLiteral("Father of ") + name, plain);
        w.writeText(i, 5, QStringLiteral("Mother of ") + name, plain);
        w.writeText(i, 6, i % 2 ? QStringLiteral("M") : QStringLiteral("F"), plain);
        w.writeText(i, 7, i % 3 ? QStringLiteral("CATI") : QStringLiteral("2-A"), plain);
        w.writeNumber(i, 8, 12000 + (i % 7) * 250.5, plain);
        for (int s = 0; s < 4 + i % 3; ++s)
            w.writeText(i, 9 + s, QLatin1String(kShort[(i + s) % 6]), plain);
        w.writeNumber(i, 19, 7000000000.0 + i, plain);
        w.writeText(i, 20, QStringLiteral("s%1@mail.example").arg(i), plain);
    }
    w.close();
    return path;
}

// Every 20th row repeats a mobile number, every 20th (offset 5) is stored
// under another college, every 100th has no name, every 100th (offset 50)
// no mobile number.
QString listWorkbook(const QString &path, int rows, int stored)
{
    WorkbookWriter w(path);
    const CellStyle plain;
    const char *heads[] = {"Sl No", "College", "Degree", "Name", "Mobile", "Email"};
    for (int c = 0; c < 6; ++c)
        w.writeText(0, c, QLatin1String(heads[c]), plain);
    for (int i = 1; i <= rows; ++i) {
        double mobile = 8100000000.0 + i;
        if (i % 20 == 1 && i > 1)
            mobile -= 1;
        else if (i % 20 == 5)
            mobile = 9000000000.0 + (i % stored);
        w.writeNumber(i, 0, i, plain);
        w.writeText(i, 1, kListCollege, plain);
        w.writeText(i, 2, QLatin1String(kDegrees[i % 3]), plain);
        if (i % 100)
            w.writeText(i, 3, QStringLiteral("Student %1").arg(i), plain);
        if (i % 100 != 50)
            w.writeNumber(i, 4, mobile, plain);
        w.writeText(i, 5, QStringLiteral("n%1@mail.example").arg(i), plain);
    }
    w.close();
    return path;
}

// The sheet phase as the Import button runs it.
SheetResult stage(const QString &univ, const QString &college, const QString &path)
{
    const SheetResult sheet =
            stageWorkbook(SheetRequest{selectUniversity(univ), univ, college, path},
                          [](const QString &mismatch) -> bool { throw AppError(1, mismatch); });
    if (sheet.outcome != SheetResult::Staged)
        throw AppError(1, QStringLiteral("bench college missing"));
    return sheet;
}

QVector<DegreeDecision> gridOf(const SheetResult &sheet)
{
    QVector<DegreeDecision> grid;
    for (const DegreeCount &d : sheet.degrees)
        grid.append({d.code, d.code, true});
    return grid;
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
    const int apps = option(QStringLiteral("--apps"), 50000);
    const int lines = option(QStringLiteral("--lines"), 100000);
    constexpr int kStored = 200000;

    if (!bench::open("xlsx_import"))
        return 1;
    session().universities = {
            UnivRow{QStringLiteral("023"), QStringLiteral("Bench Open University"), kAppDb, {}, {}},
            UnivRow{QStringLiteral("041"), QStringLiteral("Bench University"), kListDb, {}, {}}};
    session().universitiesRead = true;

    try {
        QTemporaryDir dir;
        prepareTables(kStored);
        QElapsedTimer t;
        t.start();
        const QString appPath = appWorkbook(dir.filePath(QStringLiteral("2301 applications.xlsx")), apps);
        const QString listPath =
                listWorkbook(dir.filePath(QStringLiteral("2001 students.xlsx")), lines, kStored);
        std::printf("workbooks written: %d and %d rows in %.2f s\n", apps, lines, bench::secondsSince(t));

        // Reading alone.
        t.restart();
        const SheetTable appSheet = readActiveSheet(appPath);
        const double readApps = bench::secondsSince(t);
        t.restart();
        const SheetTable listSheet = readActiveSheet(listPath);
        const double readList = bench::secondsSince(t);
        std::printf(
                "read: %d rows x %d columns in %.3f s (%.0f rows/s); %d rows x %d columns in %.3f s (%.0f "
                "rows/s)\n",
                int(appSheet.rows.size() - 1), appSheet.width, readApps,
                (appSheet.rows.size() - 1) / readApps, int(listSheet.rows.size() - 1), listSheet.width,
                readList, (listSheet.rows.size() - 1) / readList);

        // Application path.
        t.restart();
        const SheetResult staged = stage(QStringLiteral("023"), kAppCollege, appPath);
        const double stageApps = bench::secondsSince(t);
        exec(QStringLiteral("drop table if exists %1.bench_stage").arg(kAppDb));
        exec(QStringLiteral("create table %1.bench_stage as select * from %1.tmpcollstud").arg(kAppDb));
        std::printf("application sheet staged: %lld rows in %.3f s (%.0f rows/s)\n", staged.counters.sheet,
                    stageApps, staged.counters.sheet / stageApps);
        ApplicationRequest request;
        request.db = kAppDb;
        request.college = kAppCollege;
        request.grid = gridOf(staged);
        request.admDate = QStringLiteral("2026-06-01");
        ApplicationResult run;
        QStringList captions;
        QVector<double> spent;
        QElapsedTimer st;
        t.restart();
        st.start();
        // The command asks first whether the sheet's students already have
        // applications; that look-up is part of its time.
        const qint64 existing = existingApplications(kAppDb, kAppCollege, request.grid);
        importApplications(request, run, [&](int, int, const QString &caption) {
            if (captions.isEmpty() || captions.last() != caption) {
                spent.append(0);
                captions << caption;
            }
            spent.last() += bench::secondsSince(st);
            st.restart();
        });
        const double appTime = bench::secondsSince(t);
        // Time before the first report is the preparation.
        for (int i = 0; i < captions.size(); ++i)
            if (spent.at(i) > 0.05)
                std::printf("    %6.3f s  until: %s\n", spent.at(i), qPrintable(captions.at(i)));
        const qint64 packet = Conn::query(QStringLiteral("select @@max_allowed_packet as p"))
                                      .value(QStringLiteral("p"))
                                      .toLongLong();
        std::printf("application path: %lld applications in %.3f s (%.0f applications/s, %lld existed); %lld "
                    "statements, largest %lld bytes, packet limit %lld bytes%s\n",
                    run.total, appTime, run.total / appTime, existing, run.statements, run.largestStatement,
                    packet, run.largestStatement <= packet ? "" : "  OVER THE LIMIT");
        std::printf(
                "  rows: studadm %s, options %s, studoc %s, admfeedetl %s\n",
                qPrintable(Conn::query(QStringLiteral("select count(*) as n from %1.studadm").arg(kAppDb))
                                   .value(QStringLiteral("n"))),
                qPrintable(Conn::query(QStringLiteral("select count(*) as n from %1.options").arg(kAppDb))
                                   .value(QStringLiteral("n"))),
                qPrintable(Conn::query(QStringLiteral("select count(*) as n from %1.studoc").arg(kAppDb))
                                   .value(QStringLiteral("n"))),
                qPrintable(Conn::query(QStringLiteral("select count(*) as n from %1.admfeedetl").arg(kAppDb))
                                   .value(QStringLiteral("n"))));

        // The student-list path on the same staged rows.
        exec(QStringLiteral("delete from %1.tmpcollstud").arg(kAppDb));
        exec(QStringLiteral("insert into %1.tmpcollstud select * from %1.bench_stage").arg(kAppDb));
        exec(QStringLiteral("drop table %1.bench_stage").arg(kAppDb));
        t.restart();
        const ImportResult same = importStudentList(kAppDb, kAppCollege, gridOf(staged), staged.counters);
        const double sameTime = bench::secondsSince(t);
        std::printf("student-list path on the same rows: %lld rows in %.3f s (%.0f rows/s), %lld stored\n",
                    staged.counters.sheet, sameTime, staged.counters.sheet / sameTime,
                    same.counters.finalUploaded);

        // The student-list path on the large workbook.
        t.restart();
        const SheetResult listStaged = stage(QStringLiteral("041"), kListCollege, listPath);
        const double stageList = bench::secondsSince(t);
        t.restart();
        const ImportResult list =
                importStudentList(kListDb, kListCollege, gridOf(listStaged), listStaged.counters);
        const double listTime = bench::secondsSince(t);
        const ImportCounters &c = list.counters;
        std::printf("student-list workbook: staged %d rows in %.3f s (%.0f rows/s); path %.3f s (%.0f "
                    "rows/s); whole "
                    "%.0f rows/s\n",
                    lines, stageList, lines / stageList, listTime, c.sheet / listTime,
                    lines / (stageList + listTime));
        std::printf("  counters: sheet %lld, name empty %lld, no mobile %lld, dup in sheet %lld, dup in db "
                    "%lld, final "
                    "%lld\n",
                    c.sheet, c.nameEmpty, c.noMobile, c.dupSheet, c.dupDb, c.finalUploaded);
        std::printf("ratio=%.2f\n", appTime / sameTime);
    } catch (const AppError &e) {
        std::fprintf(stderr, "%lld, %s\n", e.number(), qPrintable(e.description()));
        return 1;
    }
    return 0;
}
