#include "core/reports/reportfile.h"
#include "core/reports/supervisor.h"
#include "core/services/session.h"
#include "core/services/workbook.h"

#include "gui/reports/examcentrelist.h"
#include "gui/reports/supervisorview.h"
#include "support/testdb.h"

#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>

#include <zip.h>

using namespace Qt::StringLiterals;
using namespace supervisor;

namespace {

// One stored part of an .xlsx package, "" when missing.
QByteArray packagePart(const QString &path, const QString &name)
{
    int error = 0;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    QByteArray bytes;
    zip_stat_t st;
    if (zip && zip_stat(zip, name.toUtf8().constData(), 0, &st) == 0) {
        bytes.resize(qsizetype(st.size));
        zip_file_t *f = zip_fopen_index(zip, st.index, 0);
        zip_fread(f, bytes.data(), st.size);
        zip_fclose(f);
    }
    if (zip)
        zip_discard(zip);
    return bytes;
}

QString text(const QVector<QVector<QVariant>> &rows)
{
    QStringList lines;
    for (const auto &row : rows) {
        QStringList cells;
        for (const QVariant &cell : row)
            cells << cellText(cell);
        lines << cells.join(u',');
    }
    return lines.join(u'|');
}

// The period is 10-12 March 2026; the clock stands at 15 March, 12:00.
// Grievances (raised, university, level now, status, closed at/by) and their
// trail rows, each chosen to sit on an edge:
//  1 raised the second before the period, replied on its first day;
//  2 raised at its first second, forwarded twice, replied after it;
//  3 raised at its last second, still open; 4 raised the second after;
//  5 open at level 2 (status A), forwarded on the day after it was raised;
//  6, 7, 8, 9 open before or after the period on the age bands' edges;
// 10 replied the same day; 11 forwarded and replied in the same second;
// 12 with a row dated before its raising (a wrong clock), then a forward;
// 13 open with no level.
class Supervisor : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        resetCentral();
        ui.clock = QDateTime(QDate(2026, 3, 15), QTime(12, 0));
        addUniv(u"041"_s, u"Tessaly Central"_s, u"corvane3_tsc"_s, QString(), u"TCU"_s);
        addUniv(u"042"_s, u"Tessaly North"_s, u"corvane3_tsc"_s, QString(), u"TNU"_s);
        session().universities = {{u"041"_s, u"Tessaly Central"_s, {}, u"TCU"_s, {}},
                                  {u"042"_s, u"Tessaly North"_s, {}, u"TNU"_s, {}}};
        admin(QStringList{
                u"insert into tkthead(ftktid, ftktdate, funivcode, ftktgroup, ftktstatus, ffinaldate, "
                "ffinaluser) values "
                "(1, '2026-03-09 23:59:59', '041', '3', 'C', '2026-03-10 10:00:00', 'DESK31'),"
                "(2, '2026-03-10 00:00:00', '041', '1', 'C', '2026-03-13 08:00:00', 'DESK11'),"
                "(3, '2026-03-12 23:59:59', '042', '3', null, null, null),"
                "(4, '2026-03-13 00:00:00', '042', '3', 'C', '2026-03-13 01:00:00', 'DESK32'),"
                "(5, '2026-03-11 09:00:00', '041', '2', 'A', null, null),"
                "(6, '2026-03-14 12:00:00', '041', '3', '', null, null),"
                "(7, '2026-03-14 12:00:01', '041', '3', null, null, null),"
                "(8, '2026-03-08 12:00:00', '041', '3', null, null, null),"
                "(9, '2026-03-13 12:00:00', '042', '2', 'A', null, null),"
                "(10, '2026-03-10 05:00:00', '042', '3', 'C', '2026-03-10 06:30:00', 'DESK32'),"
                "(11, '2026-03-11 10:00:00', '041', '2', 'C', '2026-03-11 11:00:00', 'DESK21'),"
                "(12, '2026-03-12 09:00:00', '041', '2', null, null, null),"
                "(13, '2026-03-01 09:00:00', '042', null, 'A', null, null)"_s,
                u"insert into tktdetl(fdetlid, ftktid, ftkttrandate, ffromuser, ftkttrangroup) values "
                "(1, 1, '2026-03-10 10:00:00', 'DESK31', 'XX'), (2, 2, '2026-03-10 02:00:00', 'DESK31', '2'),"
                "(3, 2, '2026-03-11 08:00:00', 'DESK21', '1'), (4, 2, '2026-03-13 08:00:00', 'DESK11', 'XX'),"
                "(5, 4, '2026-03-13 01:00:00', 'DESK32', 'XX'), (6, 5, '2026-03-11 21:00:00', 'DESK31', '2'),"
                "(7, 10, '2026-03-10 06:30:00', 'DESK32', 'XX'), (8, 11, '2026-03-11 11:00:00', 'DESK31', "
                "'2'), (9, 11, '2026-03-11 11:00:00', 'DESK21', 'XX'),"
                "(10, 12, '2026-03-12 08:00:00', 'DESK32', '2'), (11, 12, '2026-03-12 15:00:00', 'DESK31', "
                "'2')"_s});
    }

    static Period period(const QString &univ = QString())
    {
        return {QDate(2026, 3, 10), QDate(2026, 3, 12), univ};
    }
};

// Pending: not closed (NULL, '' or A), by the level it is at, aged from its
// raising: exactly one day is 1-2 days, a second less is under one, exactly
// seven days is over seven. The period does not apply; the university does.
TEST_F(Supervisor, pendingCountsOpenGrievancesByLevelAndAge)
{
    const struct
    {
        const char *univ, *expected;
    } cases[] = {{"", "No level,0,0,0,1,1|Level 2,0,0,3,0,3|Level 3,1,1,1,1,4"},
                 {"042", "No level,0,0,0,1,1|Level 2,0,0,1,0,1|Level 3,0,0,1,0,1"},
                 {"003", ""}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.univ);
        const Figures f = figures(period(QString::fromLatin1(c.univ)), ui.now());
        EXPECT_EQ(text(tables(f)[0].rows), QString::fromLatin1(c.expected));
    }
}

// Received: raised within the period's days, its first and last second
// included; closed: status C by the day of ffinaldate, whenever raised.
TEST_F(Supervisor, receivedAndClosedCountTheRightDays)
{
    EXPECT_EQ(text(tables(figures(period(), ui.now()))[1].rows),
              u"2026-03-10,2,2|2026-03-11,2,1|2026-03-12,2,0"_s);
    EXPECT_EQ(text(tables(figures(period(u"042"_s), ui.now()))[1].rows),
              u"2026-03-10,1,1|2026-03-11,0,0|2026-03-12,1,0"_s);
}

// Of the grievances received in the period: the first trail row at or after
// the raising (a forward counts, a row dated before it does not), and the
// close, whenever they came; medians of an even count take the middle two.
TEST_F(Supervisor, medianTimesByLevelAndUniversity)
{
    const QVector<FigureTable> t = tables(figures(period(), ui.now()));
    // level: received, answered, median first answer, closed, median close
    EXPECT_EQ(text(t[2].rows), u"Level 1,1,1,2,1,80|Level 2,3,3,6,1,1|Level 3,2,1,1.5,1,1.5"_s);
    EXPECT_EQ(text(t[3].rows), u"041 TCU,4,4,4,2,40.5|042 TNU,2,1,1.5,1,1.5"_s);
}

// Each staff member's trail rows in the period: replies, forwards, and the
// median time from the grievance reaching the level (its raising or the
// latest earlier forward, a forward of the same second written before
// counting) to the row; most replies first, then most forwards, then name.
TEST_F(Supervisor, staffWorkIsCountedFromTheirRowsInThePeriod)
{
    EXPECT_EQ(text(tables(figures(period(), ui.now()))[4].rows),
              u"DESK31,1,4,7|DESK21,1,1,15|DESK32,1,1,1.5"_s);
    EXPECT_EQ(text(tables(figures(period(u"042"_s), ui.now()))[4].rows), u"DESK32,1,0,1.5"_s);
}

TEST(SupervisorPeriod, aPeriodOfOneDayIsTheShortest)
{
    const QDate day(2026, 3, 10);
    EXPECT_EQ(checkPeriod({day, day, {}}), QString());
    EXPECT_FALSE(checkPeriod({day.addDays(1), day, {}}).isEmpty());
    EXPECT_FALSE(checkPeriod({QDate(), day, {}}).isEmpty());
    const Period initial = defaultPeriod(day);
    EXPECT_EQ(initial.from, QDate(2026, 2, 9));
    EXPECT_EQ(initial.to, day);
}

// The screen shows the figures of its period; Export writes them to a
// workbook whose sheets hold the same values, each sheet with its chart and
// the printed page of the reports.
TEST_F(Supervisor, theWorkbookHoldsTheScreensFiguresWithAChartPerSheet)
{
    QStandardPaths::setTestModeEnabled(true);
    QDir(reportsFolder()).removeRecursively();
    QString opened;
    setWorkbookOpener([&](const QString &path) {
        opened = path;
        return true;
    });
    SupervisorView view;
    view.exportFigures(); // nothing shown yet: nothing to write
    EXPECT_EQ(ui.dump(), "Show the figures first.");
    view.show();
    auto *from = view.findChild<QDateEdit *>(u"fromDate"_s);
    auto *to = view.findChild<QDateEdit *>(u"toDate"_s);
    from->setDate(QDate(2026, 3, 13));
    to->setDate(QDate(2026, 3, 12));
    ui.reset();
    QCoreApplication::processEvents(); // the first showing reads the period: refused
    EXPECT_EQ(ui.dump(), "The period's first day (13/03/2026) is after its last day (12/03/2026).");
    from->setDate(QDate(2026, 3, 10));
    view.showFigures();
    const auto *staff = view.findChild<QTableWidget *>(u"staffTable"_s);
    ASSERT_EQ(staff->rowCount(), 3);
    EXPECT_EQ(staff->item(0, 0)->text() + staff->item(0, 3)->text(), u"DESK317"_s);
    view.findChild<QPushButton *>(u"exportButton"_s)->click();
    ASSERT_TRUE(QFileInfo(opened).isFile()) << ui.dump();

    const QVector<FigureTable> shown = tables(view.shownFigures());
    const char *const kinds[] = {"<c:grouping val=\"stacked\"/>", "<c:lineChart>", "<c:barDir val=\"bar\"/>",
                                 "<c:barDir val=\"bar\"/>", "<c:barDir val=\"bar\"/>"};
    ASSERT_EQ(shown.size(), 5);
    for (int s = 0; s < shown.size(); ++s) {
        SCOPED_TRACE(shown[s].name.toStdString());
        const SheetTable sheet = readNamedSheet(opened, shown[s].name);
        QStringList expected{shown[s].headings.join(u',')};
        if (!shown[s].rows.isEmpty())
            expected << text(shown[s].rows).split(u'|');
        QStringList read;
        for (const QStringList &row : sheet.rows)
            read << row.join(u',');
        EXPECT_EQ(read, expected);
        const QString n = QString::number(s + 1);
        const QByteArray sheetXml = packagePart(opened, u"xl/worksheets/sheet"_s + n + u".xml"_s);
        EXPECT_TRUE(sheetXml.contains("<drawing r:id="));
        EXPECT_TRUE(sheetXml.contains(
                "<pageSetup paperSize=\"9\" fitToHeight=\"0\" orientation=\"landscape\"/>"));
        EXPECT_TRUE(sheetXml.contains("<pageSetUpPr fitToPage=\"1\"/>"));
        EXPECT_TRUE(sheetXml.contains("<oddHeader>") && sheetXml.contains("Supervisor's view, 10/03/2026 to "
                                                                          "12/03/2026, all universities"));
        EXPECT_TRUE(sheetXml.contains("<oddFooter>&amp;L&amp;D&amp;C&amp;P</oddFooter>"));
        EXPECT_TRUE(packagePart(opened, u"xl/drawings/drawing"_s + n + u".xml"_s).contains("<c:chart "));
        EXPECT_TRUE(packagePart(opened, u"xl/charts/chart"_s + n + u".xml"_s).contains(kinds[s]));
        QByteArray titles =
                "localSheetId=\"" + QByteArray::number(s) + "\">'" + shown[s].name.toUtf8() + "'!$1:$1";
        EXPECT_TRUE(packagePart(opened, u"xl/workbook.xml"_s).contains(titles.replace("'Staff'", "Staff")));
    }
    setWorkbookOpener({});
    QDir(reportsFolder()).removeRecursively();
    QStandardPaths::setTestModeEnabled(false);
}

} // namespace
