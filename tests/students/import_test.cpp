// The student imports on one mixed data set (CSV with either line end and a
// byte-order mark, the same students as a workbook), the oracle, bad input,
// every import unit cut at every statement, and the two import screens.
#include "core/services/database.h"
#include "core/services/session.h"
#include "core/students/studentimport.h"
#include "gui/services/formutil.h"
#include "gui/students/csvimportscreen.h"
#include "gui/students/excelimportscreen.h"
#include "oracles/imports.h"

#include "studentsfixture.h"
#include "support/fakerelay.h"
#include "support/faultproxy.h"

#include <QFile>
#include <QMdiSubWindow>
#include <QProgressDialog>
#include <QTimer>

using namespace students;
using namespace Qt::StringLiterals;

namespace {

// One line per rule; reset() stores the numbers the comments name.
const char *const kLines[][6] = {
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

const char *const kStored = "10|2002|BA|O'Neil|9000000010|o@x\n11|2001|BA|Rao \"Kittu\"|9000000011|\\N\n"
                            "12|2001|BA|Zoë\\Ñandú|9000000012|z@x\\\n9|2001|BCOM|Gita, R|9000000009|g@x";
const char *const kNoMobile = "7|2001|BA|Farah|  |f@x\n8|2001|BA|Hema||h@x";
const char *const kDuplicates = "1|2001|BA|Anu|9000000001|a@x|X\n14|2001|BSC|Jaya|9000000020 |j@x|X\n"
                                "15|2001|BSC|Kala|9000000020|k@x|X\n2|2001|BA|Bala|9000000001|b@x|X\n"
                                "3|2001|BSC|Chitra|9000000003|c@x|X";

class Imports : public StudentsTest
{
protected:
    static void reset()
    {
        resetStudentTables();
        admin(u"insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname, fimpdate) "
              u"values "
              "('9', '2002', 'BA', '9000000003', 'Elsewhere', '2020-01-01'), "
              "('8', '2001', 'BA', '9000000004', 'Here', '2020-01-01'), "
              "('6', '2001', 'BA', 'ab12', 'Case', '2020-01-01'), "
              "('7', null, 'BA', '9000000021', 'No college', '2020-01-01'), "
              "('1', '2001', 'BA', '   ', 'Old blank', '2020-01-01')"_s);
    }
    QString csvFile(const QString &name, const QByteArray &eol, bool bom = false, QByteArray headEol = {})
    {
        QByteArray out = bom ? "\xEF\xBB\xBF" : "";
        out += "Sl No,College,Degree,Name,Mobile,Email" + (headEol.isEmpty() ? eol : headEol);
        for (const auto &l : kLines) {
            QByteArrayList cells(std::begin(l), std::end(l));
            if (cells[3].contains(',') || cells[3].contains('"'))
                cells[3] = '"' + cells[3].replace("\"", "\"\"") + '"';
            out += cells.join(',') + eol;
        }
        return writeFile(name, out);
    }
    QString listWorkbook()
    {
        SheetRows rows{listHeading()};
        for (const auto &l : kLines) {
            QVariantList row;
            for (const char *cell : l)
                row << (*cell ? QVariant(QString::fromUtf8(cell)) : QVariant());
            rows << row;
        }
        return workbook(u"2001 list.xlsx"_s, rows);
    }

    static ImportResult importFile(const QString &path, bool literal = false)
    {
        ImportResult result;
        runAsImport([&] {
            const CsvShape shape = inspectCsv(path);
            result = importCsv(kDb, CsvImportRequest{u"041"_s, path, u"2001"_s},
                               literal ? oracles::literalCsvImport(kDb, path, shape)
                                       : csvImportSteps(kDb, path, shape));
        });
        return result;
    }
    static ImportResult listImport(const SheetResult &sheet)
    {
        ImportResult result;
        runAsImport([&] { result = importStudentList(kDb, u"2001"_s, plainGrid(sheet), sheet.counters); });
        return result;
    }

    static QList<qint64> counts(const ImportCounters &c)
    {
        return {c.sheet, c.nameEmpty, c.noMobile, c.dupSheet, c.dupDb, c.finalUploaded};
    }
    static QString table(const QString &name, const QString &extra = QString(), const QString &where = u"1"_s)
    {
        return dump(
                u"corvane3_tsc."_s + name,
                u"fslno, ifnull(fcollcode, ''), fdegree, fname, ifnull(fmobileno, ''), ifnull(femail, '')"_s +
                        extra,
                where);
    }
    // Every imported application with its subjects, documents and fees.
    static QString applications()
    {
        return dump(
                u"corvane3_023.studadm a"_s,
                u"a.fdegree, a.fslno, a.fname, a.fgender, a.fcaste, a.ftotfee, a.femail, "
                "a.fappno = concat('523', a.internal_code), (select group_concat(o.fsubcode order by "
                "o.fsubcode) from corvane3_023.options o where o.fappno = a.fappno and o.fslno = a.fslno "
                "and o.fcollcode = a.fcollcode), (select group_concat(d.fdoctype order by d.fdoctype) from "
                "corvane3_023.studoc d where d.login_cnt = a.fappno and d.app_no = a.fslno), (select "
                "group_concat(f.famount order by f.fheadcode) from corvane3_023.admfeedetl f where "
                "f.fappno = a.fappno and f.fslno = a.fslno)"_s,
                u"a.fcreateuser = 'XLS'"_s, u"a.fdegree, a.fslno"_s);
    }
    // Every student table, staging included, for comparing two runs.
    static QString everything()
    {
        const QString wide =
                u", ifnull(fdeleted, ''), fimpdate is null, concat_ws(',', ffatname, fgender, ffee, "
                "fsub01, fsub10)"_s;
        return table(u"collstud"_s, u", fimpdate is null"_s) + u'#' + table(u"collstudnb"_s) + u'#' +
               table(u"collstuddup"_s, wide) + u'#' + table(u"tmpcollstud"_s, wide) + u'#' +
               dump(u"corvane3_tsc.tmpcollstuddup"_s, u"quote(fmobileno), fcnt"_s);
    }
};

// Every way in gives the same rows and counters; the second run stores nothing.
TEST_F(Imports, everyRuleOnOneDataSetWhateverTheWayIn)
{
    const QList<qint64> csvFirst{16, 2, 2, 4, 1, 4}, csvAgain{16, 2, 2, 4, 1, 0};
    const struct
    {
        const char *way;
        std::function<ImportResult()> run;
        QList<qint64> first, again;
    } ways[] = {
            {"LF", [&, path = csvFile(u"lf.csv"_s, "\n")] { return importFile(path); }, csvFirst, csvAgain},
            {"BOM, LF heading, CRLF lines",
             [&, path = csvFile(u"mixed.csv"_s, "\r\n", true, "\n")] { return importFile(path); }, csvFirst,
             csvAgain},
            // Nameless rows never reach the staging table from a workbook.
            {"workbook",
             [&] { return listImport(stage(u"041"_s, u"2001"_s, listWorkbook())); },
             {14, 2, 2, 4, 1, 4},
             {14, 2, 2, 4, 1, 0}},
    };
    const QString imported = u"fimpdate > '2021-01-01'"_s;
    for (const auto &w : ways) {
        SCOPED_TRACE(w.way);
        reset();
        const ImportResult first = w.run();
        EXPECT_EQ(counts(first.counters), w.first);
        EXPECT_EQ(first.beforeLine + u' ' + first.afterLine,
                  u"Records Before Importing : BA - 3 Records After Importing : BA - 5, BCOM - 1"_s);
        EXPECT_EQ(table(u"collstud"_s, {}, imported), QString::fromUtf8(kStored));
        EXPECT_EQ(table(u"collstudnb"_s), QString::fromUtf8(kNoMobile));
        EXPECT_EQ(table(u"collstuddup"_s, u", fdeleted"_s), QString::fromUtf8(kDuplicates));
        const ImportResult again = w.run();
        EXPECT_EQ(counts(again.counters), w.again);
        EXPECT_EQ(again.beforeLine, u"Records Before Importing : BA - 5, BCOM - 1"_s);
        EXPECT_EQ(table(u"collstud"_s, {}, imported), QString::fromUtf8(kStored));
    }
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
    // A quote in the college reaches the counts as a value, not as SQL.
    EXPECT_EQ(collegeCounts(kDb, u"1' or '1' = '1"_s), QString());
}

// The oracle and the product's statements leave every table and counter alike.
TEST_F(Imports, productStatementsLeaveEveryTableAsTheLiteralOnes)
{
    const QString path = csvFile(u"same.csv"_s, "\r\n");
    QStringList runs[2];
    for (const bool literal : {true, false}) {
        reset();
        for (int round = 0; round < 2; ++round)
            runs[literal] << importSummary(importFile(path, literal)) + everything();
    }
    EXPECT_EQ(runs[false], runs[true]);
}

// The file check reads quoting as the load does and refuses, naming the
// file, the line and the cause, what the load would read wrongly or cut; a
// workbook's values meet the same limits.
TEST_F(Imports, badFilesAreRefusedNamingLineAndCause)
{
    const QByteArray head = "Sl No,College,Degree,Name,Mobile,Email\r\n";
    const QByteArray good = "1,2001,BA,Anu,9000000001,a@x\r\n";
    const struct
    {
        QByteArray data;
        const char *cause;
    } files[] = {
            {"", "it is empty"},
            {head + "1,2001,BA,Anu,9000000001\r\n", "line 2 has 5 fields; every line needs 6"},
            {"Sl No;College;Degree\r\n" + good, "line 1 has 1 field; every line needs 6"},
            {head + good + "2,2001,BA,Bala,9,b@x,extra\r\n", "line 3 has 7 fields"},
            // The load would read every later line into Rao's name.
            {head + "1,1104,BA,\"Rao\" Jr,9300000010,a@x\r\n" + good + good,
             "line 2 has a quote inside the quoted field 4 that neither is doubled nor ends the field"},
            {head + good + "2,2001,BA,\"Bala,\n K\",9000000002,\"b@x\r\n" + good,
             "the quote that opens field 6 on line 4 is never closed"},
            // A quoted field may hold a line end; the count goes on after it.
            {head + "1,2001,BA,\"Anu,\nRaman\",9000000001,a@x\r\n2,2001\r\n", "line 4 has 2 fields"},
            {head + "1,1108,BSCABC,Anu,9,a@x\r\n",
             "line 2: the degree code (field 3) has 6 characters; at most "
             "5 are allowed."},
            {head + good + "2,20011,BA,Anu,9,a@x\n", "line 3: the college code (field 2) has 5 characters"},
            {head + "1,1108,BSC,Two,98765432109876543210X,a@x\r\n", "the mobile number (field 5) has 21"},
            {head + good + "2,2001,BA,\"" + QByteArray(99, 'x') + "\"\"ë\",9,b@x",
             "the name (field 4) has 101"},
            {head + good + "2,2001,BA,Nul" + '\0' + "Name,9,b@x\r\n", "line 3 holds a NUL character"},
    };
    for (const auto &f : files) {
        SCOPED_TRACE(f.cause);
        const QString path = writeFile(u"bad.csv"_s, f.data);
        try {
            inspectCsv(path);
            ADD_FAILURE() << "accepted: " << f.cause;
        } catch (const AppError &e) {
            EXPECT_TRUE(e.description().startsWith(u"The file %1 cannot be imported: "_s.arg(path)) &&
                        e.description().contains(QLatin1String(f.cause)))
                    << e.description().toStdString();
        }
    }
    const QByteArray longest = "1,2001,BSCAB," + QString(100, u'ë').toUtf8() + ",98765432109876543210,a@x";
    EXPECT_EQ(inspectCsv(writeFile(u"longest.csv"_s, head + longest)).records, 2);
    const QString book =
            workbook(u"2001 long.xlsx"_s,
                     {listHeading(), {u"1"_s, u"2001"_s, u"BA"_s, u"Anu"_s, u"9876543210 / 9123456789"_s}});
    EXPECT_FALSE(runAsImport([&] {
        stageWorkbook({kDb, u"041"_s, u"2001"_s, book}, [](auto &) { return true; });
    }));
    EXPECT_TRUE(QString::fromStdString(ui.dump()).contains(
            u"2001 long.xlsx cannot be imported: row 2 of the sheet: the mobile number "
            "(column E) has 23 characters; at most 20"_s))
            << ui.dump();
}

// The client's account changes rows only, and deletes none of the central
// database: no table of any database can be dropped, made or emptied by it.
TEST_F(Imports, theClientAccountCannotDropCreateOrDeleteGrievances)
{
    for (const char *statement :
         {"drop table corvane3_cor.collstud", "drop database corvane3_cor",
          "truncate table corvane3_tsc.tmpcollstud", "delete from corvane3_tkt.tkthead",
          "create table corvane3_tkt.tktcopy(i int)"})
        EXPECT_FALSE(runAsImport([&] { Conn::execute(QLatin1String(statement)); })) << statement;
    EXPECT_EQ(QString::fromStdString(ui.dump()).count(u"denied"_s), 5) << ui.dump();
}

// Every limit is the width of its column wherever the import stores it; the
// codes' own lengths are shorter.
TEST_F(Imports, columnLimitsAreTheColumnWidths)
{
    for (const ColumnLimit &limit : columnLimits()) {
        const int width = count(
                u"select min(character_maximum_length) from information_schema.columns where table_schema = "
                "'corvane3_tsc' and table_name in ('tmpcollstud1', 'tmpcollstud', 'collstud', 'collstudnb', "
                "'collstuddup') and column_name = '%1'"_s.arg(limit.column));
        EXPECT_EQ(limit.limit, limit.column == u"fcollcode"_s ? 4
                               : limit.column == u"fdegree"_s ? 5
                                                              : width)
                << limit.column.toStdString();
    }
}

// Each import unit cut before every statement and after every answer ends as
// uncut, with no message. The applications then hold what the sheet says:
// serials after the highest (an older application numbered like a staging
// line untouched), subject codes, castes, names, statements within the bound.
TEST_F(Imports, everyImportLandsOnceWhereverTheLinkIsCut)
{
    const QString csv = csvFile(u"cut.csv"_s, "\r\n");
    const QString list = listWorkbook();
    QVariantList souza = appRow(u"3"_s, u"BA"_s, u"D'Souza"_s, u"CAT'I"_s, 100, {}, u"9000000003"_s);
    souza[6] = u"M'"_s;
    souza[20] = u"o'brien\\x@mail.example"_s;
    const QString apps = workbook(
            u"2301.xlsx"_s,
            {appHeading(),
             appRow(u"1"_s, u"BA"_s, u"Anu"_s, u"CAT-I"_s, 12500, {u"ENG"_s, u"HIS"_s}, u"9000000001"_s),
             appRow(u"2"_s, u"BSC"_s, u"Bala"_s, u"CAT-II"_s, 12500.5, {u"PHY"_s}, u"9000000002"_s,
                    u"2302"_s),
             souza,
             appRow(u"4"_s, u"BA"_s, u"Chitra"_s, u"CATI"_s, u" 99 "_s,
                    {u"ENG"_s, QString(), u"ENG"_s, u"  "_s, u"XHIS"_s, u"HIS"_s, u"POL"_s}, u"9000000004"_s),
             appRow(u"5"_s, u"BA"_s, u"Devi"_s, u"2-A"_s, 0, {u"eco "_s}, u"9000000005"_s)});

    QString summary;
    SheetResult sheet;
    ApplicationResult stored;
    const auto importCsvFile = [&] { summary = importSummary(importFile(csv)); };
    const auto students = [&] { return summary + everything(); };
    const struct
    {
        const char *unit;
        std::function<void()> prepare, command;
        std::function<QString()> snapshot;
    } units[] = {
            {"CSV import", [] { reset(); }, importCsvFile, students},
            // Nothing new to append: only the rows set aside tell it is stored.
            {"the same CSV again",
             [&] {
                 reset();
                 importFile(csv);
             },
             importCsvFile, students},
            {"Excel student list",
             [&] {
                 reset();
                 sheet = stage(u"041"_s, u"2001"_s, list);
             },
             [&] { summary = importSummary(listImport(sheet)); }, students},
            {"applications",
             [&] {
                 resetStudentTables();
                 sheet = stage(u"023"_s, u"2301"_s, apps);
                 admin(u"insert into corvane3_023.studadm(fslno, fcollcode, fdegree, fappno, fadmdate) "
                       "select '0041', '2301', 'BA', '5239', null union all select '0007', '2301', 'BA', "
                       "'5238', null union all select '0100', '2302', 'BA', '5237', null union all select "
                       "'0003', '2301', 'BA', min(fintid), '2001-01-01' from corvane3_023.tmpcollstud"_s);
             },
             [&] {
                 stored = ApplicationResult();
                 runAsImport([&] {
                     importApplications({kAppDb, u"2301"_s, plainGrid(sheet), u"2026-06-01"_s, 600}, stored);
                 });
                 summary = u"%1 %2 %3"_s.arg(stored.total).arg(stored.beforeLine, stored.afterLine);
             },
             [&] {
                 return summary + applications() + dump(u"corvane3_023.studadm"_s, u"fslno, fadmdate"_s);
             }},
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
    EXPECT_EQ(summary, u"5 Records Before Importing : BA - 3 Records After Importing : BA - 7, BSC - 1"_s);
    EXPECT_LE(stored.largestStatement, 600);
    EXPECT_EQ(rows(u"corvane3_023.studadm"_s, u"fadmdate = '2001-01-01'"_s), 1);
    EXPECT_EQ(applications(),
              u"BA|0042|Anu|F|CAT-I|12500.00|s9000000001@mail.example|1|BA01,BA02|Photo,Signature|12500.00,0."
              u"00\n"
              "BA|0043|D`Souza|M'|CAT'I|100.00|o'brien\\x@mail.example|1|Photo,Signature|100.00,0.00\n"
              "BA|0044|Chitra|F|CAT-I|99.00|s9000000004@mail.example|1|BA01,BA02,POL,XHIS|Photo,Signature|99."
              "00,0.00\n"
              "BA|0045|Devi|F|2A|0.00|s9000000005@mail.example|1|BA03|Photo,Signature|0.00,0.00\n"
              "BSC|0001|Bala|F|CAT-II|12500.50|s9000000002@mail.example|1|PHY|Photo|12500.50,0.00"_s);
    EXPECT_EQ(nextSerial(u"9998"_s) + u' ' + nextSerial(u"9999"_s), u"9999 10000"_s);
}

using CsvScreen = ScreenTest<CsvImportScreen>;
using ExcelScreen = ScreenTest<ExcelImportScreen>;

TEST_F(CsvScreen, importShowsTheSummaryWithTheNormalPointerAndRefusesAWrongRange)
{
    in("fileName")
            ->setText(writeFile(u"s.csv"_s, "h1,h2,h3,h4,h5,h6\n1,2001,BA,Anu,9000000001,a@x\n"
                                            "2,2001,BSC,Bala,9000000001,b@x\n3,2001,BSC,,9000000003,c@x\n"
                                            "4,2001,BSC,Devi,9000000004,d@x\n"));
    in("collegeCode")->setText(u"2001"_s);
    in<QPushButton>("importButton")->click();
    EXPECT_EQ(ui.dump(),
              "Importing data completed!!\r\n\r\nExcel Sheet Count : 4\r\n\r\nName Empty Deleted : "
              "1\r\n\r\nWithout Mobile No. : 0\r\n\r\nDuplicate in Excel Sheet : 2\r\n\r\nDuplicate "
              "in DB : 0\r\n\r\nFinal Uploaded : 1\r\n\r\nRecords Before Importing : 0"
              "\r\n\r\nRecords After Importing : BSC - 1");
    in("collegeCode")->setText(u"6001"_s);
    in<QPushButton>("importButton")->click();
    EXPECT_EQ(ui.last().text, u"Error in university selection!!"_s);
    EXPECT_EQ(ui.last().icon, Icon::Critical);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// University 023: another layout is asked about, No loads nothing but the
// error mail can go; an unknown college is refused. The
// sheet's applications (a degree renamed, one unticked) go to the sheet's
// university whatever another screen looked up; the workbook moves. The same
// workbook again asks first: No stores nothing and keeps the grid, Yes
// stores them again and the summary counts those that existed.
TEST_F(ExcelScreen, applicationsAfterAWrongLayoutAndTheSameWorkbookTwice)
{
    ui.clock = QDateTime(QDate(2026, 3, 9), QTime(10, 0));
    universities()->setCurrentIndex(universities()->findText(u"023"_s, Qt::MatchEndsWith));
    auto *grid = in<SheetGrid>("degreeGrid");
    ui.answers = {Answer::No};
    ui.fileNames = {
            workbook(u"2301.xlsx"_s, {listHeading(), {u"1"_s, u"2301"_s, u"BA"_s, u"Anu"_s, u"9"_s}})};
    QStringList progress; // up, titled like the screen, while the layout is asked about
    ui.onMessage = [&](const MessageRequest &) {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<QProgressDialog *>(w) && w->isVisible())
                progress << w->windowTitle();
    };
    in<QPushButton>("browseButton")->click();
    in<QPushButton>("importButton")->click();
    ui.onMessage = {};
    EXPECT_EQ(progress, QStringList{u"Import Student Data (Excel). . .2301"_s});
    EXPECT_EQ(ui.last().defaultButton, Answer::No);
    EXPECT_EQ(rows(u"corvane3_023.tmpcollstud"_s), 0);
    EXPECT_FALSE(in<QPushButton>("updateButton")->isEnabled());
    const qint64 mailsBefore = sinkLogSize(); // the format-error mail to the college, a copy to the desk
    in<QPushButton>("errorMailButton")->click();
    EXPECT_EQ(
            sinkRequests(mailsBefore),
            u" | emailid=h2301@colleges.example | subject=023: Error in Uploaded Excel File | body=Dear Sir "
            u"/ "
            "Madam,<br><br> The excel sheet uploaded by you is not matching with our format. Requesting you "
            "to download the fresh format from college portal and upload it.<br><br>Regards,<br>Help "
            "Desk<br>TSC | cc=desk@corvane.example.com"_s);
    in("collegeCode")->setText(u"2303"_s);
    in<QPushButton>("importButton")->click();
    EXPECT_EQ(ui.last().text + QString::number(rows(u"corvane3_023.tmpcollstud"_s)),
              u"Invalid college code0"_s);

    const SheetRows sheet{appHeading(),
                          appRow(u"1"_s, u"BA"_s, u"Anu"_s, u"CATI"_s, 100, {u"ENG"_s}, u"91"_s),
                          appRow(u"2"_s, u"BAX"_s, u"Bala"_s, u"CATI"_s, 100, {u"HIS"_s}, u"92"_s),
                          appRow(u"3"_s, u"BSC"_s, u"Chitra"_s, u"CATI"_s, 100, {}, u"93"_s)};
    const auto importSheet = [&] {
        ui.fileNames = {workbook(u"2301 apps.xlsx"_s, sheet)};
        in<QPushButton>("browseButton")->click();
        in<QPushButton>("importButton")->click();
        grid->item(1, 1)->setText(u"BA"_s);
        grid->item(2, 3)->setCheckState(Qt::Unchecked);
    };
    importSheet();
    writeFile(u"completed/2301 apps.xlsx"_s, "older");
    universityName(u"042"_s);
    in<QPushButton>("updateButton")->click();
    EXPECT_EQ(dump(u"corvane3_023.studadm"_s, u"fslno, fadmdate"_s), u"0001|2026-03-09\n0002|2026-03-09"_s);
    EXPECT_FALSE(grid->font().bold()); // the next sheet's codes look like the first one's
    EXPECT_GT(QFileInfo(folder + u"/completed/2301 apps.xlsx"_s).size(), 5);
    for (const Answer answer : {Answer::No, Answer::Yes}) {
        SCOPED_TRACE(answer == Answer::No ? "No" : "Yes");
        ui.reset();
        if (answer == Answer::No)
            importSheet();
        ui.answers = {answer};
        in<QPushButton>("updateButton")->click();
        ASSERT_EQ(ui.messages.size(), answer == Answer::No ? 1 : 2) << ui.dump();
        EXPECT_EQ(ui.messages.first().defaultButton, Answer::No);
        EXPECT_TRUE(
                ui.messages.first().text.startsWith(u"2 of the students in this sheet already have an "_s));
        EXPECT_EQ(rows(u"corvane3_023.studadm"_s), answer == Answer::No ? 2 : 4);
        EXPECT_EQ(in<QPushButton>("updateButton")->isEnabled(), answer == Answer::No) << "No keeps the grid";
    }
    EXPECT_TRUE(ui.last().text.contains(u"Duplicate in DB : 2\r\n\r\nFinal Uploaded : 2"_s)) << ui.dump();
    EXPECT_EQ(in("fileName")->text() + in("collegeCode")->text() + in("email")->text(), QString());
}

// Closing the screen while a legacy workbook is converted (a busy bar
// meanwhile, not a percentage) stops the conversion, then closes the screen:
// no crash, no message (not the minute's limit either), nothing staged.
TEST_F(ExcelScreen, closingDuringAConversionStopsItAndLoadsNothing)
{
    ASSERT_TRUE(QFile::setPermissions(writeFile(u"soffice"_s, "#!/bin/sh\nexec /bin/sleep 600\n"),
                                      QFile::ReadOwner | QFile::ExeOwner));
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(folder));
    screen->setAttribute(Qt::WA_DeleteOnClose); // as the main window opens it
    const QPointer<QWidget> open(screen);
    ui.fileNames = {
            writeFile(u"2001.xls"_s, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") + QByteArray(512, 0))};
    in<QPushButton>("browseButton")->click();
    int bar = -1;
    QTimer::singleShot(1000, [&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *p = qobject_cast<QProgressDialog *>(w); p && p->isVisible())
                bar = p->maximum();
        mdi->activeSubWindow()->close();
    });
    in<QPushButton>("importButton")->click();
    qputenv("PATH", savedPath);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(bar, 0);
    EXPECT_TRUE(open.isNull());
    EXPECT_EQ(ui.dump(), "");
    EXPECT_EQ(rows(u"corvane3_tsc.tmpcollstud1"_s), 0);
}

} // namespace
