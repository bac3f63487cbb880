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

WorkbookWriter::WorkbookWriter(const QString &path)
    : m_path(path)
{
    m_book = workbook_new(QFile::encodeName(path).constData());
    if (m_book)
        m_sheet = workbook_add_worksheet(m_book, nullptr);
    if (!m_sheet)
        throw AppError(ErrNo::Workbook, QStringLiteral("The workbook %1 cannot be created.").arg(path), path);
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
