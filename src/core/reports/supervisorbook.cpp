// The supervisor's figures as tables, and the workbook that holds them: a
// sheet per table with a native chart beside it.

#include "core/reports/pagesetup.h"
#include "core/reports/reportfile.h"
#include "core/reports/supervisor.h"
#include "core/services/workbook.h"

namespace supervisor {

namespace {

QVariant hours(double value)
{
    return value < 0 ? QVariant() : QVariant(double(qRound(value * 10)) / 10);
}

QVector<QVariant> timeRow(const QString &label, const TimeLine &line)
{
    return {label,
            double(line.received),
            double(line.answered),
            hours(line.firstAnswerHours),
            double(line.closed),
            hours(line.closeHours)};
}

const QStringList kTimeHeadings = {QString(),
                                   QStringLiteral("Received"),
                                   QStringLiteral("Answered"),
                                   QStringLiteral("Median hours to first answer"),
                                   QStringLiteral("Closed"),
                                   QStringLiteral("Median hours to close")};

// How each sheet's chart reads its table, in sheet order.
ChartSpec chartFor(int sheet, int rows)
{
    struct Kind
    {
        ChartSpec::Kind kind;
        const char *title;
        QVector<int> columns;
        bool labels;
        int anchorColumn;
        double width;
    };
    static const Kind kinds[] = {
            {ChartSpec::Kind::StackedColumn, "Pending now by age", {1, 2, 3, 4}, false, 7, 1},
            {ChartSpec::Kind::Line, "Received and closed per day", {1, 2}, false, 4, 1.6},
            {ChartSpec::Kind::Bar, "Median hours by level", {3, 5}, true, 7, 1},
            {ChartSpec::Kind::Bar, "Median hours by university", {3, 5}, true, 7, 1},
            {ChartSpec::Kind::Bar, "Replies and forwards", {1, 2}, true, 5, 1}};
    const Kind &k = kinds[sheet];
    ChartSpec c;
    c.kind = k.kind;
    c.title = QString::fromLatin1(k.title);
    c.valueColumns = k.columns;
    c.valueLabels = k.labels;
    c.anchorRow = 1;
    c.anchorColumn = k.anchorColumn;
    c.widthScale = k.width;
    c.lastRow = std::max(1, rows);
    return c;
}

void writeBook(const Figures &figures, const QString &file)
{
    const QVector<FigureTable> all = tables(figures);
    CellStyle heading;
    heading.bold = true;
    heading.wrap = true;
    heading.vertical = VAlign::Centre;
    heading.horizontal = HAlign::Centre;
    const CellStyle left{11, false, HAlign::Left, VAlign::Bottom, false};
    const CellStyle right{11, false, HAlign::Right, VAlign::Bottom, false};
    const PrintPage page{printTitle(figures), true};
    WorkbookWriter book(file, all.first().name);
    for (int t = 0; t < all.size(); ++t) {
        const FigureTable &table = all[t];
        if (t > 0)
            book.addSheet(table.name);
        setUpPrintPage(book, 1, page);
        book.setColumns(0, 0, 16, left);
        book.setColumns(1, int(table.headings.size()) - 1, 12, right);
        book.setRowHeight(0, 45);
        for (int c = 0; c < table.headings.size(); ++c)
            book.writeText(0, c, table.headings[c], heading);
        for (int r = 0; r < table.rows.size(); ++r) {
            const QVector<QVariant> &row = table.rows[r];
            for (int c = 0; c < row.size(); ++c) {
                if (row[c].typeId() == QMetaType::Double)
                    book.writeNumber(r + 1, c, row[c].toDouble(), right);
                else if (row[c].isValid())
                    book.writeText(r + 1, c, row[c].toString(), left);
            }
        }
        book.insertChart(chartFor(t, int(table.rows.size())));
    }
    book.close();
}

} // namespace

QVector<FigureTable> tables(const Figures &f)
{
    QVector<FigureTable> out(5);
    out[0].name = QStringLiteral("Pending now");
    out[0].headings << QStringLiteral("Level");
    for (int b = 0; b < kAgeBands; ++b)
        out[0].headings << ageBandName(b);
    out[0].headings << QStringLiteral("Total");
    for (const PendingLevel &p : f.pending) {
        QVector<QVariant> row{levelLabel(p.level)};
        for (const int n : p.counts)
            row << double(n);
        row << double(p.total());
        out[0].rows << row;
    }
    out[1].name = QStringLiteral("Per day");
    out[1].headings = {QStringLiteral("Day"), QStringLiteral("Received"), QStringLiteral("Closed")};
    for (const DayCount &d : f.days)
        out[1].rows << QVector<QVariant>{d.day.toString(QStringLiteral("yyyy-MM-dd")), double(d.received),
                                         double(d.closed)};
    out[2].name = QStringLiteral("By level");
    out[2].headings = kTimeHeadings;
    out[2].headings[0] = QStringLiteral("Level");
    for (const TimeLine &line : f.byLevel)
        out[2].rows << timeRow(levelLabel(line.key), line);
    out[3].name = QStringLiteral("By university");
    out[3].headings = kTimeHeadings;
    out[3].headings[0] = QStringLiteral("University");
    for (const TimeLine &line : f.byUniversity)
        out[3].rows << timeRow(universityLabel(line.key), line);
    out[4].name = QStringLiteral("Staff");
    out[4].headings = {QStringLiteral("Staff member"), QStringLiteral("Replies"), QStringLiteral("Forwards"),
                       QStringLiteral("Median hours held")};
    for (const StaffLine &s : f.staff)
        out[4].rows << QVector<QVariant>{s.user, double(s.replies), double(s.forwards), hours(s.heldHours)};
    return out;
}

QString printTitle(const Figures &f)
{
    return QStringLiteral("Supervisor's view, %1 to %2, %3")
            .arg(f.period.from.toString(QStringLiteral("dd/MM/yyyy")),
                 f.period.to.toString(QStringLiteral("dd/MM/yyyy")),
                 f.period.univCode.isEmpty() ? QStringLiteral("all universities")
                                             : universityLabel(f.period.univCode));
}

QString exportWorkbook(const Figures &figures, const QString &folder)
{
    return saveNewReport(folder, QStringLiteral("Supervisor's view"),
                         [&](const QString &temporary) { writeBook(figures, temporary); });
}

} // namespace supervisor
