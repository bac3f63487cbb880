#pragma once

#include "core/services/mail.h"
#include "core/services/workbook.h"
#include "core/students/studentimport.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// The Excel import: a college's workbook is read into a CSV beside it, staged
// in tmpcollstud1/tmpcollstud, listed by degree for the operator to check,
// and then stored either in the student list (every university but one) or
// as complete applications (university "023", see applicationimport.h).
namespace students {

// The university whose uploads become applications.
inline const QString kApplicationUniv = QStringLiteral("023");

// ---------------------------------------------------------------- folders

// The college code a file name carries: its first four characters.
QString collegeFromFileName(const QString &workbookPath);
// Creates the "csv" and "completed" folders beside the workbook when missing.
// Throws AppError when one cannot be created.
void makeUploadFolders(const QString &workbookPath);
// Moves the workbook into "completed" (an older copy there is replaced). The
// workbook is only deleted once its copy is in place. Throws AppError.
void moveToCompleted(const QString &workbookPath);

// ---------------------------------------------------------------- sheet phase

// The staging columns a university's sheet is loaded into, in sheet order.
QStringList sheetColumns(const QString &univCode);

// One line of the degree grid as the sheet phase fills it.
struct DegreeCount
{
    QString code;
    qint64 count = 0; // rows with a mobile-number value
};

struct SheetRequest
{
    QString db; // the university's database, looked up when the command started
    QString univCode;
    QString college; // as typed
    QString workbookPath;
};

struct SheetResult
{
    enum Outcome { Staged, UnknownCollege, Declined } outcome = Staged;
    QString email;           // the college's address, for the error mail
    ImportCounters counters; // sheet and name-empty
    QVector<DegreeCount> degrees;
};

// The sheet phase: the college looked up, the workbook read into its CSV,
// the layout compared (a different one is put to `acceptLayout`, asked before
// anything is loaded), every value checked against its column's limit, and
// the CSV staged as one unit, ending with the grid's degrees. `watch` guards
// a legacy workbook's conversion. Throws AppError; a reported one when the
// watch stopped the reading.
SheetResult stageWorkbook(const SheetRequest &request,
                          const std::function<bool(const QString &)> &acceptLayout,
                          const StepObserver &observer = {}, const ConversionWatch &watch = {});

// ---------------------------------------------------------------- the grid

// One grid line as the operator left it.
struct DegreeDecision
{
    QString oldCode;
    QString code; // as typed
    bool ticked = true;
};

// The statements that apply the grid to the staging table in grid order: a
// ticked line whose code was changed rewrites the old code, an unticked one
// deletes it.
QVector<ImportStep> degreeGridSteps(const QString &db, const QVector<DegreeDecision> &grid);

// The ticked degree codes (trimmed) in grid order, each once: two lines that
// end in the same code import that degree once.
QStringList degreesToImport(const QVector<DegreeDecision> &grid);

// Where the grid sends each staged code: the code its rows carry once every
// line has been applied in order; codes whose rows are deleted are absent.
QHash<QString, QString> finalDegreeCodes(const QVector<DegreeDecision> &grid);

// ---------------------------------------------------------------- student list

// The student-list path as one unit: the grid, the shared de-duplication,
// the append to collstud and the counts before and after. `fromSheet` gives
// the sheet and name-empty counters.
ImportResult importStudentList(const QString &db, const QString &college, const QVector<DegreeDecision> &grid,
                               const ImportCounters &fromSheet, const StepObserver &observer = {});

// "Importing data completed!!" with the college and the counts.
QString completionMessage(const QString &college, const ImportCounters &counters, const QString &beforeLine,
                          const QString &afterLine);

// ---------------------------------------------------------------- error mail

// Sends the format-error mail to the college; nothing is sent (and sent is
// false with an empty reason) when the address is blank.
mail::Result sendErrorMail(const QString &recipient, const QString &db);

} // namespace students
