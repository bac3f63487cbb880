// The student imports on one mixed data set: the CSV file with either line
// end and a byte-order mark, the same students as a workbook through the
// Excel student-list path, and every import unit cut at every statement.
#include "core/services/database.h"
#include "core/services/handler.h"
#include "core/services/session.h"
#include "core/students/studentimport.h"

#include "excelfixture.h"
#include "support/faultproxy.h"

#include <QFile>

using namespace students;
using namespace Qt::StringLiterals;

namespace {

struct Line
{
    const char *slno, *college, *degree, *name, *mobile, *email;
};

// One line per rule. Stored before: 9000000003 under college 2002, 9000000004
// and "ab12" under 2001, 9000000021 under no college, and a blank number.
const Line kLines[] = {
        {"1", "2001", "BA", "Anu", "9000000001", "a@x"},       // twice in the file
        {"2", "2001", "BA", "Bala", "9000000001", "b@x"},      //
        {"3", "2001", "BSC", "Chitra", "9000000003", "c@x"},   // stored under another college
        {"4", "2001", "BA", "Devi", "9000000004", "d@x"},      // stored under this one: dropped
        {"5", "2001", "BA", "   ", "9000000005", "e@x"},       // blank name
        {"6", "2001", "BA", "", "9000000006", "e@x"},          // no name
        {"7", "2001", "BA", "Farah", "  ", "f@x"},             // blank number
        {"8", "2001", "BA", "Hema", "", "h@x"},                // no number
        {"9", "2001", "BCOM", "Gita, R", "9000000009", "g@x"}, // quoted comma
        {"10", "2002", "BA", "O'Neil", "9000000010", "o@x"},   // the line's own college
        {"11", "2001", "BA", "Rao \"Kittu\"", "9000000011", "\\N"},
        {"12", "2001", "BA", "Zoë\\Ñandú", "9000000012", "z@x\\"}, // ends in a backslash
        {"13", "2001", "BSC", "Indu", "AB12 ", "i@x"},             // "ab12" as the server compares
        {"14", "2001", "BSC", "Jaya", "9000000020 ", "j@x"},       // twice, a trailing blank apart
        {"15", "2001", "BSC", "Kala", "9000000020", "k@x"},        //
        {"16", "2001", "BA", "Lata", "9000000021", "l@x"},         // stored under no college: dropped
};

const char *const kStored = "9|2001|BCOM|Gita, R|9000000009|g@x\n10|2002|BA|O'Neil|9000000010|o@x\n"
                            "11|2001|BA|Rao \"Kittu\"|9000000011|\\N\n12|2001|BA|Zoë\\Ñandú|9000000012|z@x\\";
const char *const kNoMobile = "7|2001|BA|Farah|  |f@x\n8|2001|BA|Hema||h@x";
const char *const kDuplicates = "1|2001|BA|Anu|9000000001|a@x|X\n2|2001|BA|Bala|9000000001|b@x|X\n"
                                "3|2001|BSC|Chitra|9000000003|c@x|X\n14|2001|BSC|Jaya|9000000020 |j@x|X\n"
                                "15|2001|BSC|Kala|9000000020|k@x|X";

QString csvField(const QString &value)
{
    if (!value.contains(u',') && !value.contains(u'"'))
        return value;
    return u'"' + QString(value).replace(u"\""_s, u"\"\""_s) + u'"';
}

class Imports : public ExcelTest
{
protected:
    static void seed()
    {
        admin(u"insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname, fimpdate) "
              u"values"
              "('9', '2002', 'BA', '9000000003', 'Elsewhere', '2020-01-01'), "
              "('8', '2001', 'BA', '9000000004', 'Here', '2020-01-01'), "
              "('6', '2001', 'BA', 'ab12', 'Case', '2020-01-01'), "
              "('7', null, 'BA', '9000000021', 'No college', '2020-01-01'), "
              "('1', '2001', 'BA', '   ', 'Old blank', '2020-01-01')"_s);
    }
    static void reset()
    {
        emptyStudentTables();
        seed();
        admin(u"insert into corvane3_tsc.college(fcollcode, fcollname) values ('2001', 'Lakeside College')"_s);
    }

    QString csvFile(const QString &name, const QString &eol, bool bom = false)
    {
        QStringList lines{u"Sl No,College,Degree,Name,Mobile,Email"_s};
        for (const Line &l : kLines)
            lines << QStringList{QString::fromUtf8(l.slno),   QString::fromUtf8(l.college),
                                 QString::fromUtf8(l.degree), csvField(QString::fromUtf8(l.name)),
                                 QString::fromUtf8(l.mobile), QString::fromUtf8(l.email)}
                             .join(u',');
        const QString path = writeCsv(name, lines, eol);
        if (bom) {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            const QByteArray data = "\xEF\xBB\xBF" + f.readAll();
            f.close();
            f.open(QIODevice::WriteOnly | QIODevice::Truncate);
            f.write(data);
        }
        return path;
    }
    QString listWorkbook()
    {
        SheetRows rows{listHeading()};
        for (const Line &l : kLines) {
            QVariantList row;
            for (const char *cell : {l.slno, l.college, l.degree, l.name, l.mobile, l.email})
                row << (*cell ? QVariant(QString::fromUtf8(cell)) : QVariant());
            rows << row;
        }
        return workbook(u"2001 list.xlsx"_s, rows);
    }

    static ImportResult importFile(const QString &path, ImportPlan plan = ImportPlan::Fast)
    {
        const CsvImportRequest request{u"041"_s, path, u"2001"_s, plan};
        ImportResult result;
        EXPECT_TRUE(runAsImport([&] { result = importCsv(kDb, request, inspectCsv(path)); }));
        return result;
    }
    ImportResult importWorkbook(const QString &path)
    {
        const SheetResult sheet = stage(u"041"_s, u"2001"_s, path);
        ImportResult result;
        EXPECT_TRUE(runAsImport(
                [&] { result = importStudentList(kDb, u"2001"_s, plainGrid(sheet), sheet.counters); }));
        return result;
    }

    static QString counts(const ImportCounters &c)
    {
        return u"%1 %2 %3 %4 %5 %6"_s.arg(c.sheet)
                .arg(c.nameEmpty)
                .arg(c.noMobile)
                .arg(c.dupSheet)
                .arg(c.dupDb)
                .arg(c.finalUploaded);
    }
    // The rows of a table that this import wrote, by serial number.
    static QString rows(const QString &table, const QString &extra = QString(), const QString &where = u"1"_s)
    {
        return adminValue(
                u"select group_concat(concat_ws('|', fslno, ifnull(fcollcode, ''), fdegree, fname, "
                "ifnull(fmobileno, ''), ifnull(femail, '')%3) order by cast(fslno as unsigned), fname "
                "separator '\\n') from corvane3_tsc.%1 where %2"_s.arg(table, where, extra));
    }
    static QString stored() { return rows(u"collstud"_s, {}, u"fimpdate > '2021-01-01'"_s); }
    // Every student table, staging included, for comparing two runs.
    static QString everything()
    {
        const QString wide =
                u", ifnull(fdeleted, ''), fimpdate is null, concat_ws(',', ffatname, fgender, ffee, "
                "fsub01, fsub10)"_s;
        return rows(u"collstud"_s, u", fimpdate is null"_s) + u'#' + rows(u"collstudnb"_s) + u'#' +
               rows(u"collstuddup"_s, wide) + u'#' + rows(u"tmpcollstud"_s, wide) + u'#' +
               adminValue(u"select group_concat(concat(quote(fmobileno), fcnt) order by fmobileno) from "
                          "corvane3_tsc.tmpcollstuddup"_s);
    }
};

// The same students through every way in; the second run of each stores
// nothing new, and lines stored for this college are counted nowhere.
TEST_F(Imports, everyRuleOnOneDataSetWhateverTheWayIn)
{
    const struct
    {
        const char *way;
        std::function<ImportResult()> run;
        const char *first, *again;
    } ways[] = {
            {"LF", [&, path = csvFile(u"lf.csv"_s, u"\n"_s)] { return importFile(path); }, "16 2 2 4 1 4",
             "16 2 2 4 1 0"},
            {"CRLF", [&, path = csvFile(u"crlf.csv"_s, u"\r\n"_s)] { return importFile(path); },
             "16 2 2 4 1 4", "16 2 2 4 1 0"},
            {"BOM and CRLF", [&, path = csvFile(u"bom.csv"_s, u"\r\n"_s, true)] { return importFile(path); },
             "16 2 2 4 1 4", "16 2 2 4 1 0"},
            // Nameless rows never reach the staging table from a workbook.
            {"workbook", [&] { return importWorkbook(listWorkbook()); }, "14 2 2 4 1 4", "14 2 2 4 1 0"},
    };
    for (const auto &w : ways) {
        SCOPED_TRACE(w.way);
        reset();
        const ImportResult first = w.run();
        EXPECT_EQ(counts(first.counters), QLatin1String(w.first));
        EXPECT_EQ(first.beforeLine, u"Records Before Importing : BA - 3"_s);
        EXPECT_EQ(first.afterLine, u"Records After Importing : BA - 5, BCOM - 1"_s);
        EXPECT_EQ(stored(), QString::fromUtf8(kStored));
        EXPECT_EQ(rows(u"collstudnb"_s), QString::fromUtf8(kNoMobile));
        EXPECT_EQ(rows(u"collstuddup"_s, u", fdeleted"_s), QString::fromUtf8(kDuplicates));
        const ImportResult again = w.run();
        EXPECT_EQ(counts(again.counters), QLatin1String(w.again));
        EXPECT_EQ(again.beforeLine, u"Records Before Importing : BA - 5, BCOM - 1"_s);
        EXPECT_EQ(stored(), QString::fromUtf8(kStored));
    }
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
    // A quote in the college reaches the counts as a value, not as SQL.
    EXPECT_EQ(collegeCounts(kDb, u"1' or '1' = '1"_s), QString());
}

// The one-statement-per-rule plan is the oracle of the faster one: every
// table, staging included, and every counter alike, twice over.
TEST_F(Imports, fastStatementsLeaveEveryTableAsTheLiteralOnes)
{
    const QString path = csvFile(u"same.csv"_s, u"\r\n"_s);
    QStringList runs[2];
    for (ImportPlan plan : {ImportPlan::Literal, ImportPlan::Fast}) {
        reset();
        for (int round = 0; round < 2; ++round)
            runs[int(plan)] << counts(importFile(path, plan).counters) + u'\n' + everything();
    }
    EXPECT_EQ(runs[1], runs[0]);
}

// What the file checks refuse is refused before any table is touched, with
// the file, the line and the cause named.
TEST_F(Imports, badEntriesAndFilesAreRefusedNamingLineAndCause)
{
    admin(u"insert into corvane3_tsc.tmpcollstud(fname) values('left from the last upload')"_s);
    const QString head = u"Sl No,College,Degree,Name,Mobile,Email"_s;
    const QString ok = writeCsv(u"ok.csv"_s, {head});
    const QString missing = dir.filePath(u"nowhere.csv"_s);
    const struct
    {
        QString univ, path, college, outcome;
    } entries[] = {
            {u"041"_s, ok, u"6000"_s, u"ok"_s},
            {u"042"_s, ok, u"6001"_s, u"ok"_s},
            {u"041"_s, ok, u"6001"_s, u"Error in university selection!! (critical)"_s},
            {u"041"_s, ok, u" 6000.5 "_s, u"Error in university selection!! (critical)"_s},
            {u"042"_s, ok, u"ABC"_s, u"13, Type mismatch"_s},
            {u"041"_s, u"   "_s, u"2001"_s, u"Information should be entered!!"_s},
            {u"041"_s, ok, u"  "_s, u"Information should be entered!!"_s},
            {u"041"_s, missing, u"2001"_s,
             u"53, The file %1 cannot be imported: it does not exist."_s.arg(missing)},
            {u"041"_s, dir.path(), u"2001"_s,
             u"75, The file %1 cannot be imported: it is not a file."_s.arg(dir.path())},
    };
    const auto checked = [](const QString &univ, const QString &path, const QString &college) {
        CsvShape shape;
        try {
            const ImportRefusal r = checkCsvImport(u"U"_s, CsvImportRequest{univ, path, college}, &shape);
            return r.text.isEmpty() ? u"ok"_s : r.text + (r.critical ? u" (critical)"_s : QString());
        } catch (const AppError &e) {
            return formatError(ErrorStyle::NumberCommaDescription, e);
        }
    };
    for (const auto &e : entries)
        EXPECT_EQ(checked(e.univ, e.path, e.college), e.outcome)
                << e.univ.toStdString() << e.college.toStdString();

    const QString good = u"1,2001,BA,Anu,9000000001,a@x"_s;
    const struct
    {
        QStringList lines;
        const char *cause;
    } files[] = {
            {{}, "it is empty"},
            {{head, u"1,2001,BA,Anu,9000000001"_s}, "line 2 has 5 fields; every line needs 6"},
            {{u"Sl No;College;Degree"_s, good}, "line 1 has 1 field; every line needs 6"},
            {{head, good, u"2,2001,BA,Bala,9,b@x,extra"_s}, "line 3 has 7 fields"},
            // The load would read every later line into Rao's name.
            {{head, u"1,1104,BA,\"Rao\" Jr,9300000010,a@x"_s, good, good},
             "line 2 has a quote inside the quoted field 4 that neither is doubled nor ends the field"},
            {{head, good, u"2,2001,BA,\"Bala,\n K\",9000000002,\"b@x"_s, good},
             "the quote that opens field 6 on line 4 is never closed"},
            // A quoted field may hold a comma and a line end; the count
            // goes on from the line after it.
            {{head, u"1,2001,BA,\"Anu,\nRaman\",9000000001,a@x"_s, u"2,2001"_s}, "line 4 has 2 fields"},
    };
    for (const auto &f : files) {
        const QString path = writeCsv(u"bad.csv"_s, f.lines, f.lines.isEmpty() ? QString() : u"\r\n"_s);
        const QString text = checked(u"041"_s, path, u"2001"_s);
        EXPECT_TRUE(text.startsWith(u"5, The file %1 cannot be imported: "_s.arg(path)) &&
                    text.contains(QLatin1String(f.cause)))
                << text.toStdString();
    }
    EXPECT_EQ(count(u"tmpcollstud"_s), 1);
}

TEST_F(Imports, aLoadTheServerRefusesNamesTheFileAndStoresNothing)
{
    admin(u"set global local_infile = 0"_s);
    const QString path = csvFile(u"refused.csv"_s, u"\n"_s);
    const bool ok = runAsImport([&] {
        importCsv(kDb, CsvImportRequest{u"041"_s, path, u"2001"_s}, inspectCsv(path));
    });
    admin(u"set global local_infile = 1"_s);
    EXPECT_FALSE(ok);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.last().text.contains(u"The file %1 could not be loaded: "_s.arg(path))) << ui.dump();
    EXPECT_EQ(count(u"collstud"_s) + count(u"collstudnb"_s) + count(u"collstuddup"_s), 0);
}

// Each import unit with the link cut before every statement and with the
// answer to every statement lost: the tables, serials included, and the
// summary equal those of an uncut run, with no message shown.
TEST_F(Imports, everyImportLandsOnceWhereverTheLinkIsCut)
{
    const QString csv = csvFile(u"cut.csv"_s, u"\r\n"_s);
    const QString list = listWorkbook();
    SheetRows appRows{appHeading()};
    for (int i = 1; i <= 6; ++i)
        appRows << appRow(QString::number(i), i % 2 ? u"BA"_s : u"BSC"_s, u"S%1"_s.arg(i), u"CATI"_s, 100 + i,
                          {u"ENG"_s, i % 3 ? u"HIS"_s : QString()}, u"900000000%1"_s.arg(i));
    const QString apps = workbook(u"2301.xlsx"_s, appRows);
    admin(u"insert into corvane3_023.studadm(fslno, fcollcode, fdegree, fappno) values ('0041', '2301', 'BA', 'X')"_s);

    QString summary;
    SheetResult sheet;
    const auto importCsvFile = [&] {
        runAsImport([&] {
            summary = importSummary(
                    importCsv(kDb, CsvImportRequest{u"041"_s, csv, u"2001"_s}, inspectCsv(csv)));
        });
    };
    const struct
    {
        const char *unit;
        std::function<void()> prepare, command;
        std::function<QString()> snapshot;
    } units[] = {
            {"CSV import", [] { reset(); }, importCsvFile, [&] { return summary + everything(); }},
            // Nothing new to append: only the lines without a number and the
            // duplicates tell whether the import is stored.
            {"the same CSV again",
             [&] {
                 reset();
                 importFile(csv);
             },
             importCsvFile, [&] { return summary + everything(); }},
            {"Excel student list",
             [&] {
                 reset();
                 sheet = stage(u"041"_s, u"2001"_s, list);
             },
             [&] {
                 runAsImport([&] {
                     summary = importSummary(
                             importStudentList(kDb, u"2001"_s, plainGrid(sheet), sheet.counters));
                 });
             },
             [&] { return summary + everything(); }},
            {"applications",
             [&] {
                 admin(QStringList{u"delete from corvane3_023.studadm where fappno <> 'X'"_s,
                                   u"delete from corvane3_023.options"_s,
                                   u"delete from corvane3_023.studoc"_s,
                                   u"delete from corvane3_023.admfeedetl"_s});
                 sheet = stage(u"023"_s, u"2301"_s, apps);
             },
             [&] {
                 const ApplicationResult r = importApps(plainGrid(sheet), 700);
                 summary = u"%1 %2 %3|"_s.arg(r.total).arg(r.beforeLine, r.afterLine);
             },
             [&] { return summary + applications(); }},
    };
    for (const auto &u : units) {
        SCOPED_TRACE(u.unit);
        expectSameUnderEveryCut(
                [&] {
                    ui.reset();
                    u.prepare();
                },
                u.command, [&] { return u.snapshot() + QString::fromStdString(ui.dump()); });
    }
    EXPECT_EQ(appCount(u"studadm"_s, u"fcreateuser = 'XLS'"_s), 6);
}

} // namespace
