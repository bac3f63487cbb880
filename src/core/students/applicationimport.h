#pragma once

#include "core/students/excelimport.h"
#include "core/students/studentimport.h"

#include <QString>
#include <QStringList>
#include <QVector>

// The application path of the Excel import (university "023"): every staged
// student becomes a verified application in studadm with its subjects
// (options), expected documents (studoc) and fee lines (admfeedetl).
namespace students {

struct ApplicationRequest
{
    QString db;      // the university's database, looked up when the command started
    QString college; // as typed; stored in every new row
    QVector<DegreeDecision> grid;
    QString admDate; // today's date, yyyy-mm-dd
    // Longest statement sent, in bytes; 0: a safe share of the server's
    // max_allowed_packet.
    qint64 maxStatementBytes = 0;
};

// What the path did; filled as each degree commits, so it also tells what
// was stored before a failure.
struct ApplicationResult
{
    QString beforeLine;
    QString afterLine;
    qint64 total = 0;            // applications stored (the final count)
    QStringList degrees;         // degrees stored, in order
    qint64 largestStatement = 0; // longest insert of applications or subjects, in bytes
    qint64 statements = 0;
};

// How many of the sheet's students (by mobile number) already have an
// application of the college for the degree the grid puts them in.
qint64 existingApplications(const QString &db, const QString &college, const QVector<DegreeDecision> &grid);

// Runs the path: one unit per degree, the first one also applying the grid
// and checking every fee (an empty or mistyped one stops the import, naming
// the row, before anything is stored). Subjects are stored under the code of
// their short name for the degree. `observer` hears (degree, degrees,
// caption).
void importApplications(const ApplicationRequest &request, ApplicationResult &result,
                        const StepObserver &observer = {});

// The serial after `previous`: four digits at least ("0042"), more when needed.
QString nextSerial(const QString &previous);

} // namespace students
