#include "core/services/database.h"
#include "core/services/handler.h"
#include "core/students/studentimport.h"

#include "studentsfixture.h"

#include <QDir>

using namespace students;
using namespace Qt::StringLiterals;

namespace {

const QString kHeading = u"Sl No,College,Degree,Name,Mobile,Email"_s;

// One line for each rule of the import; the seeded rows give a student of
// another college (Chitra's number), one of this college (Devi's) and an old
// student with a blank number that must stay where it is.
const QStringList kRules{kHeading,
                         u"1,2001,BA,Anu,9000000001,a@x"_s,
                         u"2,2001,BA,Bala,9000000001,b@x"_s,
                         u"3,2001,BSC,Chitra,9000000003,c@x"_s,
                         u"4,2001,BA,Devi,9000000004,d@x"_s,
                         u"5,2001,BA,   ,9000000005,e@x"_s,
                         u"6,2001,BA,,9000000006,e@x"_s,
                         u"7,2001,BA,Farah,  ,f@x"_s,
                         u"8,2001,BA,Hema,,h@x"_s,
                         u"9,2001,BCOM,\"Gita, R\",9000000009,\"g@x\""_s,
                         u"10,2002,BA,O'Neil,9000000010,o@x"_s};

class CsvImport : public StudentsTest
{
protected:
    static void seed()
    {
        admin(u"insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname, fimpdate) "
              u"values"
              "('9', '2002', 'BA', '9000000003', 'Elsewhere', '2020-01-01'), "
              "('8', '2001', 'BA', '9000000004', 'Here', '2020-01-01'), "
              "('1', '2001', 'BA', '   ', 'Old blank', '2020-01-01')"_s);
    }

    static QList<qint64> counters(const ImportRun &run)
    {
        const ImportCounters &c = run.counters;
        return {c.sheet, c.nameEmpty, c.noMobile, c.dupSheet, c.dupDb, c.finalUploaded};
    }

    // What an import leaves in the student tables (`full`: staging tables too).
    static QString stored(bool full = false)
    {
        const QString cols = u"fslno, fcollcode, fdegree, fname, fmobileno, femail"_s;
        QString all = dump(u"collstud"_s, cols + u", fimpdate is null"_s) + u'#' +
                      dump(u"collstudnb"_s, cols) + u'#' +
                      dump(u"collstuddup"_s, cols + u", fdeleted, fimpdate is null"_s);
        if (full)
            all += u'#' + dump(u"tmpcollstud"_s, cols + u", fdeleted, fintid, fimpdate is null"_s) + u'#' +
                   dump(u"tmpcollstuddup"_s, u"fmobileno, fcnt"_s);
        return all;
    }

    // Runs an import the way the screen does, reconnecting on a dropped link.
    ImportRun importFile(const QString &path, const StepObserver &observer = {},
                         ImportPlan plan = ImportPlan::Fast)
    {
        CsvImportRequest request{u"041"_s, path, u"2001"_s, plan};
        CsvShape shape;
        const ImportRefusal refusal = checkCsvImport(u"Tessaly"_s, request, &shape);
        EXPECT_TRUE(refusal.text.isEmpty()) << refusal.text.toStdString();
        ImportRun run;
        HandlerOptions options;
        options.style = ErrorStyle::NumberCommaDescription;
        options.icon = Icon::None;
        EXPECT_TRUE(runHandled(options, [&](int) { importCsv(request, shape, run, observer); })) << ui.dump();
        return run;
    }

    // The outcome of the checks before an import: the refusal or the error.
    static QString checked(const QString &univ, const QString &path, const QString &college,
                           const QString &entry = u"U"_s)
    {
        CsvShape shape;
        try {
            const ImportRefusal r =
                    checkCsvImport(entry, CsvImportRequest{univ, path, college, ImportPlan::Fast}, &shape);
            return r.text.isEmpty() ? u"ok"_s : r.text + (r.critical ? u" (critical)"_s : QString());
        } catch (const AppError &e) {
            return formatError(ErrorStyle::NumberCommaDescription, e);
        }
    }
};

// Heading only, then the rules file with each line ending, then that file
// again; the folder and the file name hold quotes and a backslash.
TEST_F(CsvImport, everyRuleOnOneFileLfAndCrlfAlikeAndTheSecondRunAddsNothing)
{
    ASSERT_TRUE(QDir(dir.path()).mkpath(u"O'Brien's \\ uploads"_s));
    const ImportRun none = importFile(writeCsv(u"O'Brien's \\ uploads/heading.csv"_s, {kHeading}));
    EXPECT_EQ(counters(none), QList<qint64>({0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(none.beforeLine, u"Records Before Importing : 0"_s);
    EXPECT_EQ(none.afterLine, QString());
    EXPECT_EQ(count(u"collstud"_s), 0);

    QString rows[2];
    ImportRun run;
    QString path;
    for (int crlf = 0; crlf < 2; ++crlf) {
        SCOPED_TRACE(crlf ? "CRLF" : "LF");
        emptyStudentTables();
        seed();
        path = writeCsv(u"O'Brien's \\ uploads/it's %1.csv"_s.arg(crlf), kRules, crlf ? u"\r\n"_s : u"\n"_s);
        run = importFile(path);
        // sheet, blank name, no mobile, twice in the file, in another college, uploaded
        EXPECT_EQ(counters(run), QList<qint64>({10, 2, 2, 2, 1, 2}));
        rows[crlf] = stored();
    }
    EXPECT_EQ(rows[1], rows[0]);
    EXPECT_FALSE(rows[1].contains(u'\r'));
    EXPECT_EQ(dump(u"collstudnb"_s, u"fslno, fname, fmobileno"_s), u"7|Farah|  \n8|Hema|"_s);
    EXPECT_EQ(dump(u"collstuddup"_s, u"fname, fmobileno, fcollcode"_s),
              u"Anu|9000000001|2001\nBala|9000000001|2001\nChitra|9000000003|2001"_s);
    EXPECT_EQ(dump(u"collstud"_s, u"fname, fcollcode, femail"_s),
              u"Elsewhere|2002\nGita, R|2001|g@x\nHere|2001\nO'Neil|2002|o@x\nOld blank|2001"_s);
    EXPECT_EQ(run.beforeLine, u"Records Before Importing : BA - 2"_s);
    EXPECT_TRUE(run.afterLine == u"Records After Importing : BA - 2, BCOM - 1"_s ||
                run.afterLine == u"Records After Importing : BCOM - 1, BA - 2"_s)
            << run.afterLine.toStdString();
    // A quote in the college text reaches the counts as a value, not as SQL.
    EXPECT_EQ(collegeCounts(kDb, u"1' or '1' = '1"_s), QString());

    const ImportRun again = importFile(path);
    EXPECT_EQ(again.counters.sheet, 10);
    EXPECT_EQ(again.counters.dupDb, 1) << "only Chitra, stored under the other college";
    EXPECT_EQ(again.counters.finalUploaded, 0);
    EXPECT_EQ(again.beforeLine, u"Records Before Importing : "_s + run.afterLine.mid(26));
    EXPECT_EQ(count(u"collstud"_s), 5);
}

// Whatever the checks refuse is refused before any table is touched, with the
// file and the cause named.
TEST_F(CsvImport, checksRefuseBadEntriesAndUnusableFilesBeforeAnythingRuns)
{
    admin(u"insert into corvane3_tsc.tmpcollstud(fname) values('left from the last upload')"_s);
    const QString ok = writeCsv(u"ok.csv"_s, {kHeading});
    const QString missing = dir.filePath(u"nowhere.csv"_s);
    const struct
    {
        QString univ, path, college, outcome;
    } cases[] = {
            {u"041"_s, ok, u"6000"_s, u"ok"_s},
            {u"041"_s, ok, u"0999"_s, u"ok"_s},
            {u"041"_s, ok, u"-3"_s, u"ok"_s},
            {u"042"_s, ok, u"6001"_s, u"ok"_s},
            {u"041"_s, ok, u"6001"_s, u"Error in university selection!! (critical)"_s},
            {u"041"_s, ok, u" 6000.5 "_s, u"Error in university selection!! (critical)"_s},
            {u"041"_s, ok, u"ABC"_s, u"13, Type mismatch"_s},
            {u"042"_s, ok, u"ABC"_s, u"13, Type mismatch"_s},
            {u"041"_s, u"   "_s, u"2001"_s, u"Information should be entered!!"_s},
            {u"041"_s, ok, u"  "_s, u"Information should be entered!!"_s},
            {u"041"_s, missing, u"2001"_s,
             u"53, The file %1 cannot be imported: it does not exist."_s.arg(missing)},
    };
    for (const auto &c : cases)
        EXPECT_EQ(checked(c.univ, c.path, c.college), c.outcome)
                << c.univ.toStdString() << " " << c.college.toStdString();
    EXPECT_EQ(checked(u"041"_s, ok, u"2001"_s, QString()), u"Information should be entered!!"_s)
            << "no university";

    const struct
    {
        QString path;
        const char *number;
        const char *cause;
    } files[] = {
            {dir.path(), "75, ", "not a file"},
            {writeCsv(u"zero.csv"_s, {}, QString()), "5, ", "empty"},
            {writeCsv(u"five.csv"_s, {kHeading, u"1,2001,BA,Anu,9000000001"_s}), "5, ",
             "line 2 has 5 fields"},
            {writeCsv(u"head.csv"_s, {u"Sl No;College;Degree"_s}), "5, ", "line 1 has 1 fields"},
            {writeCsv(u"seven.csv"_s,
                      {kHeading, u"1,2001,BA,Anu,9000000001,a@x"_s, u"2,2001,BA,Bala,9,b@x,extra"_s}),
             "5, ", "line 3 has 7 fields"},
    };
    for (const auto &f : files) {
        const QString text = checked(u"041"_s, f.path, u"2001"_s);
        EXPECT_TRUE(text.startsWith(QLatin1String(f.number)) && text.contains(f.path) &&
                    text.contains(QLatin1String(f.cause)))
                << text.toStdString();
    }
    EXPECT_EQ(count(u"tmpcollstud"_s), 1);

    // A quoted field may hold a comma and a line end without making a record.
    const CsvShape shape =
            inspectCsv(writeCsv(u"q.csv"_s, {kHeading, u"1,2001,BA,\"Anu,\nRaman\",9000000001,a@x"_s,
                                             u"2,2001,BA,Bala \\, K,9000000002,b@x"_s}));
    EXPECT_EQ(shape.records, 3);
    EXPECT_FALSE(shape.crlf);
}

TEST_F(CsvImport, serverRefusingTheLoadNamesTheFileAndStoresNothing)
{
    admin(u"set global local_infile = 0"_s);
    const QString path = writeCsv(u"refused.csv"_s, {kHeading, u"1,2001,BA,Anu,9000000001,a@x"_s});
    CsvImportRequest request{u"041"_s, path, u"2001"_s, ImportPlan::Fast};
    CsvShape shape;
    checkCsvImport(u"U"_s, request, &shape);
    ImportRun run;
    HandlerOptions options;
    options.style = ErrorStyle::NumberCommaDescription;
    options.icon = Icon::None;
    const bool ok = runHandled(options, [&](int) { importCsv(request, shape, run, {}); });
    admin(u"set global local_infile = 1"_s);
    EXPECT_FALSE(ok);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.last().text.contains(u"The file %1 could not be loaded: "_s.arg(path))) << ui.dump();
    EXPECT_EQ(count(u"collstud"_s) + count(u"collstudnb"_s), 0);
}

// A connection killed before any statement: the import reconnects and ends
// with the rows and counts of an undisturbed run, nothing stored twice.
TEST_F(CsvImport, killedConnectionResumesWithoutStoringTwice)
{
    seed();
    const QString path = writeCsv(u"k.csv"_s, kRules);
    const ImportRun clean = importFile(path);
    const QString tables = stored();
    const int steps = int(csvImportSteps(kDb, path, CsvShape()).size());
    for (int killAt = 0; killAt < steps; ++killAt) {
        SCOPED_TRACE(killAt);
        emptyStudentTables();
        seed();
        bool killed = false;
        const ImportRun run = importFile(path, [&](int index, int, const QString &) {
            if (index == killAt && !killed) {
                killed = true;
                killConn();
            }
        });
        EXPECT_TRUE(killed);
        EXPECT_EQ(stored(), tables);
        EXPECT_EQ(counters(run), counters(clean));
        EXPECT_EQ(run.beforeLine, clean.beforeLine);
    }
}

// The append after a lost reply: even when the rows did reach collstud, the
// retry drops them as already stored instead of adding them again.
TEST_F(CsvImport, retriedAppendNeverStoresAStudentTwice)
{
    const QString path = writeCsv(u"a.csv"_s, {kHeading, u"1,2001,BA,Anu,9000000001,a@x"_s});
    int append = -1;
    const QVector<ImportStep> steps = csvImportSteps(kDb, path, CsvShape());
    for (int i = 0; i < steps.size(); ++i)
        if (steps.at(i).caption == u"Adding the new students"_s)
            append = i;
    ASSERT_GE(append, 0);
    bool done = false;
    importFile(path, [&](int index, int, const QString &) {
        if (index == append && !done) {
            done = true;
            // The statement went through but its answer never came back.
            Conn::execute(
                    u"insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, femail, fname, "
                    "fimpdate) select fslno, fcollcode, fdegree, fmobileno, femail, fname, fimpdate "
                    "from corvane3_tsc.tmpcollstud"_s);
            killConn();
        }
    });
    EXPECT_EQ(count(u"collstud"_s), 1);
}

// The faster statements must leave every table, staging included, as the
// statements as first written do.
TEST_F(CsvImport, fastStatementsGiveTheSameRowsAsTheLiteralOnes)
{
    const QString path = writeCsv(u"same.csv"_s, kRules, u"\r\n"_s);
    seed();
    const ImportRun literal = importFile(path, {}, ImportPlan::Literal);
    const QString literalRows = stored(true);
    emptyStudentTables();
    seed();
    const ImportRun fast = importFile(path, {}, ImportPlan::Fast);
    EXPECT_EQ(stored(true), literalRows);
    // group_concat orders the degrees as the server happens to read them.
    const auto canonical = [](const ImportRun &run) {
        QStringList lines = importSummary(run).split(u"\r\n"_s);
        for (QString &line : lines) {
            const int colon = int(line.indexOf(u" : "_s));
            QStringList pairs = line.mid(colon + 3).split(u", "_s);
            pairs.sort();
            if (colon >= 0)
                line = line.left(colon + 3) + pairs.join(u", "_s);
        }
        return lines.join(u'|');
    };
    EXPECT_EQ(canonical(fast), canonical(literal));
    EXPECT_EQ(counters(fast), counters(literal));
}

} // namespace
