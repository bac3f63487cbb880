#include "core/students/excelimport.h"

#include "core/services/database.h"
#include "core/services/errors.h"
#include "core/services/sqltext.h"
#include "core/students/university.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace students {

namespace {

const QString kBeforeNone = QStringLiteral("Records Before Importing : 0");
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

} // namespace

QString csvPathFor(const QString &workbookPath)
{
    QString name = QFileInfo(workbookPath).fileName();
    name.replace(QStringLiteral(".xlsx"), QStringLiteral(".csv"));
    name.replace(QStringLiteral(".xls"), QStringLiteral(".csv"));
    return besideWorkbook(workbookPath, QStringLiteral("csv"), name);
}

QString completedPathFor(const QString &workbookPath)
{
    return besideWorkbook(workbookPath, QStringLiteral("completed"), QFileInfo(workbookPath).fileName());
}

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

CollegeInfo lookUpCollege(const QString &db, const QString &college)
{
    const Rows rows =
            Conn::query(QStringLiteral("select fcollcode, fcollname, femail from %1 where fcollcode = %2")
                                .arg(sql::table(db, QStringLiteral("college")), sql::quote(college)));
    CollegeInfo info;
    info.found = !rows.isEmpty();
    if (info.found)
        info.email = rows.value(QStringLiteral("femail"));
    return info;
}

SheetTable writeSheetCsv(const QString &workbookPath, const QString &csvPath)
{
    if (QFileInfo::exists(csvPath) && !QFile::remove(csvPath))
        fileError(QStringLiteral("The old CSV file %1 cannot be deleted.").arg(csvPath), csvPath);
    return saveActiveSheetAsCsv(workbookPath, csvPath);
}

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

QVector<ImportStep> sheetLoadSteps(const QString &db, const QString &csvPath, const QString &univCode)
{
    const QString raw = sql::table(db, QStringLiteral("tmpcollstud1"));
    const QString tmp = sql::table(db, QStringLiteral("tmpcollstud"));
    const QString all =
            QStringLiteral("fslno, fcollcode, fdegree, fname, ffatname, fmotname, fgender, fcatcode, ffee, "
                           "fsub01, fsub02, fsub03, fsub04, fsub05, fsub06, fsub07, fsub08, fsub09, "
                           "fsub10, fmobileno, femail");
    QVector<ImportStep> steps;
    steps << importStep(QStringLiteral("Emptying the load table"), QStringLiteral("delete from %1").arg(raw))
          << importStep(QStringLiteral("Emptying the staging table"), QStringLiteral("delete from %1").arg(tmp))
          << importStep(QStringLiteral("Emptying the table of repeated numbers"),
                  QStringLiteral("truncate table %1").arg(sql::table(db, QStringLiteral("tmpcollstuddup"))))
          << importStep(QStringLiteral("Loading the sheet"),
                  QStringLiteral(
                          "LOAD DATA local INFILE %1 INTO TABLE %2 FIELDS TERMINATED BY ',' ENCLOSED BY '\"' "
                          "IGNORE 1 LINES (%3)")
                          .arg(sql::quote(csvPath), raw, sheetColumns(univCode).join(QStringLiteral(", "))))
          << importStep(QStringLiteral("Removing the rows without a name"),
                  QStringLiteral("delete from %1 where ltrim(ifnull(fname,'')) = ''").arg(raw),
                  Counter::NameEmpty)
          << importStep(QStringLiteral("Staging the rows"),
                  QStringLiteral("insert into %1(%3) select %3 from %2").arg(tmp, raw, all))
          << importStep(QStringLiteral("Setting the import date"),
                  QStringLiteral("update %1 set fimpdate = sysdate()").arg(tmp), Counter::Sheet);
    return steps;
}

QVector<DegreeCount> stagedDegrees(const QString &db)
{
    const Rows rows =
            Conn::query(QStringLiteral("select fdegree, count(fmobileno) as fcount from %1 group by fdegree "
                                       "order by fdegree")
                                .arg(sql::table(db, QStringLiteral("tmpcollstud"))));
    QVector<DegreeCount> out;
    for (int r = 0; r < rows.size(); ++r)
        out.append({rows.value(QStringLiteral("fdegree"), r),
                    rows.value(QStringLiteral("fcount"), r).toLongLong()});
    return out;
}

void applyDegreeDecisions(const QString &db, const QVector<DegreeDecision> &grid)
{
    const QString tmp = sql::table(db, QStringLiteral("tmpcollstud"));
    for (const DegreeDecision &d : grid) {
        const QString code = d.code.trimmed();
        if (d.ticked && code != d.oldCode)
            Conn::execute(QStringLiteral("update %1 set fdegree = %2 where fdegree = %3")
                                  .arg(tmp, sql::quote(code), sql::quote(d.oldCode)));
        else if (!d.ticked)
            Conn::execute(
                    QStringLiteral("delete from %1 where fdegree = %2").arg(tmp, sql::quote(d.oldCode)));
    }
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

void importStudentList(const QString &univCode, const QString &college, ImportRun &run,
                       const StepObserver &observer)
{
    if (!run.started) {
        const ImportCounters fromSheet = run.counters;
        run = ImportRun();
        run.counters.sheet = fromSheet.sheet;
        run.counters.nameEmpty = fromSheet.nameEmpty;
        run.db = selectUniversity(univCode);
        run.beforeLine = kBeforeNone;
        const QString before = collegeCounts(run.db, college);
        if (!before.isEmpty())
            run.beforeLine = QStringLiteral("Records Before Importing : ") + before;
        run.started = true;
    }
    const QVector<ImportStep> steps = dedupSteps(run.db);
    // A statement whose reply was lost may have run: resume where that is
    // harmless (the append first drops what is already stored).
    if (run.next < steps.size() && steps.at(run.next).resumeFrom >= 0) {
        run.next = steps.at(run.next).resumeFrom;
        run.resumed = true;
    }
    runImportSteps(steps, run, observer);
    const QString after = collegeCounts(run.db, college);
    run.afterLine = after.isEmpty() ? QString() : QStringLiteral("Records After Importing : ") + after;
}

QString completionMessage(const QString &college, const ImportCounters &counters, const QString &beforeLine,
                          const QString &afterLine)
{
    return QStringLiteral("Importing data completed!!") + kCrlf2 + QStringLiteral("College : ") + college +
           kCrlf2 + countsText(counters, beforeLine, afterLine);
}

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

mail::Result sendErrorMail(const QString &recipient, const QString &db)
{
    if (recipient.trimmed().isEmpty())
        return {};
    return SendMail(QStringLiteral("N01"), recipient, errorMailSubject(db), errorMailBody(),
                    kHelpDeskMailbox);
}

} // namespace students
