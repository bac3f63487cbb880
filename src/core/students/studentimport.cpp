#include "core/students/studentimport.h"

#include "core/services/database.h"
#include "core/services/errors.h"
#include "core/services/sqltext.h"
#include "core/services/unitofwork.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace students {

namespace {

constexpr int kCsvFields = 6;
constexpr qint64 kFileNotFound = 53;
// The staging columns of a CSV file's fields, in order.
const char *const kCsvColumns[kCsvFields] = {"fslno", "fcollcode", "fdegree", "fname", "fmobileno", "femail"};

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

QString fieldCount(int n)
{
    return n == 1 ? QStringLiteral("1 field") : QStringLiteral("%1 fields").arg(n);
}

QString literalOrNull(const Rows &rows, const QString &column)
{
    return rows.isNull(column) ? QStringLiteral("NULL") : sql::quote(rows.value(column));
}

// How to tell, after the answer to the commit was lost, whether the import
// is stored. The append is the mark: the de-duplication drops every line
// whose number collstud already holds, so the first surviving line, with its
// college, serial and import date, is in collstud only if this append
// committed. An import that appends nothing but stores lines without a
// number or duplicates is told by the row counts of collstudnb and
// collstuddup, read inside the transaction after its inserts. One that
// stores nothing outside the staging tables may simply run again.
struct AppendMark
{
    QString survivor; // condition on collstud naming the first surviving line
    bool counted = false;
    qint64 noMobileRows = 0;
    qint64 duplicateRows = 0;

    void reset() { *this = AppendMark(); }

    void take(const QString &db, const ImportCounters &counters)
    {
        const Rows first = Conn::query(
                QStringLiteral(
                        "select fmobileno, fcollcode, fslno, date_format(fimpdate, '%Y-%m-%d %H:%i:%s') "
                        "as fstamp from %1 order by fintid limit 1")
                        .arg(sql::table(db, QStringLiteral("tmpcollstud"))),
                1);
        if (!first.isEmpty()) {
            survivor =
                    QStringLiteral("fmobileno = %1 and fcollcode <=> %2 and fslno <=> %3 and fimpdate <=> %4")
                            .arg(sql::quote(first.value(QStringLiteral("fmobileno"))),
                                 literalOrNull(first, QStringLiteral("fcollcode")),
                                 literalOrNull(first, QStringLiteral("fslno")),
                                 literalOrNull(first, QStringLiteral("fstamp")));
            return;
        }
        if (counters.noMobile + counters.dupSheet + counters.dupDb == 0)
            return;
        counted = true;
        countStored(db, &noMobileRows, &duplicateRows);
    }

    bool committed(const QString &db) const
    {
        if (!survivor.isEmpty())
            return Conn::query(QStringLiteral("select count(*) as n from %1 where %2")
                                       .arg(sql::table(db, QStringLiteral("collstud")), survivor))
                           .value(QStringLiteral("n"))
                           .toLongLong() > 0;
        if (!counted)
            return false;
        qint64 noMobile = 0;
        qint64 duplicates = 0;
        countStored(db, &noMobile, &duplicates);
        return noMobile == noMobileRows && duplicates == duplicateRows;
    }

    static void countStored(const QString &db, qint64 *noMobile, qint64 *duplicates)
    {
        const Rows rows =
                Conn::query(QStringLiteral("select (select count(*) from %1) as nb, (select count(*) "
                                           "from %2) as dup")
                                    .arg(sql::table(db, QStringLiteral("collstudnb")),
                                         sql::table(db, QStringLiteral("collstuddup"))));
        *noMobile = rows.value(QStringLiteral("nb")).toLongLong();
        *duplicates = rows.value(QStringLiteral("dup")).toLongLong();
    }
};

} // namespace

ImportStep importStep(const QString &caption, const QString &sql, Counter counter)
{
    ImportStep s;
    s.caption = caption;
    s.sql = sql;
    s.counter = counter;
    return s;
}

const QVector<ColumnLimit> &columnLimits()
{
    static const QVector<ColumnLimit> limits = [] {
        QVector<ColumnLimit> out{{QStringLiteral("fslno"), QStringLiteral("serial number"), 10},
                                 {QStringLiteral("fcollcode"), QStringLiteral("college code"), 4},
                                 {QStringLiteral("fdegree"), QStringLiteral("degree code"), 5},
                                 {QStringLiteral("fname"), QStringLiteral("name"), 100},
                                 {QStringLiteral("ffatname"), QStringLiteral("father's name"), 100},
                                 {QStringLiteral("fmotname"), QStringLiteral("mother's name"), 100},
                                 {QStringLiteral("fgender"), QStringLiteral("gender"), 10},
                                 {QStringLiteral("fcatcode"), QStringLiteral("category"), 20},
                                 {QStringLiteral("ffee"), QStringLiteral("fee"), 30},
                                 {QStringLiteral("fmobileno"), QStringLiteral("mobile number"), 20},
                                 {QStringLiteral("femail"), QStringLiteral("e-mail"), 100}};
        for (int k = 1; k <= 10; ++k)
            out.append({QStringLiteral("fsub%1").arg(k, 2, 10, QLatin1Char('0')),
                        QStringLiteral("subject %1").arg(k), 30});
        return out;
    }();
    return limits;
}

const ColumnLimit &columnLimit(const QString &column)
{
    for (const ColumnLimit &limit : columnLimits())
        if (limit.column == column)
            return limit;
    throw AppError(ErrNo::InvalidValue, QStringLiteral("No limit is known for the column %1.").arg(column),
                   QStringLiteral("column limits"));
}

QString tooLong(const ColumnLimit &limit, const QString &where, qsizetype length)
{
    return QStringLiteral("the %1 (%2) has %3 characters; at most %4 are allowed.")
            .arg(limit.label, where)
            .arg(length)
            .arg(limit.limit);
}

QVector<ImportStep> dedupSteps(const QString &db)
{
    const QString tmp = sql::table(db, QStringLiteral("tmpcollstud"));
    const QString dup = sql::table(db, QStringLiteral("tmpcollstuddup"));
    const QString stud = sql::table(db, QStringLiteral("collstud"));
    const QString nb = sql::table(db, QStringLiteral("collstudnb"));
    const QString dupStore = sql::table(db, QStringLiteral("collstuddup"));
    const QString blank = QStringLiteral("replace(ifnull(tmpcollstud.fmobileno,''),' ','') = ''");
    // Few passes over the staging table: the lines to drop are marked by two
    // joins (repeated in the file 'X'; stored under another college 'D',
    // stored under this college only 'K'), copied to collstuddup by mark, and
    // removed together with the lines without a mobile number in one delete.
    // Every statement leaves the lines without a mobile number alone, as if
    // they were already gone; the marks 'D' and 'K' never outlive the delete,
    // and the copies carry 'X' like those repeated in the file.
    const QString all =
            QStringLiteral("fslno, fcollcode, fdegree, fname, ffatname, fmotname, fgender, fcatcode, ffee, "
                           "fsub01, fsub02, fsub03, fsub04, fsub05, fsub06, fsub07, fsub08, fsub09, "
                           "fsub10, fmobileno, femail, fimpdate");
    QVector<ImportStep> steps;
    steps << importStep(QStringLiteral("Storing the lines without a mobile number"),
                        QStringLiteral("insert into %1(fslno, fcollcode, fdegree, fmobileno, femail, fname) "
                                       "select fslno, fcollcode, fdegree, fmobileno, femail, fname from %2 "
                                       "where %3")
                                .arg(nb, tmp, blank),
                        Counter::NoMobile)
          << importStep(
                     QStringLiteral("Finding mobile numbers repeated in the file"),
                     QStringLiteral(
                             "insert into %1 select fmobileno, count(fmobileno) as fcnt from %2 where not %3 "
                             "group by fmobileno having count(fmobileno) > 1")
                             .arg(dup, tmp, blank))
          << importStep(
                     QStringLiteral("Marking mobile numbers repeated in the file"),
                     QStringLiteral("update %1 a, %2 b set a.fdeleted = 'X' where a.fmobileno = b.fmobileno")
                             .arg(tmp, dup))
          // One look-up per line in collstud settles both questions: stored
          // under another college at all ('D'), or only under this one ('K').
          // The grouped look-up is built once; left to itself the optimizer
          // may instead repeat it for every line of the staging table.
          << importStep(
                     QStringLiteral("Finding students already stored"),
                     QStringLiteral(
                             "SET STATEMENT optimizer_switch = 'split_materialized=off' FOR "
                             "update %1 tmpcollstud join (select tmpcollstud.fintid, max(collstud.fcollcode "
                             "<> "
                             "tmpcollstud.fcollcode) as felsewhere from %1 tmpcollstud join %2 collstud on "
                             "collstud.fmobileno = tmpcollstud.fmobileno where tmpcollstud.fdeleted is null "
                             "and not %3 group by tmpcollstud.fintid) stored on stored.fintid = "
                             "tmpcollstud.fintid set tmpcollstud.fdeleted = if(stored.felsewhere, 'D', 'K')")
                             .arg(tmp, stud, blank))
          << importStep(QStringLiteral("Storing the lines repeated in the file"),
                        QStringLiteral("insert into %1 select * from %2 where fdeleted = 'X'")
                                .arg(dupStore, tmp),
                        Counter::DupSheet)
          << importStep(QStringLiteral("Storing the students stored under another college"),
                        QStringLiteral("insert into %1 select %3, 'X', fintid from %2 where fdeleted = 'D'")
                                .arg(dupStore, tmp, all),
                        Counter::DupDb)
          << importStep(
                     QStringLiteral("Removing the lines dropped"),
                     QStringLiteral("delete from %1 where fdeleted in ('X', 'D', 'K') or %2").arg(tmp, blank))
          << importStep(
                     QStringLiteral("Adding the new students"),
                     QStringLiteral("insert into %1(fslno, fcollcode, fdegree, fmobileno, femail, fname, "
                                    "fimpdate) select fslno, fcollcode, fdegree, fmobileno, femail, fname, "
                                    "fimpdate from %2")
                             .arg(stud, tmp),
                     Counter::Final);
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
        fileError(ErrNo::InvalidValue, path,
                  QStringLiteral("it is empty; the first line must be the heading."));
    // The server would store a NUL inside a value, where no screen shows it.
    if (const qsizetype nul = data.indexOf('\0'); nul >= 0)
        fileError(ErrNo::InvalidValue, path,
                  QStringLiteral("line %1 holds a NUL character (a zero byte).")
                          .arg(data.left(nul).count('\n') + 1));

    CsvShape shape;
    // Fields are read as the load reads them (no escape character): a field
    // that starts with a quote is quoted; inside it two quotes stand for one,
    // and a quote ends the field only before a comma, the line end or the end
    // of the file. Any other quote there the load keeps as text and reads on,
    // across line ends, into later lines: such a quote is refused. A line
    // ends in a line feed, a carriage return before it belonging to the end.
    const int n = int(data.size());
    const auto lineEndAt = [&](int i) {
        return data.at(i) == '\n' || (data.at(i) == '\r' && i + 1 < n && data.at(i + 1) == '\n');
    };
    QVector<int> crlfEnds; // where the carriage returns of line ends stand
    int lfEnds = 0;
    int line = 1;
    int recordLine = 1;
    int fields = 1;
    bool recordEmpty = true;
    const auto endRecord = [&] {
        ++shape.records;
        if (!recordEmpty && fields != kCsvFields)
            fileError(ErrNo::InvalidValue, path,
                      QStringLiteral(
                              "line %1 has %2; every line needs %3 (serial number, college, degree, name, "
                              "mobile number, e-mail).")
                              .arg(recordLine)
                              .arg(fieldCount(fields))
                              .arg(kCsvFields));
    };
    // A value (after the heading) longer than its column keeps is refused;
    // its bytes bound its characters, so most are never decoded.
    const auto checkLength = [&](int from, int to, bool quoted, int onLine) {
        if (shape.records == 0 || fields > kCsvFields)
            return;
        const ColumnLimit &limit = columnLimit(QLatin1String(kCsvColumns[fields - 1]));
        if (to - from <= limit.limit)
            return;
        QByteArray value = data.mid(from, to - from);
        if (quoted)
            value.replace("\"\"", "\"");
        const qsizetype length = QString::fromUtf8(value).toUcs4().size();
        if (length > limit.limit)
            fileError(ErrNo::InvalidValue, path,
                      QStringLiteral("line %1: ").arg(onLine) +
                              tooLong(limit, QStringLiteral("field %1").arg(fields), length));
    };
    int i = 0;
    while (i < n) {
        if (data.at(i) == '"') {
            recordEmpty = false;
            const int opened = line;
            const int from = i + 1;
            for (++i;; ++i) {
                if (i >= n)
                    fileError(
                            ErrNo::InvalidValue, path,
                            QStringLiteral("the quote that opens field %1 on line %2 is never closed, so the "
                                           "rest of the file would be read into that field.")
                                    .arg(fields)
                                    .arg(opened));
                const char c = data.at(i);
                if (c == '\n')
                    ++line;
                if (c != '"')
                    continue;
                if (i + 1 < n && data.at(i + 1) == '"') {
                    ++i;
                    continue;
                }
                if (i + 1 >= n || data.at(i + 1) == ',' || lineEndAt(i + 1)) {
                    checkLength(from, i, true, opened);
                    ++i;
                    break;
                }
                fileError(ErrNo::InvalidValue, path,
                          QStringLiteral(
                                  "line %1 has a quote inside the quoted field %2 that neither is doubled "
                                  "nor ends the field (a quote ends a field only before a comma or the "
                                  "line end), so the following lines would be read into that field. "
                                  "Write the quote twice or remove it.")
                                  .arg(line)
                                  .arg(fields));
            }
        } else {
            const int from = i;
            for (; i < n && data.at(i) != ',' && !lineEndAt(i); ++i)
                recordEmpty = false;
            checkLength(from, i, false, line);
        }
        if (i >= n)
            break;
        if (data.at(i) == ',') {
            recordEmpty = false;
            ++fields;
            ++i;
            continue;
        }
        endRecord();
        if (data.at(i) == '\r') {
            crlfEnds.append(i);
            ++i;
        } else {
            ++lfEnds;
        }
        ++i;
        ++line;
        recordLine = line;
        fields = 1;
        recordEmpty = true;
    }
    if (!recordEmpty)
        endRecord();
    shape.crlf = !crlfEnds.isEmpty() && lfEnds == 0;
    if (!crlfEnds.isEmpty() && lfEnds > 0) {
        // The load takes one line end for the whole file.
        QByteArray lf;
        lf.reserve(n);
        int from = 0;
        for (const int cr : std::as_const(crlfEnds)) {
            lf.append(data.constData() + from, cr - from);
            from = cr + 1;
        }
        lf.append(data.constData() + from, n - from);
        auto copy =
                std::make_shared<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/gms-import-XXXXXX.csv"));
        if (!copy->open() || copy->write(lf) != lf.size() || !copy->flush())
            fileError(ErrNo::FileAccess, path,
                      QStringLiteral("its lines end in two ways, and the copy ending them in one way cannot "
                                     "be written (%1).")
                              .arg(copy->errorString()));
        shape.lfCopy = copy;
    }
    return shape;
}

QVector<ImportStep> csvImportSteps(const QString &db, const QString &path, const CsvShape &shape)
{
    const QString tmp = sql::table(db, QStringLiteral("tmpcollstud"));
    // A spreadsheet saved on Windows ends its lines in CR LF; naming that end
    // keeps the carriage return out of the last field (the e-mail address).
    // No escape character: a backslash in a name or address is kept as
    // typed, and \N is text, not an empty value. Dating the rows while they
    // are loaded spares a second write of every row.
    const QString lines = shape.crlf ? QStringLiteral("LINES TERMINATED BY '\\r\\n' ") : QString();
    const QString source = shape.lfCopy ? shape.lfCopy->fileName() : path;
    // Deletes, not truncates: a truncate would commit the transaction the
    // import runs in.
    QVector<ImportStep> steps;
    steps << importStep(QStringLiteral("Emptying the staging table"),
                        QStringLiteral("delete from %1").arg(tmp))
          << importStep(
                     QStringLiteral("Emptying the table of repeated numbers"),
                     QStringLiteral("delete from %1").arg(sql::table(db, QStringLiteral("tmpcollstuddup"))))
          << importStep(kLoadCaption,
                        QStringLiteral("LOAD DATA local INFILE %1 INTO TABLE %2 FIELDS TERMINATED BY ',' "
                                       "ENCLOSED BY '\"' ESCAPED BY '' %3IGNORE 1 LINES (fslno, fcollcode, "
                                       "fdegree, fname, fmobileno, femail) SET fimpdate = sysdate()")
                                .arg(sql::quote(source), tmp, lines),
                        Counter::Sheet)
          << importStep(QStringLiteral("Removing the lines without a name"),
                        QStringLiteral("delete from %1 where ltrim(ifnull(fname,'')) = ''").arg(tmp),
                        Counter::NameEmpty)
          << dedupSteps(db);
    return steps;
}

QString collegeCounts(const QString &db, const QString &college)
{
    return collegeCounts(db, college, QStringLiteral("collstud"), QStringLiteral("fmobileno"));
}

QString collegeCounts(const QString &db, const QString &college, const QString &table,
                      const QString &countedColumn)
{
    // The degrees in code order: the server's own order may differ between
    // the before and the after count, which then cannot be compared.
    const Rows rows = Conn::query(
            QStringLiteral(
                    "select a.fcollcode, group_concat(a.fdegree, ' - ', a.fcount order by a.fdegree "
                    "separator "
                    "', ') as fcnt from  (select fcollcode, fdegree, count(%3) as fcount from %1 where "
                    "fcollcode = %2 group by fcollcode, fdegree) a group by a.fcollcode")
                    .arg(sql::table(db, sql::identifier(table)), sql::quote(college),
                         sql::identifier(countedColumn)));
    return rows.isEmpty() ? QString() : rows.value(QStringLiteral("fcnt"));
}

void addImportSteps(UnitOfWork &unit, const QVector<ImportStep> &steps, ImportCounters &counters,
                    const StepObserver &observer, int first, int count)
{
    if (count < 0)
        count = first + int(steps.size());
    for (int i = 0; i < steps.size(); ++i) {
        const ImportStep s = steps.at(i);
        unit.step(s.caption, [s, &counters, observer, index = first + i, count] {
            if (observer)
                observer(index, count, s.caption);
            const qint64 affected = Conn::execute(s.sql);
            if (s.counter != Counter::None)
                counterOf(counters, s.counter) = affected;
            return affected;
        });
    }
}

ImportResult runStudentList(const QString &db, const QString &college, const QVector<ImportStep> &steps,
                            const ImportCounters &carried, const StepObserver &observer)
{
    const int count = int(steps.size()) + 2;
    const auto tell = [&observer, count](int index, const QString &caption) {
        if (observer)
            observer(index, count, caption);
    };
    ImportResult result;
    AppendMark mark;
    UnitOfWork unit(QStringLiteral("student list import"));
    unit.onAttempt([&] {
        result = ImportResult();
        result.counters = carried;
        mark.reset();
    });
    unit.step(QStringLiteral("counts before"), [&] {
        tell(0, QStringLiteral("Counting the students of the college"));
        result.beforeLine = countsLine(CountsTaken::Before, collegeCounts(db, college));
        return qint64(0);
    });
    addImportSteps(unit, steps, result.counters, observer, 1, count);
    unit.step(QStringLiteral("counts after"), [&] {
        tell(count - 1, QStringLiteral("Counting the students of the college"));
        mark.take(db, result.counters);
        result.afterLine = countsLine(CountsTaken::After, collegeCounts(db, college));
        return qint64(0);
    });
    unit.committedWhen([&] { return mark.committed(db); });
    unit.run();
    return result;
}

ImportRefusal checkImportFields(const QString &univEntryTrimmed, const QString &univCode,
                                const QString &college, const QString &path)
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

ImportRefusal checkCsvImport(const QString &univEntryTrimmed, const CsvImportRequest &request,
                             CsvShape *shape)
{
    const ImportRefusal refusal =
            checkImportFields(univEntryTrimmed, request.univCode, request.college, request.path);
    if (!refusal.text.isEmpty())
        return refusal;
    *shape = inspectCsv(request.path);
    return {};
}

ImportResult importCsv(const QString &db, const CsvImportRequest &request, const QVector<ImportStep> &steps,
                       const StepObserver &observer)
{
    // The staging tables are emptied by the steps' deletes, inside the unit:
    // a truncate would need the right to drop every university's tables.
    QString current;
    const StepObserver watch = [&](int index, int count, const QString &caption) {
        current = caption;
        if (observer)
            observer(index, count, caption);
    };
    try {
        return runStudentList(db, request.college, steps, ImportCounters(), watch);
    } catch (const AppError &e) {
        if (current != kLoadCaption || e.isGoneAway() || e.isSpent() || e.isReported())
            throw;
        throw AppError(
                e.number(),
                QStringLiteral("The file %1 could not be loaded: %2").arg(request.path, e.description()),
                e.context());
    }
}

QString countsLine(CountsTaken when, const QString &counts)
{
    if (when == CountsTaken::Before)
        return QStringLiteral("Records Before Importing : ") +
               (counts.isEmpty() ? QStringLiteral("0") : counts);
    return counts.isEmpty() ? QString() : QStringLiteral("Records After Importing : ") + counts;
}

QString countsText(const ImportCounters &c, const QString &beforeLine, const QString &afterLine)
{
    const QString crlf2 = QStringLiteral("\r\n\r\n");
    return QStringLiteral("Excel Sheet Count : ") + QString::number(c.sheet) + crlf2 +
           QStringLiteral("Name Empty Deleted : ") + QString::number(c.nameEmpty) + crlf2 +
           QStringLiteral("Without Mobile No. : ") + QString::number(c.noMobile) + crlf2 +
           QStringLiteral("Duplicate in Excel Sheet : ") + QString::number(c.dupSheet) + crlf2 +
           QStringLiteral("Duplicate in DB : ") + QString::number(c.dupDb) + crlf2 +
           QStringLiteral("Final Uploaded : ") + QString::number(c.finalUploaded) + crlf2 + beforeLine +
           crlf2 + afterLine;
}

QString importSummary(const ImportResult &result)
{
    return QStringLiteral("Importing data completed!!\r\n\r\n") +
           countsText(result.counters, result.beforeLine, result.afterLine);
}

} // namespace students
