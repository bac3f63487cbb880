#pragma once

#include <QString>
#include <QVector>

#include <functional>

// The student-list import: a college's list is staged in tmpcollstud, cleaned,
// de-duplicated against itself and the stored students, and the survivors are
// appended to collstud. The CSV screen runs all of it; the Excel import stages
// the sheet its own way and reuses the de-duplication and copy steps.
namespace students {

struct ImportCounters
{
    qint64 sheet = 0;         // lines loaded
    qint64 nameEmpty = 0;     // deleted for a blank name
    qint64 noMobile = 0;      // moved to collstudnb
    qint64 dupSheet = 0;      // mobile number repeated within the upload
    qint64 dupDb = 0;         // mobile number stored under another college
    qint64 finalUploaded = 0; // appended to collstud
};

enum class Counter { None, Sheet, NameEmpty, NoMobile, DupSheet, DupDb, Final };

struct ImportStep
{
    QString caption;     // what the progress dialog says
    QString sql;
    Counter counter = Counter::None;
    // Where a retry starts when the connection dropped while this statement
    // ran: an append whose success is unknown is preceded by the statements
    // that drop what is already stored, so it cannot store a row twice.
    int resumeFrom = -1; // -1: the statement itself
    // Run only when a retry resumes at this statement; skipped otherwise.
    bool onRetryOnly = false;
};

// A step with its caption, statement and counter.
ImportStep importStep(const QString &caption, const QString &sql, Counter counter = Counter::None);

// Which statement texts to run. Literal: the statements exactly as they have
// always been written. Fast: equivalent statements that give the same rows and
// values with far fewer passes over a large collstud.
enum class ImportPlan { Literal, Fast };

// The de-duplication and copy statements shared by both imports, from the
// removal of rows without a mobile number to the append into collstud.
QVector<ImportStep> dedupSteps(const QString &db, ImportPlan plan = ImportPlan::Fast);

// How a CSV file is laid out, learnt before anything is loaded.
struct CsvShape
{
    bool crlf = false; // lines end in carriage return plus line feed
    int records = 0;   // lines including the heading
};

// Reads the whole file and checks that it can be imported: it exists, is
// readable, has a heading and six fields on every line. Throws AppError naming
// the file and the cause.
CsvShape inspectCsv(const QString &path);

// The statements of a CSV import, in order: emptying the staging tables, the
// load, the import date, the blank names, then dedupSteps().
QVector<ImportStep> csvImportSteps(const QString &db, const QString &path, const CsvShape &shape,
                                   ImportPlan plan = ImportPlan::Fast);

// The per-degree counts of a college: "BA - 12, BSC - 3", or "" without rows.
// By default the students of collstud counted by mobile number; the
// application import counts studadm by application number.
QString collegeCounts(const QString &db, const QString &college);
QString collegeCounts(const QString &db, const QString &college, const QString &table, const QString &countedColumn);

// Progress of one import, kept by the caller across reconnects so that a
// retry resumes instead of repeating finished statements.
struct ImportRun
{
    bool started = false;
    int next = 0; // first statement not known to be done
    bool resumed = false; // run.next was moved back to a statement's resume point
    QString db;
    ImportCounters counters;
    QString beforeLine;
    QString afterLine;
};

// Called before each statement (index, count, caption); screens show it,
// tests use it to break the connection at a chosen statement.
using StepObserver = std::function<void(int index, int count, const QString &caption)>;

// Runs `steps` from run.next, storing each statement's counter.
void runImportSteps(const QVector<ImportStep> &steps, ImportRun &run, const StepObserver &observer);

// What the import screen has read from its fields.
struct CsvImportRequest
{
    QString univCode;
    QString path;
    QString college; // as typed: the before/after counts use it unchanged
    ImportPlan plan = ImportPlan::Fast;
};

// A refusal before anything runs: the message and whether it is the critical one.
struct ImportRefusal
{
    QString text;
    bool critical = false;
};

// The checks both imports make first: the three fields filled in, and the
// college range of university "041" (the college must be a number for every
// university: the type-mismatch error otherwise).
ImportRefusal checkImportFields(const QString &univEntryTrimmed, const QString &univCode, const QString &college,
                                const QString &path);

// The checks made once before an import (empty fields, the college range of
// university "041", the file). Returns the refusal, or an empty text when the
// import may run. Throws the type-mismatch error for a college that is no
// number, and the file errors of inspectCsv().
ImportRefusal checkCsvImport(const QString &univEntryTrimmed, const CsvImportRequest &request, CsvShape *shape);

// The import itself, from the restart point on. Resumable: call it again with
// the same `run` after a dropped connection.
void importCsv(const CsvImportRequest &request, const CsvShape &shape, ImportRun &run,
               const StepObserver &observer = {});

// The six counts with the before and after lines, as both imports show them.
QString countsText(const ImportCounters &counters, const QString &beforeLine, const QString &afterLine);

// The summary shown at the end of an import.
QString importSummary(const ImportRun &run);

} // namespace students
