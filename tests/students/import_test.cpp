#include "core/services/database.h"
#include "core/services/handler.h"
#include "core/students/studentimport.h"

#include "studentsfixture.h"

#include <QDir>

using namespace students;

namespace {

const QString kHeading = QStringLiteral("Sl No,College,Degree,Name,Mobile,Email");

class CsvImport : public StudentsTest
{
protected:
    // Runs an import the way the screen does, reconnecting on a dropped link.
    ImportRun importFile(const QString &path, const QString &college = QStringLiteral("2001"),
                         const StepObserver &observer = {}, ImportPlan plan = ImportPlan::Fast)
    {
        CsvImportRequest request{QStringLiteral("041"), path, college, plan};
        CsvShape shape;
        const ImportRefusal refusal = checkCsvImport(QStringLiteral("Tessaly"), request, &shape);
        EXPECT_TRUE(refusal.text.isEmpty()) << refusal.text.toStdString();
        ImportRun run;
        HandlerOptions options;
        options.style = ErrorStyle::NumberCommaDescription;
        options.icon = Icon::None;
        const bool ok = runHandled(options, [&](int) { importCsv(request, shape, run, observer); });
        EXPECT_TRUE(ok) << ui.texts().join(QLatin1Char('|')).toStdString();
        return run;
    }

    // Every stored row of a table, one text per row, in a fixed order.
    QString dump(const QString &table, const QString &columns)
    {
        return adminValue(QStringLiteral("select group_concat(concat_ws('|', %2) order by %2 separator '\\n') "
                                         "from corvane3_tsc.%1")
                                  .arg(table, columns));
    }

    int indexOf(const QString &caption)
    {
        const QVector<ImportStep> steps = csvImportSteps(kDb, QStringLiteral("x.csv"), CsvShape());
        for (int i = 0; i < steps.size(); ++i)
            if (steps.at(i).caption == caption)
                return i;
        ADD_FAILURE() << "no step " << caption.toStdString();
        return -1;
    }
};

TEST_F(CsvImport, headingOnlyFileCountsNothingAndAddsNothing)
{
    const ImportRun run = importFile(writeCsv(QStringLiteral("empty.csv"), {kHeading}));
    const ImportCounters &c = run.counters;
    EXPECT_EQ(c.sheet + c.nameEmpty + c.noMobile + c.dupSheet + c.dupDb + c.finalUploaded, 0);
    EXPECT_EQ(count(QStringLiteral("collstud")), 0);
    EXPECT_EQ(run.beforeLine, QStringLiteral("Records Before Importing : 0"));
    EXPECT_EQ(run.afterLine, QString());
}

struct RangeCase
{
    const char *univ;
    const char *college;
    bool refused;
};

TEST_F(CsvImport, collegeRangeOf041StopsAbove6000Only)
{
    const QString path = writeCsv(QStringLiteral("r.csv"), {kHeading});
    const RangeCase cases[] = {{"041", "6000", false}, {"041", "6001", true},   {"041", " 6000.5 ", true},
                               {"042", "6001", false}, {"041", "-3", false},    {"041", "0999", false}};
    for (const RangeCase &rc : cases) {
        CsvImportRequest r{QLatin1String(rc.univ), path, QLatin1String(rc.college), ImportPlan::Fast};
        CsvShape shape;
        const ImportRefusal refusal = checkCsvImport(QStringLiteral("U"), r, &shape);
        EXPECT_EQ(!refusal.text.isEmpty(), rc.refused) << rc.univ << " " << rc.college;
        if (rc.refused) {
            EXPECT_EQ(refusal.text, QStringLiteral("Error in university selection!!"));
            EXPECT_TRUE(refusal.critical);
        }
    }
}

TEST_F(CsvImport, collegeThatIsNoNumberIsATypeMismatchWhateverTheUniversity)
{
    for (const char *univ : {"041", "042"}) {
        CsvImportRequest r{QLatin1String(univ), writeCsv(QStringLiteral("t.csv"), {kHeading}), QStringLiteral("ABC"),
                           ImportPlan::Fast};
        CsvShape shape;
        try {
            checkCsvImport(QStringLiteral("U"), r, &shape);
            FAIL() << "ABC passed as a college range";
        } catch (const AppError &e) {
            EXPECT_EQ(formatError(ErrorStyle::NumberCommaDescription, e), QStringLiteral("13, Type mismatch"));
        }
    }
}

TEST_F(CsvImport, missingFieldsAreRefusedBeforeAnythingRuns)
{
    CsvShape shape;
    const CsvImportRequest blanks[] = {
            {QStringLiteral("041"), QStringLiteral("   "), QStringLiteral("2001"), ImportPlan::Fast},
            {QStringLiteral("041"), QStringLiteral("a.csv"), QStringLiteral("  "), ImportPlan::Fast}};
    for (const CsvImportRequest &r : blanks)
        EXPECT_EQ(checkCsvImport(QStringLiteral("U"), r, &shape).text, QStringLiteral("Information should be entered!!"));
    const CsvImportRequest ok{QStringLiteral("041"), QStringLiteral("a.csv"), QStringLiteral("2001"), ImportPlan::Fast};
    EXPECT_EQ(checkCsvImport(QString(), ok, &shape).text, QStringLiteral("Information should be entered!!"));
}

TEST_F(CsvImport, blankNamesGoFirstAndBlankMobilesGoToTheNoNumberTable)
{
    admin(QStringLiteral("insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname) values"
                         "('1', '2001', 'BA', '   ', 'Old blank')"));
    const ImportRun run = importFile(writeCsv(QStringLiteral("b.csv"),
                                              {kHeading, QStringLiteral("1,2001,BA,,9000000001,a@x"),
                                               QStringLiteral("2,2001,BA,   ,9000000002,b@x"),
                                               QStringLiteral("3,2001,BA,Chitra,   ,c@x"),
                                               QStringLiteral("4,2001,BA,Devi,,d@x"),
                                               QStringLiteral("5,2001,BA,Esther,9000000005,e@x")}));
    EXPECT_EQ(run.counters.sheet, 5);
    EXPECT_EQ(run.counters.nameEmpty, 2);
    EXPECT_EQ(run.counters.noMobile, 2);
    EXPECT_EQ(run.counters.dupDb, 0);
    EXPECT_EQ(run.counters.finalUploaded, 1);
    EXPECT_EQ(dump(QStringLiteral("collstudnb"), QStringLiteral("fslno, fname, fmobileno")),
              QStringLiteral("3|Chitra|   \n4|Devi|"));
    EXPECT_EQ(count(QStringLiteral("collstud"), QStringLiteral("fname = 'Esther'")), 1);
}

TEST_F(CsvImport, twoLinesWithOneMobileBothGoToDuplicatesAndNeitherIsStored)
{
    const ImportRun run = importFile(writeCsv(QStringLiteral("d.csv"),
                                              {kHeading, QStringLiteral("1,2001,BA,Anu,9000000001,a@x"),
                                               QStringLiteral("2,2001,BSC,Bala,9000000001,b@x"),
                                               QStringLiteral("3,2001,BA,Chitra,9000000003,c@x")}));
    EXPECT_EQ(run.counters.dupSheet, 2);
    EXPECT_EQ(run.counters.finalUploaded, 1);
    EXPECT_EQ(dump(QStringLiteral("collstuddup"), QStringLiteral("fname, fmobileno, fdeleted")),
              QStringLiteral("Anu|9000000001|X\nBala|9000000001|X"));
    EXPECT_EQ(count(QStringLiteral("collstud"), QStringLiteral("fmobileno = '9000000001'")), 0);
}

TEST_F(CsvImport, sameFileTwiceAddsNothingAndCountsNowhereTheSecondTime)
{
    const QString path = writeCsv(QStringLiteral("twice.csv"), {kHeading, QStringLiteral("1,2001,BA,Anu,9000000001,a@x"),
                                                                 QStringLiteral("2,2001,BSC,Bala,9000000002,b@x")});
    const ImportRun first = importFile(path);
    EXPECT_EQ(first.counters.finalUploaded, 2);
    // group_concat has no order of its own: either order of the degrees is the server's answer.
    EXPECT_TRUE(first.afterLine == QStringLiteral("Records After Importing : BA - 1, BSC - 1") ||
                first.afterLine == QStringLiteral("Records After Importing : BSC - 1, BA - 1"))
        << first.afterLine.toStdString();
    const ImportRun second = importFile(path);
    EXPECT_EQ(second.counters.sheet, 2);
    EXPECT_EQ(second.counters.dupDb, 0);
    EXPECT_EQ(second.counters.dupSheet, 0);
    EXPECT_EQ(second.counters.finalUploaded, 0);
    EXPECT_EQ(second.beforeLine, QStringLiteral("Records Before Importing : ") + first.afterLine.mid(26));
    EXPECT_EQ(count(QStringLiteral("collstud")), 2);
    EXPECT_EQ(count(QStringLiteral("collstuddup")), 0);
}

TEST_F(CsvImport, studentStoredUnderAnotherCollegeIsADuplicateInTheDatabase)
{
    admin(QStringLiteral("insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname) values"
                         "('9', '2002', 'BA', '9000000001', 'Anu elsewhere')"));
    const ImportRun run = importFile(writeCsv(QStringLiteral("o.csv"),
                                              {kHeading, QStringLiteral("1,2001,BA,Anu,9000000001,a@x"),
                                               QStringLiteral("2,2001,BA,Bala,9000000002,b@x")}));
    EXPECT_EQ(run.counters.dupDb, 1);
    EXPECT_EQ(run.counters.finalUploaded, 1);
    EXPECT_EQ(dump(QStringLiteral("collstuddup"), QStringLiteral("fname, fcollcode")), QStringLiteral("Anu|2001"));
    EXPECT_EQ(count(QStringLiteral("collstud"), QStringLiteral("fmobileno = '9000000001'")), 1);
}

TEST_F(CsvImport, crlfAndLfFilesStoreTheSameValues)
{
    const QStringList lines{kHeading, QStringLiteral("1,2001,BA,Anu,9000000001,anu@mail.example"),
                            QStringLiteral("2,2001,BA,\"Bala, K\",9000000002,\"bala@mail.example\"")};
    importFile(writeCsv(QStringLiteral("lf.csv"), lines));
    const QString lf = dump(QStringLiteral("collstud"), QStringLiteral("fslno, fcollcode, fdegree, fname, fmobileno, femail"));
    emptyStudentTables();
    importFile(writeCsv(QStringLiteral("crlf.csv"), lines, QStringLiteral("\r\n")));
    const QString crlf =
            dump(QStringLiteral("collstud"), QStringLiteral("fslno, fcollcode, fdegree, fname, fmobileno, femail"));
    EXPECT_EQ(crlf, lf);
    EXPECT_FALSE(crlf.contains(QLatin1Char('\r')));
    EXPECT_TRUE(lf.contains(QStringLiteral("Bala, K")));
}

TEST_F(CsvImport, pathAndCollegeWithQuotesAreSplicedSafely)
{
    QDir(dir.path()).mkpath(QStringLiteral("O'Brien's \\ uploads"));
    const QString path = writeCsv(QStringLiteral("O'Brien's \\ uploads/it's.csv"),
                                  {kHeading, QStringLiteral("1,2001,BA,O'Neil,9000000001,o@x")});
    const ImportRun run = importFile(path);
    EXPECT_EQ(run.counters.finalUploaded, 1);
    EXPECT_EQ(count(QStringLiteral("collstud"), QStringLiteral("fname = 'O''Neil'")), 1);
    // A quote in the college text reaches the counts as a value, not as SQL.
    EXPECT_EQ(collegeCounts(kDb, QStringLiteral("1' or '1' = '1")), QString());
}

TEST_F(CsvImport, unusableFilesAreNamedWithTheirCauseAndTouchNoTable)
{
    admin(QStringLiteral("insert into corvane3_tsc.tmpcollstud(fname) values('left from the last upload')"));
    struct Case
    {
        QString path;
        qint64 number;
        QString cause;
    };
    const Case cases[] = {
            {dir.filePath(QStringLiteral("nowhere.csv")), 53, QStringLiteral("does not exist")},
            {dir.path(), 75, QStringLiteral("not a file")},
            {writeCsv(QStringLiteral("zero.csv"), {}, QString()), 5, QStringLiteral("empty")},
            {writeCsv(QStringLiteral("five.csv"), {kHeading, QStringLiteral("1,2001,BA,Anu,9000000001")}), 5,
             QStringLiteral("line 2 has 5 fields")},
            {writeCsv(QStringLiteral("head.csv"), {QStringLiteral("Sl No;College;Degree")}), 5,
             QStringLiteral("line 1 has 1 fields")},
            {writeCsv(QStringLiteral("seven.csv"), {kHeading, QStringLiteral("1,2001,BA,Anu,9000000001,a@x"),
                                                    QStringLiteral("2,2001,BA,Bala,9000000002,b@x,extra")}),
             5, QStringLiteral("line 3 has 7 fields")},
    };
    for (const Case &c : cases) {
        CsvImportRequest r{QStringLiteral("041"), c.path, QStringLiteral("2001"), ImportPlan::Fast};
        CsvShape shape;
        try {
            checkCsvImport(QStringLiteral("U"), r, &shape);
            ADD_FAILURE() << "accepted " << c.path.toStdString();
        } catch (const AppError &e) {
            EXPECT_EQ(e.number(), c.number) << c.path.toStdString();
            EXPECT_TRUE(e.description().contains(c.path)) << e.description().toStdString();
            EXPECT_TRUE(e.description().contains(c.cause)) << e.description().toStdString();
        }
    }
    EXPECT_EQ(count(QStringLiteral("tmpcollstud")), 1);
}

TEST_F(CsvImport, quotedFieldsMayHoldCommasAndLineEnds)
{
    const CsvShape shape = inspectCsv(writeCsv(
            QStringLiteral("q.csv"), {kHeading, QStringLiteral("1,2001,BA,\"Anu,\nRaman\",9000000001,a@x"),
                                      QStringLiteral("2,2001,BA,Bala \\, K,9000000002,b@x")}));
    EXPECT_EQ(shape.records, 3);
    EXPECT_FALSE(shape.crlf);
}

TEST_F(CsvImport, serverRefusingTheLoadNamesTheFileAndStoresNothing)
{
    admin(QStringLiteral("set global local_infile = 0"));
    const QString path =
            writeCsv(QStringLiteral("refused.csv"), {kHeading, QStringLiteral("1,2001,BA,Anu,9000000001,a@x")});
    CsvImportRequest request{QStringLiteral("041"), path, QStringLiteral("2001"), ImportPlan::Fast};
    CsvShape shape;
    checkCsvImport(QStringLiteral("U"), request, &shape);
    ImportRun run;
    HandlerOptions options;
    options.style = ErrorStyle::NumberCommaDescription;
    options.icon = Icon::None;
    const bool ok = runHandled(options, [&](int) { importCsv(request, shape, run, {}); });
    admin(QStringLiteral("set global local_infile = 1"));
    EXPECT_FALSE(ok);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.last().text.contains(QStringLiteral("The file %1 could not be loaded: ").arg(path)))
            << ui.last().text.toStdString();
    EXPECT_EQ(count(QStringLiteral("collstud")), 0);
    EXPECT_EQ(count(QStringLiteral("collstudnb")), 0);
}

TEST_F(CsvImport, summaryTextIsExact)
{
    ImportRun run;
    run.counters = ImportCounters{7, 1, 2, 3, 0, 1};
    run.beforeLine = QStringLiteral("Records Before Importing : 0");
    run.afterLine = QStringLiteral("Records After Importing : BA - 1");
    EXPECT_EQ(importSummary(run),
              QStringLiteral("Importing data completed!!\r\n\r\nExcel Sheet Count : 7\r\n\r\nName Empty Deleted : 1"
                             "\r\n\r\nWithout Mobile No. : 2\r\n\r\nDuplicate in Excel Sheet : 3\r\n\r\nDuplicate in DB "
                             ": 0\r\n\r\nFinal Uploaded : 1\r\n\r\nRecords Before Importing : 0\r\n\r\nRecords After "
                             "Importing : BA - 1"));
}

// A connection killed at any statement: the import reconnects and finishes
// with the same rows and counts as an undisturbed run, nothing stored twice.
TEST_F(CsvImport, killedConnectionResumesWithoutStoringTwice)
{
    admin(QStringLiteral("insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname) values"
                         "('9', '2002', 'BA', '9000000003', 'Elsewhere'), ('8', '2001', 'BA', '9000000004', 'Here')"));
    const QString path = writeCsv(QStringLiteral("k.csv"),
                                  {kHeading, QStringLiteral("1,2001,BA,Anu,9000000001,a@x"),
                                   QStringLiteral("2,2001,BA,Bala,9000000001,b@x"),
                                   QStringLiteral("3,2001,BA,Chitra,9000000003,c@x"),
                                   QStringLiteral("4,2001,BA,Devi,9000000004,d@x"), QStringLiteral("5,2001,BA,,1,e@x"),
                                   QStringLiteral("6,2001,BA,Farah, ,f@x"), QStringLiteral("7,2001,BSC,Gita,9000000007,g@x")});
    const ImportRun clean = importFile(path);
    const QString tables = dump(QStringLiteral("collstud"), QStringLiteral("fname, fcollcode")) + QLatin1Char('#') +
                           dump(QStringLiteral("collstuddup"), QStringLiteral("fname")) + QLatin1Char('#') +
                           dump(QStringLiteral("collstudnb"), QStringLiteral("fname"));
    const int steps = int(csvImportSteps(kDb, path, CsvShape()).size());
    for (int killAt = 0; killAt < steps; ++killAt) {
        emptyStudentTables();
        admin(QStringLiteral("insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname) values"
                             "('9', '2002', 'BA', '9000000003', 'Elsewhere'), ('8', '2001', 'BA', '9000000004', 'Here')"));
        bool killed = false;
        const ImportRun run = importFile(path, QStringLiteral("2001"), [&](int index, int, const QString &) {
            if (index == killAt && !killed) {
                killed = true;
                killConn();
            }
        });
        EXPECT_TRUE(killed);
        const QString after = dump(QStringLiteral("collstud"), QStringLiteral("fname, fcollcode")) + QLatin1Char('#') +
                              dump(QStringLiteral("collstuddup"), QStringLiteral("fname")) + QLatin1Char('#') +
                              dump(QStringLiteral("collstudnb"), QStringLiteral("fname"));
        EXPECT_EQ(after, tables) << "killed before statement " << killAt;
        EXPECT_EQ(run.counters.sheet, clean.counters.sheet) << killAt;
        EXPECT_EQ(run.counters.dupSheet, clean.counters.dupSheet) << killAt;
        EXPECT_EQ(run.counters.dupDb, clean.counters.dupDb) << killAt;
        EXPECT_EQ(run.counters.finalUploaded, clean.counters.finalUploaded) << killAt;
        EXPECT_EQ(run.beforeLine, clean.beforeLine) << killAt;
    }
}

// The append after a lost reply: even when the rows did reach collstud, the
// retry drops them as already stored instead of adding them again.
TEST_F(CsvImport, retriedAppendNeverStoresAStudentTwice)
{
    const QString path =
            writeCsv(QStringLiteral("a.csv"), {kHeading, QStringLiteral("1,2001,BA,Anu,9000000001,a@x")});
    const int append = indexOf(QStringLiteral("Adding the new students"));
    bool done = false;
    importFile(path, QStringLiteral("2001"), [&](int index, int, const QString &) {
        if (index == append && !done) {
            done = true;
            // The statement went through but its answer never came back.
            Conn::execute(QStringLiteral("insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, "
                                         "femail, fname, fimpdate) select fslno, fcollcode, fdegree, fmobileno, femail, "
                                         "fname, fimpdate from corvane3_tsc.tmpcollstud"));
            killConn();
        }
    });
    EXPECT_EQ(count(QStringLiteral("collstud")), 1);
}

// The faster statements must leave every table as the statements as first
// written do, for a file that exercises every rule.
TEST_F(CsvImport, fastStatementsGiveTheSameRowsAsTheLiteralOnes)
{
    const QStringList lines{kHeading,
                            QStringLiteral("1,2001,BA,Anu,9000000001,a@x"),
                            QStringLiteral("2,2001,BA,Bala,9000000001,b@x"),
                            QStringLiteral("3,2001,BSC,Chitra,9000000003,c@x"),
                            QStringLiteral("4,2001,BA,Devi,9000000004,d@x"),
                            QStringLiteral("5,2001,BA,   ,9000000005,e@x"),
                            QStringLiteral("6,2001,BA,Farah,  ,f@x"),
                            QStringLiteral("7,2001,BCOM,\"Gita, R\",9000000007,g@x"),
                            QStringLiteral("8,2002,BA,Hari,9000000008,h@x")};
    const QString path = writeCsv(QStringLiteral("same.csv"), lines, QStringLiteral("\r\n"));
    const QString stored = QStringLiteral(
            "insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname, fimpdate) values"
            "('9', '2002', 'BA', '9000000003', 'Elsewhere', '2020-01-01'), "
            "('8', '2001', 'BA', '9000000004', 'Here', '2020-01-01')");
    const auto everything = [&] {
        QString all;
        const QString cols = QStringLiteral("fslno, fcollcode, fdegree, fname, fmobileno, femail");
        all += dump(QStringLiteral("collstud"), cols + QStringLiteral(", fimpdate is null")) + QLatin1Char('#');
        all += dump(QStringLiteral("collstudnb"), cols) + QLatin1Char('#');
        all += dump(QStringLiteral("collstuddup"), cols + QStringLiteral(", fdeleted, fimpdate is null")) +
               QLatin1Char('#');
        all += dump(QStringLiteral("tmpcollstud"), cols + QStringLiteral(", fdeleted, fintid, fimpdate is null")) +
               QLatin1Char('#');
        all += dump(QStringLiteral("tmpcollstuddup"), QStringLiteral("fmobileno, fcnt"));
        return all;
    };
    admin(stored);
    const ImportRun literal = importFile(path, QStringLiteral("2001"), {}, ImportPlan::Literal);
    const QString literalRows = everything();
    emptyStudentTables();
    admin(stored);
    const ImportRun fast = importFile(path, QStringLiteral("2001"), {}, ImportPlan::Fast);
    EXPECT_EQ(everything(), literalRows);
    // group_concat orders the degrees as the server happens to read them.
    const auto canonical = [](const ImportRun &run) {
        QStringList lines = importSummary(run).split(QStringLiteral("\r\n"));
        for (QString &line : lines) {
            const int colon = int(line.indexOf(QStringLiteral(" : ")));
            if (colon < 0)
                continue;
            QStringList pairs = line.mid(colon + 3).split(QStringLiteral(", "));
            pairs.sort();
            line = line.left(colon + 3) + pairs.join(QStringLiteral(", "));
        }
        return lines.join(QLatin1Char('|'));
    };
    EXPECT_EQ(canonical(fast), canonical(literal));
    EXPECT_EQ(fast.counters.sheet, 8);
    EXPECT_EQ(fast.counters.finalUploaded, 2);
}

} // namespace
