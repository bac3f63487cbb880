#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <map>
#include <memory>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// The spreadsheet layer: reading a college's workbook into the CSV text the
// staging load expects, and writing the report workbooks. No spreadsheet
// application is driven; .xlsx packages are read and written directly.

namespace ErrNo {
// Any workbook that cannot be opened, read or written, as the spreadsheet
// application numbered it.
constexpr qint64 Workbook = 1004;
} // namespace ErrNo

// ---------------------------------------------------------------- reading

// The active sheet of a workbook, as text. Rows run from the first to the last
// row holding a value, columns from A to the last column holding a value
// (`width`); every row is padded to that width with empty texts.
struct SheetTable
{
    QString sheetName;
    int width = 0;
    int firstRow = 1; // the sheet's number of rows.first()
    QVector<QStringList> rows;

    // The first row (the sheet's heading row); empty for an empty sheet.
    QStringList headings() const;
};

// How long LibreOffice may take to convert a legacy .xls workbook before it
// is stopped.
constexpr int kConversionLimitMs = 60000;

// The wait for a legacy conversion. It runs in LibreOffice's own process
// while user-interface events are processed, so the screens keep painting.
struct ConversionWatch
{
    int limitMs = kConversionLimitMs;
    // Asked while the conversion runs; true stops it (the screen waiting for
    // it was closed), and the reading ends in an error marked as reported.
    std::function<bool()> stopRequested;
};

// Reads the active sheet of an .xlsx workbook (an .xls one is first converted
// by a headless LibreOffice with its Excel filter, stopped with everything it
// started when it runs past the watch's limit or is asked to stop). Cell texts: text exactly as stored;
// numbers by value (integers in full digits, others in shortest exact decimal form), except whole numbers
// under a format made only of digit places and literal digits ("0000", "0000000000"), which keep the digits
// shown, leading zeros included; dates and times by their number format as yyyy-mm-dd, hh:mm:ss or
// "yyyy-mm-dd hh:mm:ss"; booleans TRUE/FALSE; errors as shown (#DIV/0!);
// formulas by their cached value. Throws AppError (ErrNo::Workbook) with a
// message for the operator, naming the file at path, when it is missing,
// encrypted, damaged, not a workbook or cannot be converted.
SheetTable readActiveSheet(const QString &path, const ConversionWatch &watch = {});

// The sheet named `sheetName` of an .xlsx workbook, read as readActiveSheet
// reads the active one (no legacy conversion). Throws AppError when there is
// no such sheet.
SheetTable readNamedSheet(const QString &path, const QString &sheetName);

// The table as CSV for the import's staging load:
//   LOAD DATA local INFILE {csv path, quoted} INTO TABLE
//   {db}.tmpcollstud1 FIELDS TERMINATED BY ',' ENCLOSED BY '"'
//   IGNORE 1 LINES ({column list})
// (the import checks table.headings() / table.width against its column list
// first). UTF-8 without byte-order mark, fields separated by commas, a field
// in double quotes (quotes doubled) only when it holds a comma, a quote, a
// line break or a carriage return; each record ends in a line feed, so the
// load's default line terminator applies. Every backslash is written twice:
// the load has no ESCAPED BY clause, so the server's default escape
// character '\\' would otherwise swallow it.
QByteArray toCsv(const SheetTable &table);

// readActiveSheet, then the CSV written to csvPath (replaced when present).
// Returns the table so the caller can check the headings before loading.
SheetTable saveActiveSheetAsCsv(const QString &workbookPath, const QString &csvPath,
                                const ConversionWatch &watch = {});

// ---------------------------------------------------------------- writing

enum class HAlign { General, Left, Centre, Right };
enum class VAlign { Bottom, Centre };

struct CellStyle
{
    double fontSize = 11;
    bool bold = false;
    HAlign horizontal = HAlign::General;
    VAlign vertical = VAlign::Bottom;
    bool wrap = false;

    bool operator<(const CellStyle &o) const;
};

// A native chart of the workbook over a block of the sheet being written:
// categories in one column, a series per value column, each named by its
// cell in `nameRow`, values in rows firstRow..lastRow.
struct ChartSpec
{
    enum class Kind { Column, StackedColumn, Bar, Line };
    Kind kind = Kind::Column;
    QString title, categoryTitle, valueTitle;
    int nameRow = 0, firstRow = 1, lastRow = 1;
    int categoryColumn = 0;
    QVector<int> valueColumns;
    bool valueLabels = false; // each value written beside its bar
    int anchorRow = 0, anchorColumn = 0;
    double widthScale = 1, heightScale = 1;
};

// Worksheets in a new .xlsx file, written by libxlsxwriter. Rows and columns
// count from 0; cells, page setup and charts go to the sheet added last.
// Nothing reaches the disk before close(); a writer destroyed without close()
// leaves no file.
class WorkbookWriter
{
public:
    // The first sheet is named `sheetName` (empty: the spreadsheet's "Sheet1").
    explicit WorkbookWriter(const QString &path, const QString &sheetName = QString());
    ~WorkbookWriter();
    WorkbookWriter(const WorkbookWriter &) = delete;
    WorkbookWriter &operator=(const WorkbookWriter &) = delete;

    void setDefaultRowHeight(double points);
    void setColumns(int first, int last, double width, const CellStyle &style);
    void setRowHeight(int row, double points);
    void writeText(int row, int column, const QString &text, const CellStyle &style);
    void writeNumber(int row, int column, double value, const CellStyle &style);
    // Starts the next sheet; throws AppError for a name the format refuses.
    void addSheet(const QString &name);
    void insertChart(const ChartSpec &chart);

    // Page setup. Header and footer texts use the spreadsheet's codes
    // ("&C", "&P", "&\"Arial,Bold\"" ...); at most kMaxHeaderLength characters.
    static constexpr int kMaxHeaderLength = 255;
    void setRepeatRows(int first, int last);
    void setHeader(const QString &text, double marginInches);
    void setFooter(const QString &text, double marginInches);
    void setMargins(double left, double right, double top, double bottom);
    void setPortrait();
    void setLandscape();
    // Scales the printout to `wide` pages across (0: as many as needed) and
    // `tall` pages down.
    void fitToPages(int wide, int tall);
    void setPaper(int paperSize);
    void setPrintScale(int percent);
    void centreHorizontally();

    // Writes the file; throws AppError when it cannot be written.
    void close();

private:
    lxw_format *format(const CellStyle &style);
    void check(int error, const char *what);

    QString m_path;
    lxw_workbook *m_book = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    QByteArray m_sheetName; // in UTF-8, for the charts' ranges
    std::map<CellStyle, lxw_format *> m_formats;
};
