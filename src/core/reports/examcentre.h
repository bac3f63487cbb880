#pragma once

#include "core/reports/reportfile.h"
#include "core/services/database.h"

#include <QString>
#include <QVector>

// One sheet row below the heading row of the examination centre list.
struct CentreListLine
{
    bool separator = false; // the empty row of height 10 before a later group
    int serial = 0;         // the group's serial number on its first row; 0 elsewhere
    QString centre;         // column B: the centre on a group's first row, else ""
    QString college;        // column C: the tagged college
};

// Fills the work table (created when missing) and runs the report query.
Rows queryExamCentres();

// Groups the query's rows by centre as the sheet shows them. Throws the
// overflow error (6) when the list would pass sheet row 32,767.
QVector<CentreListLine> layoutExamCentres(const Rows &rows);

// Writes the list with its page setup to `path` (a new file), through
// saveReportFile.
void writeExamCentreWorkbook(const QVector<CentreListLine> &lines, const QString &path);

struct ExamCentreResult
{
    bool noRecords = false;
    QString path; // the workbook written, when there were records
};

// The whole report: work table, query, layout, workbook in `folder`.
// Throws AppError on a database or file error; then no report file exists.
ExamCentreResult writeExamCentreList(const QString &folder);
