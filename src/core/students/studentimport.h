#pragma once

#include <QString>
#include <QVector>

#include <functional>
#include <memory>

class QTemporaryFile;
class UnitOfWork;

// The student-list import: a college's list is staged in tmpcollstud, cleaned,
// de-duplicated against itself and the stored students, and the survivors are
// appended to collstud. The CSV screen runs all of it; the Excel import stages
// the sheet its own way and reuses the de-duplication and copy steps. Either
// runs as one transaction, so a cut link never leaves half an import.
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
    QString caption; // what the progress window says
    QString sql;
    Counter counter = Counter::None;
};

ImportStep importStep(const QString &caption, const QString &sql, Counter counter = Counter::None);

// The de-duplication and copy statements shared by both imports, from the
// removal of rows without a mobile number to the append into collstud.
QVector<ImportStep> dedupSteps(const QString &db);

// The longest value a staged column keeps, in characters: the column's width
// in the staging tables and in the tables an import fills, or, shorter, the
// length of a code (a college code has 4 characters, a degree code 5). A
// longer value is refused, never cut.
struct ColumnLimit
{
    QString column;
    QString label; // how a refusal names the value
    int limit = 0;
};
const QVector<ColumnLimit> &columnLimits();
// The limit of a staging column; throws for a column without one.
const ColumnLimit &columnLimit(const QString &column);
// "the degree code (field 3) has 15 characters; at most 5 are allowed."
QString tooLong(const ColumnLimit &limit, const QString &where, qsizetype length);

// How a CSV file is laid out, learnt before anything is loaded.
struct CsvShape
{
    bool crlf = false; // every line ends in carriage return plus line feed
    int records = 0;   // lines including the heading
    // A file whose lines end both ways is loaded from this copy, in which
    // every line ends in a line feed alone.
    std::shared_ptr<QTemporaryFile> lfCopy;
};

// Reads the whole file and checks that the load will read it as written: it
// exists, is readable, has a heading, six fields on every line, no value
// longer than its column keeps (columnLimits()), no NUL byte, and no quote
// that the load would take for part of a quoted field. Each line ends in a
// line feed, with or without a carriage return before it. Throws AppError
// naming the file, the line and the cause.
CsvShape inspectCsv(const QString &path);

// Every statement of a CSV import: emptying the staging tables, the load
// (sheet counter, its step captioned kLoadCaption), the removal of blank
// names (name-empty counter), then dedupSteps().
QVector<ImportStep> csvImportSteps(const QString &db, const QString &path, const CsvShape &shape);

// The caption of the step that loads the file; an error there names the file.
inline const QString kLoadCaption = QStringLiteral("Loading the file");

// The per-degree counts of a college: "BA - 12, BSC - 3", or "" without rows.
// By default the students of collstud counted by mobile number; the
// application import counts studadm by application number.
QString collegeCounts(const QString &db, const QString &college);
QString collegeCounts(const QString &db, const QString &college, const QString &table,
                      const QString &countedColumn);

// What an import reports at its end.
struct ImportResult
{
    ImportCounters counters;
    QString beforeLine;
    QString afterLine;
};

// Called before each statement (index, count, caption) for the progress
// window; a count of 0 when how far the work has come is not known. It runs inside the import's transaction:
// it may paint, but must not let other events run.
using StepObserver = std::function<void(int index, int count, const QString &caption)>;

// Adds `steps` to `unit`; each stores its rows affected in its counter.
void addImportSteps(UnitOfWork &unit, const QVector<ImportStep> &steps, ImportCounters &counters,
                    const StepObserver &observer = {}, int first = 0, int count = -1);

// Runs a student-list import as one unit: the counts of `college` before,
// `steps` (what prepares the staging table, e.g. the load, then the
// de-duplication and append), and the counts after. `carried` gives the
// counters that earlier work already set (the Excel sheet phase); the rest
// are recomputed by every attempt. A lost answer to the commit is settled by
// looking for what the append stored (see the definition).
ImportResult runStudentList(const QString &db, const QString &college, const QVector<ImportStep> &steps,
                            const ImportCounters &carried, const StepObserver &observer = {});

// What the import screen has read from its fields.
struct CsvImportRequest
{
    QString univCode;
    QString path;
    QString college; // as typed: the before/after counts use it unchanged
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
ImportRefusal checkImportFields(const QString &univEntryTrimmed, const QString &univCode,
                                const QString &college, const QString &path);

// The checks made once before an import (empty fields, the college range of
// university "041", the file). Returns the refusal, or an empty text when the
// import may run. Throws the type-mismatch error for a college that is no
// number, and the file errors of inspectCsv().
ImportRefusal checkCsvImport(const QString &univEntryTrimmed, const CsvImportRequest &request,
                             CsvShape *shape);

// The CSV import into the university database `db` as one unit running
// `steps` (csvImportSteps() of the request's file).
ImportResult importCsv(const QString &db, const CsvImportRequest &request, const QVector<ImportStep> &steps,
                       const StepObserver &observer = {});

// The line of a summary that gives a college's per-degree counts (as
// collegeCounts() returns them) taken before or after an import. A college
// without students reads "... Before Importing : 0" but gives no line after.
enum class CountsTaken { Before, After };
QString countsLine(CountsTaken when, const QString &counts);

// The six counts with the before and after lines, as both imports show them.
QString countsText(const ImportCounters &counters, const QString &beforeLine, const QString &afterLine);

// The summary shown at the end of a CSV import.
QString importSummary(const ImportResult &result);

} // namespace students
