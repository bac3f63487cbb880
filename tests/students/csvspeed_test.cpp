// The faster import statements against the statements as first written, on
// data that exercises every rule at once, compared row by row.
#include "core/services/database.h"
#include "core/students/studentimport.h"

#include "studentsfixture.h"

using namespace students;

namespace {

const QString kHeading = QStringLiteral("Sl No,College,Degree,Name,Mobile,Email");

class CsvSpeed : public StudentsTest
{
protected:
    // Stored students: one number under another college, one under this
    // college, one under both, one blank, one differing only in case and a
    // trailing blank, one without a college.
    void seed()
    {
        admin(QStringLiteral(
                "insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname, fimpdate) values"
                "('1', '2002', 'BA', '9000000003', 'Elsewhere', '2020-01-01'),"
                "('2', '2001', 'BA', '9000000004', 'Here', '2020-01-01'),"
                "('3', '2001', 'BA', '9000000010', 'Both here', '2020-01-01'),"
                "('4', '3001', 'BA', '9000000010', 'Both there', '2020-01-01'),"
                "('5', '2001', 'BA', '   ', 'Blank', '2020-01-01'),"
                "('6', '2001', 'BA', 'ab12', 'Case', '2020-01-01'),"
                "('7', null, 'BA', '9000000012', 'No college', '2020-01-01')"));
    }

    QStringList rows(const QString &table, const QString &columns, const QString &order)
    {
        QStringList out;
        const Rows r = Conn::query(QStringLiteral("select concat_ws('|', %2) as r from corvane3_tsc.%1 order by %3")
                                           .arg(table, columns, order));
        for (int i = 0; i < r.size(); ++i)
            out << r.value(QStringLiteral("r"), i);
        return out;
    }

    QStringList everything()
    {
        const QString q = QStringLiteral("quote(fslno), quote(fcollcode), quote(fdegree), quote(fname), "
                                         "quote(fmobileno), quote(femail)");
        const QString wide = q + QStringLiteral(", quote(ffatname), quote(fsub10), quote(fdeleted), quote(fintid), "
                                                "fimpdate is null");
        QStringList all;
        all << QStringLiteral("collstud")
            << rows(QStringLiteral("collstud"), q + QStringLiteral(", fimpdate is null, fimpdate < '2021-01-01'"),
                    QStringLiteral("r"));
        all << QStringLiteral("collstudnb") << rows(QStringLiteral("collstudnb"), q, QStringLiteral("r"));
        all << QStringLiteral("collstuddup") << rows(QStringLiteral("collstuddup"), wide, QStringLiteral("r"));
        all << QStringLiteral("tmpcollstud") << rows(QStringLiteral("tmpcollstud"), wide, QStringLiteral("fintid"));
        all << QStringLiteral("tmpcollstuddup")
            << rows(QStringLiteral("tmpcollstuddup"), QStringLiteral("quote(fmobileno), fcnt"), QStringLiteral("r"));
        return all;
    }

    static QString counts(const ImportCounters &c)
    {
        return QStringLiteral("%1 %2 %3 %4 %5 %6")
                .arg(c.sheet)
                .arg(c.nameEmpty)
                .arg(c.noMobile)
                .arg(c.dupSheet)
                .arg(c.dupDb)
                .arg(c.finalUploaded);
    }

    ImportRun import(const QString &path, ImportPlan plan, const StepObserver &observer = {})
    {
        CsvImportRequest request{QStringLiteral("041"), path, QStringLiteral("2001"), plan};
        CsvShape shape;
        EXPECT_TRUE(checkCsvImport(QStringLiteral("U"), request, &shape).text.isEmpty());
        ImportRun run;
        for (int attempt = 0; attempt < 3; ++attempt) {
            try {
                importCsv(request, shape, run, observer);
                return run;
            } catch (const AppError &e) {
                if (!e.isGoneAway())
                    throw;
                Conn::open();
            }
        }
        ADD_FAILURE() << "no import after three attempts";
        return run;
    }

    QString mixedFile()
    {
        QStringList lines{kHeading};
        const char *mobiles[] = {"9000000001", "9000000001", "9000000003", "9000000004", "9000000005",
                                 "  ",         "",           "9000000003", "9000000010", "9000000011 ",
                                 "9000000011", "AB12 ",      "9000000012", "9000000013", "9000000013",
                                 "9000000014", "\"\"",        "9000000004 ", "9000000015", "9000000016"};
        const char *names[] = {"Anu", "Bala", "Chitra", "Devi", "  ", "Farah", "Gita", "Hari", "Indu", "Jaya",
                               "Kala", "Lata", "Mala", "Nila", "", "Oviya", "Padma", "Rani", "Selvi", "Tara"};
        for (int i = 0; i < 20; ++i) {
            const QString college = i == 18 ? QStringLiteral("2002") : QStringLiteral("2001");
            lines << QStringLiteral("%1,%2,%3,\"%4\",%5,m%1@x")
                             .arg(i + 1)
                             .arg(college, i % 3 ? QStringLiteral("BA") : QStringLiteral("BSC"),
                                  QLatin1String(names[i]), QLatin1String(mobiles[i]));
        }
        return writeCsv(QStringLiteral("mixed.csv"), lines, QStringLiteral("\r\n"));
    }
};

TEST_F(CsvSpeed, fastAndLiteralStatementsLeaveEveryTableAlike)
{
    const QString path = mixedFile();
    seed();
    const ImportRun literal = import(path, ImportPlan::Literal);
    const QStringList literalRows = everything();
    emptyStudentTables();
    seed();
    const ImportRun fast = import(path, ImportPlan::Fast);
    EXPECT_EQ(everything(), literalRows);
    EXPECT_EQ(counts(fast.counters), counts(literal.counters));
    EXPECT_EQ(fast.beforeLine, literal.beforeLine);
    // Something in every counter, so no rule went untested.
    EXPECT_EQ(counts(literal.counters), QStringLiteral("20 2 3 8 1 4"));

    // A second import of the same file: everything is already stored.
    const ImportRun fastAgain = import(path, ImportPlan::Fast);
    const QStringList fastAgainRows = everything();
    emptyStudentTables();
    seed();
    import(path, ImportPlan::Literal);
    const ImportRun literalAgain = import(path, ImportPlan::Literal);
    EXPECT_EQ(fastAgainRows, everything());
    EXPECT_EQ(counts(fastAgain.counters), counts(literalAgain.counters));
}

// The de-duplication as the Excel import runs it, on a staging table filled
// by hand with what a load never writes (no mobile number at all, no college).
TEST_F(CsvSpeed, dedupStepsAgreeOnAHandFilledStagingTable)
{
    const QString fill = QStringLiteral(
            "insert into corvane3_tsc.tmpcollstud(fslno, fcollcode, fdegree, fname, fmobileno, femail, fimpdate) "
            "values ('1', '2001', 'BA', 'A', null, 'a', now()), ('2', null, 'BA', 'B', '9000000003', 'b', now()),"
            "('3', '2001', 'BA', 'C', '9000000010', 'c', now()), ('4', '2001', 'BA', 'D', '9000000020', 'd', now()),"
            "('5', '2001', 'BA', 'E', '9000000020', 'e', now()), ('6', '2001', 'BA', 'F', '9000000012', 'f', now()),"
            "('7', '2001', 'BA', 'G', '9000000021', 'g', now()), ('8', '2001', 'BA', 'H', '   ', 'h', now())");
    QStringList results;
    QStringList counters;
    for (ImportPlan plan : {ImportPlan::Literal, ImportPlan::Fast}) {
        emptyStudentTables();
        seed();
        admin(QStringLiteral("truncate table corvane3_tsc.tmpcollstud"));
        admin(fill);
        ImportRun run;
        runImportSteps(dedupSteps(kDb, plan), run, {});
        results << everything().join(QLatin1Char('\n'));
        counters << counts(run.counters);
    }
    EXPECT_EQ(results.at(1), results.at(0));
    EXPECT_EQ(counters.at(1), counters.at(0));
}

// A connection lost before any statement of the faster plan: the tables end
// as after an undisturbed literal import.
TEST_F(CsvSpeed, fastPlanKilledAnywhereEndsLikeTheLiteralOne)
{
    const QString path = mixedFile();
    seed();
    const ImportRun literal = import(path, ImportPlan::Literal);
    QStringList expected = everything();
    const int steps = int(csvImportSteps(kDb, path, CsvShape(), ImportPlan::Fast).size());
    for (int killAt = 0; killAt < steps; ++killAt) {
        emptyStudentTables();
        seed();
        bool killed = false;
        const ImportRun run = import(path, ImportPlan::Fast, [&](int index, int, const QString &) {
            if (index == killAt && !killed) {
                killed = true;
                killConn();
            }
        });
        EXPECT_TRUE(killed) << killAt;
        EXPECT_EQ(everything(), expected) << "killed before statement " << killAt;
        EXPECT_EQ(counts(run.counters), counts(literal.counters)) << killAt;
    }
}

// The append's reply lost after it stored the students: the retry drops them
// from the staging table exactly as the literal statements do.
TEST_F(CsvSpeed, lostAppendReplyEndsLikeTheLiteralRetry)
{
    const QString path = mixedFile();
    QStringList results;
    for (ImportPlan plan : {ImportPlan::Literal, ImportPlan::Fast}) {
        emptyStudentTables();
        seed();
        const QVector<ImportStep> steps = csvImportSteps(kDb, path, CsvShape(), plan);
        const int append = int(steps.size()) - 1;
        bool done = false;
        const ImportRun run = import(path, plan, [&](int index, int, const QString &) {
            if (index == append && !done) {
                done = true;
                Conn::execute(steps.at(append).sql);
                killConn();
            }
        });
        EXPECT_TRUE(done);
        results << everything().join(QLatin1Char('\n')) + QStringLiteral("\nfinal ") +
                           QString::number(run.counters.finalUploaded);
    }
    EXPECT_EQ(results.at(1), results.at(0));
}

} // namespace
