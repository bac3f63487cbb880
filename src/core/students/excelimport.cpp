#include "core/students/excelimport.h"

#include "core/services/database.h"
#include "core/services/errors.h"
#include "core/services/sqltext.h"
#include "core/services/unitofwork.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace students {

namespace {

const QString kCrlf2 = QStringLiteral("\r\n\r\n");

[[noreturn]] void fileError(const QString &text, const QString &path)
{
    throw AppError(ErrNo::FileAccess, text, path);
}

QString besideWorkbook(const QString &workbookPath, const QString &folder, const QString &name)
{
    const QFileInfo info(workbookPath);
    return QDir(info.absolutePath()).filePath(folder + QLatin1Char('/') + name);
}

// Where the CSV copy of a workbook goes: "csv" beside it, the name with
// ".xlsx" and then ".xls" replaced by ".csv" (case-sensitive, every
// occurrence, so "1234.XLSX" keeps its extension).
QString csvPathFor(const QString &workbookPath)
{
    QString name = QFileInfo(workbookPath).fileName();
    name.replace(QStringLiteral(".xlsx"), QStringLiteral(".csv"));
    name.replace(QStringLiteral(".xls"), QStringLiteral(".csv"));
    return besideWorkbook(workbookPath, QStringLiteral("csv"), name);
}

// Where an imported workbook is moved: "completed" beside it, same name.
QString completedPathFor(const QString &workbookPath)
{
    return besideWorkbook(workbookPath, QStringLiteral("completed"), QFileInfo(workbookPath).fileName());
}

} // namespace

QString collegeFromFileName(const QString &workbookPath)
{
    return QFileInfo(workbookPath).fileName().left(4);
}

void makeUploadFolders(const QString &workbookPath)
{
    const QDir folder = QFileInfo(workbookPath).absoluteDir();
    for (const QString &sub : {QStringLiteral("csv"), QStringLiteral("completed")}) {
        if (QFileInfo(folder.filePath(sub)).isDir())
            continue;
        if (!folder.mkdir(sub))
            fileError(QStringLiteral("The folder %1 cannot be created.").arg(folder.filePath(sub)),
                      workbookPath);
    }
}

void moveToCompleted(const QString &workbookPath)
{
    const QString target = completedPathFor(workbookPath);
    const QString folder = QFileInfo(target).absolutePath();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder))
        fileError(QStringLiteral(
                          "The students were stored, but the folder %1 cannot be created; the workbook %2 "
                          "stays where it is.")
                          .arg(folder, workbookPath),
                  workbookPath);
    if (QFileInfo::exists(target) && !QFile::remove(target))
        fileError(QStringLiteral(
                          "The students were stored, but %1 cannot be replaced; the workbook %2 stays where "
                          "it is.")
                          .arg(target, workbookPath),
                  workbookPath);
    if (!QFile::copy(workbookPath, target))
        fileError(QStringLiteral(
                          "The students were stored, but the workbook %1 cannot be copied to %2; it stays "
                          "where it is.")
                          .arg(workbookPath, target),
                  workbookPath);
    if (!QFile::remove(workbookPath))
        fileError(QStringLiteral("The students were stored and the workbook copied to %1, but %2 cannot be "
                                 "deleted.")
                          .arg(target, workbookPath),
                  workbookPath);
}

QStringList sheetColumns(const QString &univCode)
{
    if (univCode == kApplicationUniv)
        return {QStringLiteral("fslno"),   QStringLiteral("fcollcode"), QStringLiteral("fdegree"),
                QStringLiteral("fname"),   QStringLiteral("ffatname"),  QStringLiteral("fmotname"),
                QStringLiteral("fgender"), QStringLiteral("fcatcode"),  QStringLiteral("ffee"),
                QStringLiteral("fsub01"),  QStringLiteral("fsub02"),    QStringLiteral("fsub03"),
                QStringLiteral("fsub04"),  QStringLiteral("fsub05"),    QStringLiteral("fsub06"),
                QStringLiteral("fsub07"),  QStringLiteral("fsub08"),    QStringLiteral("fsub09"),
                QStringLiteral("fsub10"),  QStringLiteral("fmobileno"), QStringLiteral("femail")};
    return {QStringLiteral("fslno"), QStringLiteral("fcollcode"), QStringLiteral("fdegree"),
            QStringLiteral("fname"), QStringLiteral("fmobileno"), QStringLiteral("femail")};
}

namespace {

// When the sheet's width differs from the expected columns: a message naming
// the expected and the found headings; otherwise "".
QString layoutMismatch(const SheetTable &table, const QString &univCode)
{
    const QStringList expected = sheetColumns(univCode);
    if (table.width == expected.size())
        return QString();
    QStringList found = table.headings();
    for (QString &h : found)
        h = h.isEmpty() ? QStringLiteral("(empty)") : h;
    return QStringLiteral(
                   "The sheet \"%1\" has %2 columns, but the workbook of this university has %3.\r\n\r\n"
                   "Expected: %4\r\n\r\nFound: %5")
            .arg(table.sheetName)
            .arg(table.width)
            .arg(expected.size())
            .arg(expected.join(QStringLiteral(", ")),
                 found.isEmpty() ? QStringLiteral("(an empty sheet)") : found.join(QStringLiteral(", ")));
}

// The first value of the sheet's rows below the heading that is longer than
// its column keeps, as a refusal naming the workbook, row and column.
void checkValueLengths(const SheetTable &table, const QString &univCode, const QString &path)
{
    const QStringList columns = sheetColumns(univCode);
    for (int r = 1; r < table.rows.size(); ++r) {
        const QStringList &row = table.rows.at(r);
        for (int c = 0; c < qMin(row.size(), columns.size()); ++c) {
            const ColumnLimit &limit = columnLimit(columns.at(c));
            const qsizetype length = row.at(c).toUcs4().size();
            if (length > limit.limit)
                throw AppError(
                        ErrNo::InvalidValue,
                        QStringLiteral("The workbook %1 cannot be imported: row %2 of the sheet: ")
                                        .arg(QFileInfo(path).fileName())
                                        .arg(table.firstRow + r) +
                                tooLong(limit, QStringLiteral("column %1").arg(QChar(u'A' + c)), length),
                        path);
        }
    }
}

// The statements that stage a CSV: emptying the staging tables, the load, the
// removal of nameless rows (name-empty counter), the copy into tmpcollstud
// and the import date (sheet counter). They touch staging tables only, so a
// replay simply stages the same rows again.
QVector<ImportStep> sheetLoadSteps(const QString &db, const QString &csvPath, const QString &univCode)
{
    const QString raw = sql::table(db, QStringLiteral("tmpcollstud1"));
    const QString tmp = sql::table(db, QStringLiteral("tmpcollstud"));
    const QString all =
            QStringLiteral("fslno, fcollcode, fdegree, fname, ffatname, fmotname, fgender, fcatcode, ffee, "
                           "fsub01, fsub02, fsub03, fsub04, fsub05, fsub06, fsub07, fsub08, fsub09, "
                           "fsub10, fmobileno, femail");
    // The table of repeated numbers is emptied by delete: a truncate would
    // commit the transaction the phase runs in.
    QVector<ImportStep> steps;
    steps << importStep(QStringLiteral("Emptying the load table"), QStringLiteral("delete from %1").arg(raw))
          << importStep(QStringLiteral("Emptying the staging table"),
                        QStringLiteral("delete from %1").arg(tmp))
          << importStep(
                     QStringLiteral("Emptying the table of repeated numbers"),
                     QStringLiteral("delete from %1").arg(sql::table(db, QStringLiteral("tmpcollstuddup"))))
          << importStep(
                     QStringLiteral("Loading the sheet"),
                     QStringLiteral(
                             "LOAD DATA local INFILE %1 INTO TABLE %2 FIELDS TERMINATED BY ',' ENCLOSED BY "
                             "'\"' IGNORE 1 LINES (%3)")
                             .arg(sql::quote(csvPath), raw,
                                  sheetColumns(univCode).join(QStringLiteral(", "))))
          << importStep(QStringLiteral("Removing the rows without a name"),
                        QStringLiteral("delete from %1 where ltrim(ifnull(fname,'')) = ''").arg(raw),
                        Counter::NameEmpty)
          << importStep(QStringLiteral("Staging the rows"),
                        QStringLiteral("insert into %1(%3) select %3 from %2").arg(tmp, raw, all))
          << importStep(QStringLiteral("Setting the import date"),
                        QStringLiteral("update %1 set fimpdate = sysdate()").arg(tmp), Counter::Sheet);
    return steps;
}

} // namespace

SheetResult stageWorkbook(const SheetRequest &request,
                          const std::function<bool(const QString &)> &acceptLayout,
                          const StepObserver &observer, const ConversionWatch &watch)
{
    SheetResult result;
    const Rows college = Conn::query(
            QStringLiteral("select fcollcode, fcollname, femail from %1 where fcollcode = %2")
                    .arg(sql::table(request.db, QStringLiteral("college")), sql::quote(request.college)));
    if (college.isEmpty()) {
        result.outcome = SheetResult::UnknownCollege;
        return result;
    }
    result.email = college.value(QStringLiteral("femail"));

    // The CSV goes beside the workbook actually read, so a path typed after
    // choosing another file cannot overwrite that file's copy. An old CSV of
    // the same name goes first, so a failed read leaves none behind.
    makeUploadFolders(request.workbookPath);
    const QString csv = csvPathFor(request.workbookPath);
    if (observer)
        observer(0, 0, QStringLiteral("Reading the workbook"));
    if (QFileInfo::exists(csv) && !QFile::remove(csv))
        fileError(QStringLiteral("The old CSV file %1 cannot be deleted.").arg(csv), csv);
    const SheetTable table = saveActiveSheetAsCsv(request.workbookPath, csv, watch);
    const QString mismatch = layoutMismatch(table, request.univCode);
    if (!mismatch.isEmpty() && !acceptLayout(mismatch)) {
        result.outcome = SheetResult::Declined;
        return result;
    }
    checkValueLengths(table, request.univCode, request.workbookPath);

    const QVector<ImportStep> steps = sheetLoadSteps(request.db, csv, request.univCode);
    UnitOfWork unit(QStringLiteral("sheet staging"));
    unit.onAttempt([&] {
        result.counters = ImportCounters();
        result.degrees.clear();
    });
    addImportSteps(unit, steps, result.counters, observer, 0, int(steps.size()) + 1);
    unit.step(QStringLiteral("degrees"), [&] {
        if (observer)
            observer(int(steps.size()), int(steps.size()) + 1, QStringLiteral("Listing the degrees"));
        const Rows rows =
                Conn::query(QStringLiteral("select fdegree, count(fmobileno) as fcount from %1 group by "
                                           "fdegree order by fdegree")
                                    .arg(sql::table(request.db, QStringLiteral("tmpcollstud"))));
        for (int r = 0; r < rows.size(); ++r)
            result.degrees.append({rows.value(QStringLiteral("fdegree"), r),
                                   rows.value(QStringLiteral("fcount"), r).toLongLong()});
        return qint64(0);
    });
    // No commit check: a replay stages the same rows again.
    unit.run();
    return result;
}

QVector<ImportStep> degreeGridSteps(const QString &db, const QVector<DegreeDecision> &grid)
{
    const QString tmp = sql::table(db, QStringLiteral("tmpcollstud"));
    QVector<ImportStep> steps;
    for (const DegreeDecision &d : grid) {
        const QString code = d.code.trimmed();
        if (d.ticked && code != d.oldCode)
            steps << importStep(QStringLiteral("Renaming degree %1 to %2").arg(d.oldCode, code),
                                QStringLiteral("update %1 set fdegree = %2 where fdegree = %3")
                                        .arg(tmp, sql::quote(code), sql::quote(d.oldCode)));
        else if (!d.ticked)
            steps << importStep(
                    QStringLiteral("Leaving out degree %1").arg(d.oldCode),
                    QStringLiteral("delete from %1 where fdegree = %2").arg(tmp, sql::quote(d.oldCode)));
    }
    return steps;
}

QStringList degreesToImport(const QVector<DegreeDecision> &grid)
{
    QStringList out;
    for (const DegreeDecision &d : grid) {
        const QString code = d.code.trimmed();
        if (d.ticked && !out.contains(code))
            out << code;
    }
    return out;
}

QHash<QString, QString> finalDegreeCodes(const QVector<DegreeDecision> &grid)
{
    QHash<QString, QString> out;
    for (const DegreeDecision &staged : grid) {
        QString code = staged.oldCode;
        bool deleted = false;
        for (const DegreeDecision &d : grid) {
            if (deleted || d.oldCode != code)
                continue;
            if (!d.ticked)
                deleted = true;
            else
                code = d.code.trimmed();
        }
        if (!deleted)
            out.insert(staged.oldCode, code);
    }
    return out;
}

ImportResult importStudentList(const QString &db, const QString &college, const QVector<DegreeDecision> &grid,
                               const ImportCounters &fromSheet, const StepObserver &observer)
{
    ImportCounters carried;
    carried.sheet = fromSheet.sheet;
    carried.nameEmpty = fromSheet.nameEmpty;
    return runStudentList(db, college, degreeGridSteps(db, grid) + dedupSteps(db), carried, observer);
}

QString completionMessage(const QString &college, const ImportCounters &counters, const QString &beforeLine,
                          const QString &afterLine)
{
    return QStringLiteral("Importing data completed!!") + kCrlf2 + QStringLiteral("College : ") + college +
           kCrlf2 + countsText(counters, beforeLine, afterLine);
}

namespace {

// The help desk's mailbox that receives a copy of every format-error mail.
const QString kHelpDeskMailbox = QStringLiteral("desk@corvane.example.com");

QString errorMailSubject(const QString &db)
{
    return db.right(3) + QStringLiteral(": Error in Uploaded Excel File");
}

QString errorMailBody()
{
    return QStringLiteral(
            "Dear Sir / Madam,<br><br> The excel sheet uploaded by you is not matching with our format. "
            "Requesting you to download the fresh format from college portal and upload it.<br><br>"
            "Regards,<br>Help Desk<br>TSC");
}

} // namespace

mail::Result sendErrorMail(const QString &recipient, const QString &db)
{
    if (recipient.trimmed().isEmpty())
        return {};
    return sendMail(QStringLiteral("N01"), recipient, errorMailSubject(db), errorMailBody(),
                    kHelpDeskMailbox);
}

} // namespace students
