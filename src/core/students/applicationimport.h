#pragma once

#include "core/students/studentimport.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// The application path of the Excel import (university "023"): every staged
// student becomes a verified application in studadm with its subjects
// (options), expected documents (studoc) and fee lines (admfeedetl).
namespace students {

struct ApplicationRequest
{
    QString univCode;
    QString college;     // as typed; stored in every new row
    QStringList degrees; // degreesToImport(): ticked, in grid order, each once
    QString admDate;     // today's date, yyyy-mm-dd
    // Longest statement sent, in bytes; 0: a safe share of the server's
    // max_allowed_packet.
    qint64 maxStatementBytes = 0;
    // Literal: the subject codes replaced column by column as first
    // written; Fast: the same replacement in one pass.
    ImportPlan plan = ImportPlan::Fast;
};

// One bounded insert and the key that tells whether it was stored.
struct Batch
{
    QString sql;
    int rows = 0;
    QString storedCheck; // a query whose `n` is > 0 once the batch is stored
};

// Everything one degree writes, prepared before any of it is sent so that a
// retry after a dropped connection sends exactly the same rows and serials.
struct DegreePlan
{
    QString degree;
    QVector<Batch> applications;
    QVector<Batch> subjects;
    QStringList finishing; // numbering, subjects' numbers, documents, fees
};

// Progress, kept by the caller across reconnects: a retry resumes after the
// degrees and batches already stored instead of inserting them again.
struct ApplicationRun
{
    bool started = false;
    QString db;
    QString beforeLine;
    QString afterLine;
    qint64 total = 0;  // applications stored (the final count)
    qint64 staged = 0; // applications to store
    QVector<DegreePlan> plans;
    int degree = 0;       // plan being written
    int stage = 0;        // 0 applications, 1 subjects, 2 finishing statements
    int item = 0;         // batch or statement within the stage
    bool inDoubt = false; // the statement at the cursor was sent without a reply
    qint64 largestStatement = 0;
    qint64 statements = 0;
};

// Called as the import goes: applications stored so far, applications in all,
// what is being done.
using ApplicationObserver = std::function<void(qint64 done, qint64 total, const QString &caption)>;

// The error number of a staged row that cannot become an application.
constexpr qint64 kBadStagedRow = 5;

// Runs the path, or resumes it with the same `run` after a dropped
// connection. A fee that is empty or not a number stops the import with a
// message naming the row before anything outside the staging table is
// written.
void importApplications(const ApplicationRequest &request, ApplicationRun &run,
                        const ApplicationObserver &observer = {});

// The serial after `previous`: four digits at least ("0042"), more when needed.
QString nextSerial(const QString &previous);

} // namespace students
