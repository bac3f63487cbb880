// Writing report workbooks: a thin layer over libxlsxwriter that turns its
// error codes into AppError and caches one format per distinct style.

#include "core/services/workbook.h"

#include "core/services/errors.h"

#include <QFile>

#include <xlsxwriter.h>

#include <tuple>

bool CellStyle::operator<(const CellStyle &o) const
{
    return std::tie(fontSize, bold, horizontal, vertical, wrap) <
           std::tie(o.fontSize, o.bold, o.horizontal, o.vertical, o.wrap);
}

WorkbookWriter::WorkbookWriter(const QString &path, const QString &sheetName)
    : m_path(path)
{
    m_book = workbook_new(QFile::encodeName(path).constData());
    if (!m_book)
        throw AppError(ErrNo::Workbook, QStringLiteral("The workbook %1 cannot be created.").arg(path), path);
    addSheet(sheetName.isEmpty() ? QStringLiteral("Sheet1") : sheetName);
}

void WorkbookWriter::addSheet(const QString &name)
{
    const QByteArray utf8 = name.toUtf8();
    check(workbook_validate_sheet_name(m_book, utf8.constData()), "sheet name");
    m_sheet = workbook_add_worksheet(m_book, utf8.constData());
    if (!m_sheet)
        throw AppError(ErrNo::Workbook, QStringLiteral("The workbook %1 cannot be created.").arg(m_path),
                       m_path);
    m_sheetName = utf8;
}

void WorkbookWriter::insertChart(const ChartSpec &spec)
{
    static const uint8_t kinds[] = {LXW_CHART_COLUMN, LXW_CHART_COLUMN_STACKED, LXW_CHART_BAR,
                                    LXW_CHART_LINE};
    lxw_chart *chart = workbook_add_chart(m_book, kinds[int(spec.kind)]);
    if (!chart)
        check(LXW_ERROR_MEMORY_MALLOC_FAILED, "chart");
    const char *sheet = m_sheetName.constData();
    for (const int column : spec.valueColumns) {
        lxw_chart_series *series = chart_add_series(chart, nullptr, nullptr);
        if (!series)
            check(LXW_ERROR_MEMORY_MALLOC_FAILED, "chart series");
        chart_series_set_categories(series, sheet, lxw_row_t(spec.firstRow), lxw_col_t(spec.categoryColumn),
                                    lxw_row_t(spec.lastRow), lxw_col_t(spec.categoryColumn));
        chart_series_set_values(series, sheet, lxw_row_t(spec.firstRow), lxw_col_t(column),
                                lxw_row_t(spec.lastRow), lxw_col_t(column));
        chart_series_set_name_range(series, sheet, lxw_row_t(spec.nameRow), lxw_col_t(column));
        if (spec.valueLabels)
            chart_series_set_labels(series);
    }
    const QByteArray title = spec.title.toUtf8(), category = spec.categoryTitle.toUtf8(),
                     value = spec.valueTitle.toUtf8();
    chart_title_set_name(chart, title.constData());
    if (!category.isEmpty())
        chart_axis_set_name(chart->x_axis, category.constData());
    if (!value.isEmpty())
        chart_axis_set_name(chart->y_axis, value.constData());
    chart_legend_set_position(chart, LXW_CHART_LEGEND_BOTTOM);
    lxw_chart_options options{};
    options.x_scale = spec.widthScale;
    options.y_scale = spec.heightScale;
    check(worksheet_insert_chart_opt(m_sheet, lxw_row_t(spec.anchorRow), lxw_col_t(spec.anchorColumn), chart,
                                     &options),
          "chart");
}

WorkbookWriter::~WorkbookWriter()
{
    // Not closed: discard the content without writing the file.
    if (m_book)
        lxw_workbook_free(m_book);
}

void WorkbookWriter::check(int error, const char *what)
{
    if (error != LXW_NO_ERROR)
        throw AppError(ErrNo::Workbook,
                       QStringLiteral("The workbook %1 cannot be written (%2: %3).")
                               .arg(m_path, QString::fromLatin1(what),
                                    QString::fromLatin1(lxw_strerror(lxw_error(error)))),
                       m_path);
}

lxw_format *WorkbookWriter::format(const CellStyle &style)
{
    const auto found = m_formats.find(style);
    if (found != m_formats.end())
        return found->second;
    lxw_format *f = workbook_add_format(m_book);
    format_set_font_size(f, style.fontSize);
    if (style.bold)
        format_set_bold(f);
    if (style.horizontal == HAlign::Left)
        format_set_align(f, LXW_ALIGN_LEFT);
    else if (style.horizontal == HAlign::Centre)
        format_set_align(f, LXW_ALIGN_CENTER);
    else if (style.horizontal == HAlign::Right)
        format_set_align(f, LXW_ALIGN_RIGHT);
    if (style.vertical == VAlign::Centre)
        format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
    if (style.wrap)
        format_set_text_wrap(f);
    m_formats.emplace(style, f);
    return f;
}

void WorkbookWriter::setDefaultRowHeight(double points)
{
    worksheet_set_default_row(m_sheet, points, LXW_FALSE);
}

void WorkbookWriter::setColumns(int first, int last, double width, const CellStyle &style)
{
    check(worksheet_set_column(m_sheet, lxw_col_t(first), lxw_col_t(last), width, format(style)), "column");
}

void WorkbookWriter::setRowHeight(int row, double points)
{
    check(worksheet_set_row(m_sheet, lxw_row_t(row), points, nullptr), "row height");
}

void WorkbookWriter::writeText(int row, int column, const QString &text, const CellStyle &style)
{
    const QByteArray utf8 = text.toUtf8();
    check(worksheet_write_string(m_sheet, lxw_row_t(row), lxw_col_t(column), utf8.constData(), format(style)),
          "cell");
}

void WorkbookWriter::writeNumber(int row, int column, double value, const CellStyle &style)
{
    check(worksheet_write_number(m_sheet, lxw_row_t(row), lxw_col_t(column), value, format(style)), "cell");
}

void WorkbookWriter::setRepeatRows(int first, int last)
{
    check(worksheet_repeat_rows(m_sheet, lxw_row_t(first), lxw_row_t(last)), "title rows");
}

void WorkbookWriter::setHeader(const QString &text, double marginInches)
{
    const QByteArray utf8 = text.toUtf8();
    lxw_header_footer_options options{};
    options.margin = marginInches;
    check(worksheet_set_header_opt(m_sheet, utf8.constData(), &options), "page header");
}

void WorkbookWriter::setFooter(const QString &text, double marginInches)
{
    const QByteArray utf8 = text.toUtf8();
    lxw_header_footer_options options{};
    options.margin = marginInches;
    check(worksheet_set_footer_opt(m_sheet, utf8.constData(), &options), "page footer");
}

void WorkbookWriter::setMargins(double left, double right, double top, double bottom)
{
    worksheet_set_margins(m_sheet, left, right, top, bottom);
}

void WorkbookWriter::setPortrait()
{
    worksheet_set_portrait(m_sheet);
}

void WorkbookWriter::setLandscape()
{
    worksheet_set_landscape(m_sheet);
}

void WorkbookWriter::fitToPages(int wide, int tall)
{
    worksheet_fit_to_pages(m_sheet, uint16_t(wide), uint16_t(tall));
}

void WorkbookWriter::setPaper(int paperSize)
{
    worksheet_set_paper(m_sheet, uint8_t(paperSize));
}

void WorkbookWriter::setPrintScale(int percent)
{
    worksheet_set_print_scale(m_sheet, uint16_t(percent));
}

void WorkbookWriter::centreHorizontally()
{
    worksheet_center_horizontally(m_sheet);
}

void WorkbookWriter::close()
{
    lxw_workbook *book = m_book;
    m_book = nullptr; // workbook_close frees it, whatever the outcome
    m_sheet = nullptr;
    m_formats.clear();
    const lxw_error error = workbook_close(book);
    if (error != LXW_NO_ERROR) {
        QFile::remove(m_path);
        throw AppError(ErrNo::Workbook,
                       QStringLiteral("The workbook %1 cannot be written (%2).")
                               .arg(m_path, QString::fromLatin1(lxw_strerror(error))),
                       m_path);
    }
}
