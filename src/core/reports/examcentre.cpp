#include "core/reports/examcentre.h"

#include "core/reports/pagesetup.h"
#include "core/reports/reportfile.h"
#include "core/services/errors.h"
#include "core/services/interaction.h"
#include "core/services/sqltext.h"
#include "core/services/workbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const char *const kReportQuery =
        "select a.fcollcode, concat(a.fcollname, ', ', a.ftown) as fcollname, a.fconst, a.fmobile, a.fphone, "
        "a.fpgthcntrmba as fthcntrnew, b.fcollcode as fcntrcode, concat(b.fcollname, ', ', b.ftown) as "
        "fcntrname, "
        "b.fmobile as fcntrmob, b.fphone as fcntrph, b.fconst as fcntrconst, "
        "if(c.fcollcode is not null,'Yes','') as fapplied, c.fcentre from corvane3_tsc.college a "
        "left outer join corvane3_tsc.college b on a.fpgthcntrmba = b.fcollcode and b.fcollcode "
        "in(select fcollcode from corvane3_tsc.tmpcntrpg) left outer join corvane3_tsc.examcntr c on "
        "a.fpgthcntrmba = c.fcollcode and ifnull(c.fcollname,'') <> '' and ifnull(b.fdeleted,'') <> 'T' and "
        "b.ffaculty like '%PG%' where ifnull(a.fdeleted,'') <> 'T' and a.ffaculty like '%PG%' and "
        "ifnull(a.fpgthcntrmba,'') <> '' and a.fcollcode in(select fcollcode from corvane3_tsc.tmpcntrpg)  "
        "order by if(b.fcollcode is null,'ZZZZ',b.fcollcode), if(a.fcollcode = "
        "ifnull(b.fpgthcntrmba,''),0,1), "
        "a.fpgthcntrmba, a.fcollcode";

// The sheet's row counter is a 16-bit number.
constexpr int kLastSheetRow = 32767;

// Sheet layout: sizes in points and character widths.
constexpr double kRowHeight = 50, kHeadingHeight = 40, kSeparatorHeight = 10;
constexpr int kLastColumn = 16383;

CellStyle style(HAlign horizontal, bool bold = false)
{
    CellStyle s;
    s.fontSize = 11;
    s.bold = bold;
    s.horizontal = horizontal;
    s.vertical = VAlign::Centre;
    s.wrap = true;
    return s;
}

// An older client made the work table with codes of 4 characters, and the
// account may not widen it: a college whose code it cannot hold would drop
// out of the list, so the report stops, naming it.
void checkWorkTableWidth()
{
    const QString width =
            Conn::query(
                    QStringLiteral("select ifnull(min(character_maximum_length), 0) as w from "
                                   "information_schema.columns where table_schema = 'corvane3_tsc' and "
                                   "table_name = 'tmpcntrpg' and column_name in ('fcollcode', 'fcntrcode')"))
                    .value(QStringLiteral("w"));
    const Rows longer =
            Conn::query(QStringLiteral("select fcollcode, fpgthcntrmba from corvane3_tsc.college where "
                                       "ifnull(fpgthcntrmba,'') <> '' and greatest(char_length(fcollcode), "
                                       "char_length(fpgthcntrmba)) > %1 order by fcollcode limit 1")
                                .arg(sql::number(width)));
    if (!longer.isEmpty())
        throw AppError(
                ErrNo::InvalidValue,
                QStringLiteral("The work table corvane3_tsc.tmpcntrpg keeps college codes of at most %1 "
                               "characters, so college %2 (centre %3) would be left out of the list. The "
                               "database administrator widens it as the README says.")
                        .arg(width, longer.value(QStringLiteral("fcollcode")),
                             longer.value(QStringLiteral("fpgthcntrmba"))),
                QStringLiteral("examination centre list"));
}

} // namespace

Rows queryExamCentres()
{
    // The codes as wide as the college table's.
    Conn::execute(QStringLiteral("create table if not exists corvane3_tsc.tmpcntrpg(fcollcode varchar(10), "
                                 "fcntrcode varchar(10))"));
    checkWorkTableWidth();
    // Only pairs not yet listed: the report reads nothing but membership, and
    // a table that gained every pair on every run made each run slower.
    Conn::execute(QStringLiteral(
            "insert into corvane3_tsc.tmpcntrpg(fcollcode, fcntrcode) select c.fcollcode, c.fpgthcntrmba "
            "from corvane3_tsc.college c left outer join (select distinct fcollcode, fcntrcode from "
            "corvane3_tsc.tmpcntrpg) t on t.fcollcode = c.fcollcode and t.fcntrcode = c.fpgthcntrmba "
            "where ifnull(c.fpgthcntrmba,'') <> '' and t.fcollcode is null"));
    return Conn::query(QString::fromLatin1(kReportQuery));
}

QVector<CentreListLine> layoutExamCentres(const Rows &rows)
{
    QVector<CentreListLine> lines;
    lines.reserve(rows.size() * 2);
    int sheetRow = 1; // the heading row
    int serial = 0;
    QString previous;
    for (int i = 0; i < rows.size(); ++i) {
        const QString centre = rows.value(QStringLiteral("fcntrcode"), i);
        CentreListLine line;
        if (centre != previous) {
            ++serial;
            if (!previous.isEmpty()) {
                CentreListLine separator;
                separator.separator = true;
                lines.append(separator);
                ++sheetRow;
            }
            line.serial = serial;
            line.centre = centre + QStringLiteral(" - ") + rows.value(QStringLiteral("fcntrname"), i) +
                          QStringLiteral(", Const. : ") + rows.value(QStringLiteral("fcntrconst"), i);
        }
        line.college = rows.value(QStringLiteral("fcollcode"), i) + QStringLiteral(" - ") +
                       rows.value(QStringLiteral("fcollname"), i) + QStringLiteral(", Const. : ") +
                       rows.value(QStringLiteral("fconst"), i);
        if (++sheetRow > kLastSheetRow)
            throw AppError(6, QStringLiteral("Overflow"), QStringLiteral("examination centre list rows"));
        lines.append(line);
        previous = centre;
    }
    return lines;
}

namespace {

void writeCentreSheet(const QVector<CentreListLine> &lines, const QString &file)
{
    WorkbookWriter sheet(file);
    setUpPrintPage(sheet, 1);

    const CellStyle centred = style(HAlign::Centre);
    const CellStyle left = style(HAlign::Left);
    sheet.setDefaultRowHeight(kRowHeight);
    sheet.setColumns(0, 0, 5, centred);
    sheet.setColumns(1, 1, 40, left);
    sheet.setColumns(2, 2, 45, left);
    sheet.setColumns(3, kLastColumn, 5, centred);

    sheet.setRowHeight(0, kHeadingHeight);
    sheet.writeText(0, 0, QStringLiteral("Sl. No."), style(HAlign::Centre, true));
    sheet.writeText(0, 1, QStringLiteral("Examination Centre"), style(HAlign::Left, true));
    sheet.writeText(0, 2, QStringLiteral("Tagged College"), style(HAlign::Left, true));

    int row = 1;
    for (const CentreListLine &line : lines) {
        if (line.separator) {
            sheet.setRowHeight(row++, kSeparatorHeight);
            continue;
        }
        sheet.setRowHeight(row, kRowHeight);
        if (line.serial > 0) {
            sheet.writeNumber(row, 0, line.serial, centred);
            sheet.writeText(row, 1, line.centre, left);
        } else {
            sheet.writeText(row, 0, QString(), centred);
            sheet.writeText(row, 1, QString(), left);
        }
        sheet.writeText(row, 2, line.college, left);
        ++row;
    }
    sheet.close();
}

} // namespace

void writeExamCentreWorkbook(const QVector<CentreListLine> &lines, const QString &path)
{
    saveReportFile(path, [&](const QString &temporary) { writeCentreSheet(lines, temporary); });
}

ExamCentreResult writeExamCentreList(const QString &folder)
{
    ExamCentreResult result;
    const Rows rows = queryExamCentres();
    if (rows.isEmpty()) {
        result.noRecords = true;
        return result;
    }
    const QVector<CentreListLine> lines = layoutExamCentres(rows);
    result.path = saveNewReport(folder, QStringLiteral("Exam centres"),
                                [&](const QString &temporary) { writeCentreSheet(lines, temporary); });
    return result;
}
