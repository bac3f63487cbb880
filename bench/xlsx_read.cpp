// Reading speed of the workbook reader: a generated 100,000-row, 21-column
// student sheet turned into the load's CSV. Prints rows per second and, last,
// the ratio of that rate to the goal of 20,000 rows/s.

#include "core/services/workbook.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <xlsxwriter.h>

#include <cstdio>
#include <string>

int main()
{
    const int rows = 100000;
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/students.xlsx");
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook *wb = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    lxw_worksheet *ws = workbook_add_worksheet(wb, nullptr);
    for (int c = 0; c < 21; ++c)
        worksheet_write_string(ws, 0, lxw_col_t(c), ("h" + std::to_string(c)).c_str(), nullptr);
    for (int r = 1; r <= rows; ++r) {
        worksheet_write_string(ws, lxw_row_t(r), 0, std::to_string(r).c_str(), nullptr);
        worksheet_write_string(ws, lxw_row_t(r), 1, "C101", nullptr);
        worksheet_write_string(ws, lxw_row_t(r), 2, "MBA", nullptr);
        worksheet_write_string(ws, lxw_row_t(r), 3, ("Student, " + std::to_string(r)).c_str(), nullptr);
        for (int c = 4; c < 19; ++c)
            worksheet_write_string(ws, lxw_row_t(r), lxw_col_t(c), "SUBJ", nullptr);
        worksheet_write_number(ws, lxw_row_t(r), 19, 9000000000.0 + r, nullptr);
        worksheet_write_string(ws, lxw_row_t(r), 20, "s@example.edu", nullptr);
    }
    if (workbook_close(wb) != LXW_NO_ERROR) {
        std::fprintf(stderr, "could not write the sample workbook\n");
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    const SheetTable table = readActiveSheet(path);
    const QByteArray csv = toCsv(table);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double rate = double(table.rows.size() - 1) / seconds;
    std::printf("rows=%d columns=%d csv_bytes=%lld seconds=%.3f\n", int(table.rows.size() - 1), table.width,
                static_cast<long long>(csv.size()), seconds);
    std::printf("rows_per_second=%.0f\n", rate);
    std::printf("ratio=%.2f\n", rate / 20000.0);
    return 0;
}
