#include "core/students/studentimport.h"

#include "core/services/database.h"
#include "core/services/errors.h"
#include "core/services/sqltext.h"
#include "core/students/university.h"

#include <QFile>
#include <QFileInfo>

namespace students {

namespace {

constexpr int kCsvFields = 6;
constexpr qint64 kFileNotFound = 53;

const QString kBeforeNone = QStringLiteral("Records Before Importing : 0");


qint64 &counterOf(ImportCounters &c, Counter which)
{
    static qint64 none = 0;
    switch (which) {
    case Counter::Sheet:
        return c.sheet;
    case Counter::NameEmpty:
        return c.nameEmpty;
    case Counter::NoMobile:
        return c.noMobile;
    case Counter::DupSheet:
        return c.dupSheet;
    case Counter::DupDb:
        return c.dupDb;
    case Counter::Final:
        return c.finalUploaded;
    case Counter::None:
        break;
    }
    none = 0;
    return none;
}

[[noreturn]] void fileError(qint64 number, const QString &path, const QString &cause)
{
    throw AppError(number, QStringLiteral("The file %1 cannot be imported: %2").arg(path, cause),
                   QStringLiteral("csv import"));
}

} // namespace

ImportStep importStep(const QString &caption, const QString &sql, Counter counter)
{
    ImportStep s;
    s.caption = caption;
    s.sql = sql;
    s.counter = counter;
    return s;
}

QVector<ImportStep> dedupSteps(const QString &db, ImportPlan plan)
{
    const QString tmp = sql::table(db, QStringLiteral("tmpcollstud"));
    const QString dup = sql::table(db, QStringLiteral("tmpcollstuddup"));
    const QString stud = sql::table(db, QStringLiteral("collstud"));
    const QString nb = sql::table(db, QStringLiteral("collstudnb"));
    const QString dupStore = sql::table(db, QStringLiteral("collstuddup"));
    const QString blank = QStringLiteral("replace(ifnull(tmpcollstud.fmobileno,''),' ','') = ''");
    // The first and the last statement are the same in both plans.
    const ImportStep storeNoMobile = importStep(
            QStringLiteral("Storing the lines without a mobile number"),
            QStringLiteral("insert into %1(fslno, fcollcode, fdegree, fmobileno, femail, fname) select fslno, "
                           "fcollcode, fdegree, fmobileno, femail, fname from %2 where %3")
                    .arg(nb, tmp, blank),
            Counter::NoMobile);
    const ImportStep append = importStep(
            QStringLiteral("Adding the new students"),
            QStringLiteral("insert into %1(fslno, fcollcode, fdegree, fmobileno, femail, fname, fimpdate) select "
                           "fslno, fcollcode, fdegree, fmobileno, femail, fname, fimpdate from %2")
                    .arg(stud, tmp),
            Counter::Final);

    QVector<ImportStep> steps;
    if (plan == ImportPlan::Literal) {
        steps << storeNoMobile
              << importStep(QStringLiteral("Removing the lines without a mobile number"),
                      QStringLiteral("delete from %1 where replace(ifnull(tmpcollstud.fmobileno,''),' ','') = ''").arg(tmp))
              << importStep(QStringLiteral("Finding mobile numbers repeated in the file"),
                      QStringLiteral("insert into %1 select fmobileno, count(fmobileno) as fcnt from %2 group by fmobileno "
                                     "having count(fmobileno) > 1")
                              .arg(dup, tmp))
              << importStep(QStringLiteral("Marking mobile numbers repeated in the file"),
                      QStringLiteral("update %1 a, %2 b set a.fdeleted = 'X' where a.fmobileno = b.fmobileno").arg(tmp, dup))
              << importStep(QStringLiteral("Storing the lines repeated in the file"),
                      QStringLiteral("insert into %1 select * from %2 where fdeleted = 'X'").arg(dupStore, tmp),
                      Counter::DupSheet)
              << importStep(QStringLiteral("Removing the lines repeated in the file"),
                      QStringLiteral("delete from %1 where fdeleted = 'X'").arg(tmp))
              << importStep(QStringLiteral("Finding students stored under another college"),
                      QStringLiteral("update %1 tmpcollstud, %2 collstud set tmpcollstud.fdeleted = 'X' where "
                                     "collstud.fmobileno = tmpcollstud.fmobileno and collstud.fcollcode <> "
                                     "tmpcollstud.fcollcode and replace(ifnull(tmpcollstud.fmobileno,''),' ','') <> ''")
                              .arg(tmp, stud))
              << importStep(QStringLiteral("Storing the students stored under another college"),
                      QStringLiteral("insert into %1 select * from %2 where fdeleted = 'X'").arg(dupStore, tmp),
                      Counter::DupDb)
              << importStep(QStringLiteral("Finding students already stored"),
                      QStringLiteral("update %1 tmpcollstud, %2 collstud set tmpcollstud.fdeleted = 'X' where "
                                     "collstud.fmobileno = tmpcollstud.fmobileno and "
                                     "replace(ifnull(tmpcollstud.fmobileno,''),' ','') <> ''")
                              .arg(tmp, stud))
              << importStep(QStringLiteral("Removing the students already stored"),
                      QStringLiteral("delete from %1 where fdeleted = 'X'").arg(tmp))
              << append;
        // The append repeats the look-up of stored students first, so a retry
        // after a lost reply cannot add a student twice.
        const int count = int(steps.size());
        steps[count - 1].resumeFrom = count - 3;
        return steps;
    }

    // The same outcome with fewer passes over the staging table: the lines
    // to drop are marked by two joins (repeated in the file 'X'; stored under
    // another college 'D', stored under this college only 'K'), copied to
    // collstuddup by mark, and removed together with the lines without a
    // mobile number in one delete. Every statement leaves the lines without
    // a mobile number alone, as if they were already gone; the marks 'D' and
    // 'K' never outlive the delete, and the copies carry 'X' as before.
    const QString all = QStringLiteral("fslno, fcollcode, fdegree, fname, ffatname, fmotname, fgender, fcatcode, ffee, "
                                       "fsub01, fsub02, fsub03, fsub04, fsub05, fsub06, fsub07, fsub08, fsub09, "
                                       "fsub10, fmobileno, femail, fimpdate");
    steps << storeNoMobile
          << importStep(QStringLiteral("Finding mobile numbers repeated in the file"),
                  QStringLiteral("insert into %1 select fmobileno, count(fmobileno) as fcnt from %2 where not %3 "
                                 "group by fmobileno having count(fmobileno) > 1")
                          .arg(dup, tmp, blank))
          << importStep(QStringLiteral("Marking mobile numbers repeated in the file"),
                  QStringLiteral("update %1 a, %2 b set a.fdeleted = 'X' where a.fmobileno = b.fmobileno").arg(tmp, dup))
          // One look-up per line in collstud settles both questions: stored
          // under another college at all ('D'), or only under this one ('K').
          // The grouped look-up is built once; left to itself the optimizer
          // may instead repeat it for every line of the staging table.
          << importStep(QStringLiteral("Finding students already stored"),
                  QStringLiteral("SET STATEMENT optimizer_switch = 'split_materialized=off' FOR "
                                 "update %1 tmpcollstud join (select tmpcollstud.fintid, max(collstud.fcollcode <> "
                                 "tmpcollstud.fcollcode) as felsewhere from %1 tmpcollstud join %2 collstud on "
                                 "collstud.fmobileno = tmpcollstud.fmobileno where tmpcollstud.fdeleted is null and "
                                 "not %3 group by tmpcollstud.fintid) stored on stored.fintid = tmpcollstud.fintid "
                                 "set tmpcollstud.fdeleted = if(stored.felsewhere, 'D', 'K')")
                          .arg(tmp, stud, blank))
          << importStep(QStringLiteral("Storing the lines repeated in the file"),
                  QStringLiteral("insert into %1 select * from %2 where fdeleted = 'X'").arg(dupStore, tmp),
                  Counter::DupSheet)
          << importStep(QStringLiteral("Storing the students stored under another college"),
                  QStringLiteral("insert into %1 select %3, 'X', fintid from %2 where fdeleted = 'D'")
                          .arg(dupStore, tmp, all),
                  Counter::DupDb)
          << importStep(QStringLiteral("Removing the lines dropped"),
                  QStringLiteral("delete from %1 where fdeleted in ('X', 'D', 'K') or %2").arg(tmp, blank));
    // Only when the append is retried after a lost reply: what the append may
    // already have stored is dropped, so no student is stored twice.
    ImportStep recheck = importStep(QStringLiteral("Removing the students already stored"),
                              QStringLiteral("delete tmpcollstud from %1 tmpcollstud where not %3 and exists (select 1 "
                                             "from %2 collstud where collstud.fmobileno = tmpcollstud.fmobileno)")
                                      .arg(tmp, stud, blank));
    recheck.onRetryOnly = true;
    steps << recheck
          << append;
    const int count = int(steps.size());
    steps[count - 1].resumeFrom = count - 2;
    return steps;
}

CsvShape inspectCsv(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        fileError(kFileNotFound, path, QStringLiteral("it does not exist."));
    if (!info.isFile())
        fileError(ErrNo::FileAccess, path, QStringLiteral("it is not a file."));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fileError(ErrNo::FileAccess, path, QStringLiteral("it cannot be read (%1).").arg(file.errorString()));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        fileError(ErrNo::FileAccess, path, QStringLiteral("it cannot be read (%1).").arg(file.errorString()));
    if (data.isEmpty())
        fileError(ErrNo::InvalidValue, path, QStringLiteral("it is empty; the first line must be the heading."));

    CsvShape shape;
    const int firstLf = data.indexOf('\n');
    shape.crlf = firstLf > 0 && data.at(firstLf - 1) == '\r';

    // Counts fields the way the server's load splits them: a field enclosed
    // in double quotes may hold commas and line ends, a backslash escapes the
    // next character.
    int fields = 1;
    int line = 1;
    int recordLine = 1;
    bool atFieldStart = true;
    bool quoted = false;
    bool recordEmpty = true;
    const auto endRecord = [&] {
        ++shape.records;
        if (!recordEmpty && fields != kCsvFields)
            fileError(ErrNo::InvalidValue, path,
                      QStringLiteral("line %1 has %2 fields; every line needs %3 (serial number, college, "
                                     "degree, name, mobile number, e-mail).")
                              .arg(recordLine)
                              .arg(fields)
                              .arg(kCsvFields));
        fields = 1;
        atFieldStart = true;
        recordEmpty = true;
        recordLine = line;
    };
    const int n = int(data.size());
    for (int i = 0; i < n; ++i) {
        const char c = data.at(i);
        if (c == '\n')
            ++line;
        if (c == '\\' && i + 1 < n) {
            if (data.at(i + 1) == '\n')
                ++line;
            ++i;
            atFieldStart = false;
            recordEmpty = false;
            continue;
        }
        if (quoted) {
            if (c == '"') {
                if (i + 1 < n && data.at(i + 1) == '"') {
                    ++i;
                    continue;
                }
                quoted = false;
            }
            continue;
        }
        const bool lineEnd = shape.crlf ? (c == '\r' && i + 1 < n && data.at(i + 1) == '\n') : c == '\n';
        if (lineEnd) {
            if (shape.crlf) {
                ++i;
                ++line;
            }
            endRecord();
            continue;
        }
        recordEmpty = false;
        if (c == ',') {
            ++fields;
            atFieldStart = true;
            continue;
        }
        if (c == '"' && atFieldStart)
            quoted = true;
        atFieldStart = false;
    }
    if (!recordEmpty)
        endRecord();
    return shape;
}

QVector<ImportStep> csvImportSteps(const QString &db, const QString &path, const CsvShape &shape, ImportPlan plan)
{
    const QString tmp = sql::table(db, QStringLiteral("tmpcollstud"));
    // A spreadsheet saved on Windows ends its lines in CR LF; naming that end
    // keeps the carriage return out of the last field (the e-mail address).
    const QString lines = shape.crlf ? QStringLiteral("LINES TERMINATED BY '\\r\\n' ") : QString();
    QVector<ImportStep> steps;
    const QString load = QStringLiteral("LOAD DATA local INFILE %1 INTO TABLE %2 FIELDS TERMINATED BY ',' ENCLOSED "
                                        "BY '\"' %3IGNORE 1 LINES (fslno, fcollcode, fdegree, fname, fmobileno, femail)")
                                 .arg(sql::quote(path), tmp, lines);
    steps << importStep(QStringLiteral("Emptying the staging table"), QStringLiteral("truncate table %1").arg(tmp))
          << importStep(QStringLiteral("Emptying the table of repeated numbers"),
                  QStringLiteral("truncate table %1").arg(sql::table(db, QStringLiteral("tmpcollstuddup"))));
    if (plan == ImportPlan::Literal) {
        steps << importStep(QStringLiteral("Loading the file"), load)
              << importStep(QStringLiteral("Setting the import date"),
                      QStringLiteral("update %1 set fimpdate = sysdate()").arg(tmp), Counter::Sheet);
    } else {
        // Dating the rows while they are loaded spares a second write of
        // every row; the load reports the same number of lines.
        steps << importStep(QStringLiteral("Loading the file"), load + QStringLiteral(" SET fimpdate = sysdate()"),
                      Counter::Sheet);
    }
    steps << importStep(QStringLiteral("Removing the lines without a name"),
                  QStringLiteral("delete from %1 where ltrim(ifnull(fname,'')) = ''").arg(tmp), Counter::NameEmpty);
    const int prefix = int(steps.size());
    for (ImportStep s : dedupSteps(db, plan)) {
        if (s.resumeFrom >= 0)
            s.resumeFrom += prefix;
        steps << s;
    }
    return steps;
}

QString collegeCounts(const QString &db, const QString &college)
{
    return collegeCounts(db, college, QStringLiteral("collstud"), QStringLiteral("fmobileno"));
}

QString collegeCounts(const QString &db, const QString &college, const QString &table, const QString &countedColumn)
{
    // The degrees in code order: the server's own order may differ between
    // the before and the after count, which then cannot be compared.
    const Rows rows = Conn::query(
            QStringLiteral("select a.fcollcode, group_concat(a.fdegree, ' - ', a.fcount order by a.fdegree separator "
                           "', ') as fcnt from  (select fcollcode, fdegree, count(%3) as fcount from %1 where "
                           "fcollcode = %2 group by fcollcode, fdegree) a group by a.fcollcode")
                    .arg(sql::table(db, sql::identifier(table)), sql::quote(college), sql::identifier(countedColumn)));
    return rows.isEmpty() ? QString() : rows.value(QStringLiteral("fcnt"));
}

void runImportSteps(const QVector<ImportStep> &steps, ImportRun &run, const StepObserver &observer)
{
    const int count = int(steps.size());
    const int first = run.next;
    const bool resumed = run.resumed;
    run.resumed = false;
    for (; run.next < count; ++run.next) {
        const ImportStep &s = steps.at(run.next);
        if (observer)
            observer(run.next, count, s.caption);
        if (s.onRetryOnly && !(resumed && run.next == first))
            continue;
        const qint64 affected = Conn::execute(s.sql);
        if (s.counter != Counter::None)
            counterOf(run.counters, s.counter) = affected;
    }
}

ImportRefusal checkImportFields(const QString &univEntryTrimmed, const QString &univCode, const QString &college,
                                const QString &path)
{
    if (univEntryTrimmed.isEmpty() || college.trimmed().isEmpty() || path.trimmed().isEmpty())
        return {QStringLiteral("Information should be entered!!"), false};
    bool ok = false;
    const double range = college.trimmed().toDouble(&ok);
    if (!ok)
        throw AppError(ErrNo::TypeMismatch, QStringLiteral("Type mismatch"), QStringLiteral("college range"));
    if (univCode == QLatin1String("041") && range > 6000)
        return {QStringLiteral("Error in university selection!!"), true};
    return {};
}

ImportRefusal checkCsvImport(const QString &univEntryTrimmed, const CsvImportRequest &request, CsvShape *shape)
{
    const ImportRefusal refusal = checkImportFields(univEntryTrimmed, request.univCode, request.college, request.path);
    if (!refusal.text.isEmpty())
        return refusal;
    *shape = inspectCsv(request.path);
    return {};
}

void importCsv(const CsvImportRequest &request, const CsvShape &shape, ImportRun &run, const StepObserver &observer)
{
    // Until something leaves the staging tables the import simply starts
    // again; after that it resumes where the connection dropped.
    // The first statement that writes outside the staging tables.
    const int firstStore = int(csvImportSteps(QStringLiteral("x"), request.path, shape, request.plan).size() -
                               dedupSteps(QStringLiteral("x"), request.plan).size());
    const bool restart = !run.started || run.next <= firstStore;
    if (restart) {
        run = ImportRun();
        run.db = selectUniversity(request.univCode);
        run.beforeLine = kBeforeNone;
        const QString before = collegeCounts(run.db, request.college);
        if (!before.isEmpty())
            run.beforeLine = QStringLiteral("Records Before Importing : ") + before;
        run.started = true;
    }
    const QVector<ImportStep> steps = csvImportSteps(run.db, request.path, shape, request.plan);
    if (!restart && run.next < steps.size() && steps.at(run.next).resumeFrom >= 0) {
        run.next = steps.at(run.next).resumeFrom;
        run.resumed = true;
    }
    try {
        runImportSteps(steps, run, observer);
    } catch (const AppError &e) {
        if (run.next == 2 && !e.isGoneAway())
            throw AppError(e.number(),
                           QStringLiteral("The file %1 could not be loaded: %2").arg(request.path, e.description()),
                           e.context());
        throw;
    }
    const QString after = collegeCounts(run.db, request.college);
    if (!after.isEmpty())
        run.afterLine = QStringLiteral("Records After Importing : ") + after;
}

QString countsText(const ImportCounters &c, const QString &beforeLine, const QString &afterLine)
{
    const QString crlf2 = QStringLiteral("\r\n\r\n");
    return QStringLiteral("Excel Sheet Count : ") + QString::number(c.sheet) + crlf2 +
           QStringLiteral("Name Empty Deleted : ") + QString::number(c.nameEmpty) + crlf2 +
           QStringLiteral("Without Mobile No. : ") + QString::number(c.noMobile) + crlf2 +
           QStringLiteral("Duplicate in Excel Sheet : ") + QString::number(c.dupSheet) + crlf2 +
           QStringLiteral("Duplicate in DB : ") + QString::number(c.dupDb) + crlf2 +
           QStringLiteral("Final Uploaded : ") + QString::number(c.finalUploaded) + crlf2 + beforeLine + crlf2 +
           afterLine;
}

QString importSummary(const ImportRun &run)
{
    return QStringLiteral("Importing data completed!!\r\n\r\n") +
           countsText(run.counters, run.beforeLine, run.afterLine);
}

} // namespace students
