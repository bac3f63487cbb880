#include "core/students/applicationimport.h"

#include "core/services/database.h"
#include "core/services/errors.h"
#include "core/services/sqltext.h"
#include "core/services/unitofwork.h"
#include "core/students/degreechange.h"

#include <algorithm>

namespace students {

namespace {

// The error number of a staged row that cannot become an application.
constexpr qint64 kBadStagedRow = 5;
constexpr int kSubjects = 10;
// Statements stay well below the server's packet limit.
constexpr qint64 kLargestBatch = 2 * 1024 * 1024;

QString q(const QString &value)
{
    return sql::quote(value);
}

// The names as the university stores them: an apostrophe becomes a backquote.
QString name(const QString &value)
{
    QString out = value;
    out.replace(QLatin1Char('\''), QLatin1Char('`'));
    return q(out);
}

qint64 statementLimit(const ApplicationRequest &request)
{
    if (request.maxStatementBytes > 0)
        return request.maxStatementBytes;
    const qint64 packet = Conn::query(QStringLiteral("select @@max_allowed_packet as p"))
                                  .value(QStringLiteral("p"))
                                  .toLongLong();
    return qBound<qint64>(16 * 1024, packet / 2, kLargestBatch);
}

// Appends rows to `prefix` in statements of at most `limit` bytes.
class BatchBuilder
{
public:
    BatchBuilder(QString prefix, qint64 limit)
        : m_prefix(std::move(prefix))
        , m_limit(limit)
    {}

    void add(const QString &row)
    {
        const qint64 bytes = row.toUtf8().size() + 2;
        if (!m_current.isEmpty() && m_bytes + bytes > m_limit)
            flush();
        if (m_current.isEmpty()) {
            m_current = m_prefix;
            m_bytes = m_prefix.toUtf8().size();
        } else {
            m_current += QStringLiteral(", ");
        }
        m_current += row;
        m_bytes += bytes;
    }

    QStringList finish()
    {
        flush();
        return m_batches;
    }

private:
    void flush()
    {
        if (!m_current.isEmpty())
            m_batches.append(m_current);
        m_current.clear();
        m_bytes = 0;
    }

    QString m_prefix;
    qint64 m_limit;
    qint64 m_bytes = 0;
    QString m_current;
    QStringList m_batches;
};

// The fee of a staged row as a number to splice; an empty or mistyped one
// stops the import, naming the row.
QString feeOf(const Rows &rows, int r)
{
    const QString fee = rows.value(QStringLiteral("ffee"), r);
    try {
        return sql::number(fee);
    } catch (const AppError &) {
        throw AppError(kBadStagedRow,
                       QStringLiteral("The fee of %1 (serial number %2, degree %3) is %4. Correct the fee in "
                                      "the workbook and import it again; no application was stored.")
                               .arg(rows.value(QStringLiteral("fname"), r),
                                    rows.value(QStringLiteral("fslno"), r),
                                    rows.value(QStringLiteral("fdegree"), r),
                                    fee.trimmed().isEmpty() ? QStringLiteral("empty")
                                                            : QStringLiteral("not a number ('%1')").arg(fee)),
                       QStringLiteral("application import"));
    }
}

QString quotedList(const QStringList &values)
{
    QStringList out;
    for (const QString &v : values)
        out << q(v);
    return out.join(QStringLiteral(", "));
}

// The staged rows of a degree with each subject's short name replaced by
// the degree's subject code, where the row is of the importing college and
// the name is one of the degree's (examination 'A'); other values as staged.
// The server compares, as it would for any join on these columns.
QString stagedRowsQuery(const QString &db, const QString &college, const QString &degree)
{
    QStringList subjects;
    for (int k = 1; k <= kSubjects; ++k)
        subjects << QStringLiteral(
                            "if(t.fcollcode = %2, ifnull((select s.fsubcode from %1 s where s.fdegree = "
                            "t.fdegree and s.fexamno = 'A' and s.fsubshort = t.fsub%3 limit 1), t.fsub%3), "
                            "t.fsub%3) as fsub%3")
                            .arg(sql::table(db, QStringLiteral("subject")), q(college),
                                 QStringLiteral("%1").arg(k, 2, 10, QLatin1Char('0')));
    return QStringLiteral(
                   "select t.fintid, t.fslno, t.fdegree, t.fname, t.ffatname, t.fmotname, t.fgender, "
                   "t.fcatcode, t.ffee, t.fmobileno, t.femail, %1 from %2 t where t.fdegree = %3 order by "
                   "t.fintid")
            .arg(subjects.join(QStringLiteral(", ")), sql::table(db, QStringLiteral("tmpcollstud")),
                 q(degree));
}

// Every fee of the degrees to import is a number, or the import stops before
// anything is stored. The server only preselects; the client's own rule for
// spliced numbers decides.
void checkFees(const QString &db, const QStringList &degrees)
{
    const Rows rows = Conn::query(
            QStringLiteral(
                    "select fname, fslno, fdegree, ffee from %1 where fdegree in (%2) and (ffee is null or "
                    "trim(ffee) not regexp '^[+-]?([0-9]+([.][0-9]*)?|[.][0-9]+)$') order by fintid")
                    .arg(sql::table(db, QStringLiteral("tmpcollstud")), quotedList(degrees)));
    for (int r = 0; r < rows.size(); ++r)
        feeOf(rows, r);
}

// The applications of one degree, built inside its unit from the rows staged
// and the serials stored, so that every attempt computes them afresh.
struct DegreeRows
{
    struct Student
    {
        QString fintid;
        QString slno;
        QString degree;
        QStringList subjects; // each once, as staged
    };
    QStringList applications; // the inserts
    QVector<Student> students;
    QString firstFintid; // the first application, which tells whether the unit committed
    QString firstSerial;
};

DegreeRows buildApplications(const QString &db, const QString &college, const QString &degree, QString slno,
                             qint64 limit)
{
    DegreeRows out;
    const Rows rows = Conn::query(stagedRowsQuery(db, college, degree));

    BatchBuilder apps(
            QStringLiteral("insert into %1(fslno, fcollcode, fdegree, fexamno, fcombcode, fname, ffatname, "
                           "fmotname, fgender, fcaste, femail, fcontact_no, ftotfee, fappno, fappstatus, "
                           "fcreatedate, fcreateuser, fackuser, fackdate, ffinsub, fxlsintno) values")
                    .arg(sql::table(db, QStringLiteral("studadm"))),
            limit);
    for (int r = 0; r < rows.size(); ++r) {
        const auto v = [&](const char *column) { return rows.value(QLatin1String(column), r); };
        const QString fee = feeOf(rows, r);
        slno = nextSerial(slno);
        DegreeRows::Student student{sql::number(v("fintid")), slno, v("fdegree"), {}};
        if (r == 0) {
            out.firstFintid = student.fintid;
            out.firstSerial = slno;
        }
        apps.add(QStringLiteral("(") + q(slno) + QStringLiteral(", ") + q(college) + QStringLiteral(", ") +
                 q(student.degree) + QStringLiteral(", 'A', 'GEN', ") + name(v("fname")) +
                 QStringLiteral(", ") + name(v("ffatname")) + QStringLiteral(", ") + name(v("fmotname")) +
                 QStringLiteral(",  ") + q(v("fgender")) + QStringLiteral(", ") + q(v("fcatcode")) +
                 QStringLiteral(", ") + q(v("femail")) + QStringLiteral(", ") + q(v("fmobileno")) +
                 QStringLiteral(", ") + fee + QStringLiteral(", ") + q(student.fintid) +
                 QStringLiteral(", 'verified', sysdate(), 'XLS', 'XLS', sysdate(), 'T', ") + student.fintid +
                 QStringLiteral(")"));
        // Each subject once per student; a code is compared whole, so one
        // contained in an earlier code of the student is still taken.
        for (int k = 0; k < kSubjects; ++k) {
            const QString subject =
                    rows.value(QStringLiteral("fsub%1").arg(k + 1, 2, 10, QLatin1Char('0')), r);
            if (!subject.trimmed().isEmpty() && !student.subjects.contains(subject))
                student.subjects << subject;
        }
        out.students.append(student);
    }
    out.applications = apps.finish();
    return out;
}

// The subject rows of the degree's new applications, under their final
// numbers: those are known once the applications are numbered, so the rows
// need no temporary number and no second write.
QStringList subjectInserts(const QString &db, const QString &college, const QString &degree,
                           const DegreeRows &built, qint64 limit)
{
    if (built.students.isEmpty())
        return {};
    const Rows numbers = Conn::query(
            QStringLiteral("select a.fxlsintno, a.fappno from %1 a, %2 c where a.fxlsintno = c.fintid and "
                           "a.fcollcode = %3 and a.fdegree = %4 and cast(a.fslno as unsigned) >= %5")
                    .arg(sql::table(db, QStringLiteral("studadm")),
                         sql::table(db, QStringLiteral("tmpcollstud")), q(college), q(degree),
                         sql::number(built.firstSerial)));
    QHash<QString, QString> appno;
    for (int r = 0; r < numbers.size(); ++r)
        appno.insert(numbers.value(QStringLiteral("fxlsintno"), r),
                     numbers.value(QStringLiteral("fappno"), r));
    BatchBuilder subjects(
            QStringLiteral("insert into %1(fdegree, fexamno, fcollcode, fslno, fsubcode, fappno) values")
                    .arg(sql::table(db, QStringLiteral("options"))),
            limit);
    for (const DegreeRows::Student &s : built.students)
        for (const QString &subject : s.subjects)
            subjects.add(QStringLiteral("(") + q(s.degree) + QStringLiteral(", 'A', ") + q(college) +
                         QStringLiteral(", ") + q(s.slno) + QStringLiteral(", ") + q(subject) +
                         QStringLiteral(", ") + q(appno.value(s.fintid, s.fintid)) + QStringLiteral(")"));
    return subjects.finish();
}

// The application number '523' and the internal number, and the fixed
// values. Only this import's rows: they alone carry their staging number in
// fxlsintno too, so an older application whose number happens to equal a
// staging number keeps its number, admission date and the rest.
QString numberingStatement(const QString &db, const QString &college, const QString &degree,
                           const QString &admDate)
{
    return QStringLiteral(
                   "update %1 a, %2 b set a.fappno = concat('523',a.internal_code), a.fblood_group = 'NOT "
                   "KNOWN', a.fadmdate = %3, a.freligion = 'Others', a.fconstype = 'No', a.fcatbirth = '.', "
                   "a.farea = 'Rural', fcaste = replace(replace(fcaste,'-',''),'CATI','CAT-I') where "
                   "a.fappno = b.fintid and a.fcollcode = %4 and a.fdegree = %5 and a.fxlsintno = b.fintid")
            .arg(sql::table(db, QStringLiteral("studadm")), sql::table(db, QStringLiteral("tmpcollstud")),
                 q(admDate), q(college), q(degree));
}

// Documents and the two fee lines of the degree's new applications.
QStringList documentAndFeeStatements(const QString &db, const QString &college, const QString &degree)
{
    const QString studadm = sql::table(db, QStringLiteral("studadm"));
    const QString tmp = sql::table(db, QStringLiteral("tmpcollstud"));
    const QString fees = sql::table(db, QStringLiteral("admfeedetl"));
    const QString c = q(college);
    const QString d = q(degree);
    return {QStringLiteral(
                    "insert ignore into %1(app_no, login_cnt, fdegree, fcollcode, fdoctype) select distinct "
                    "a.fslno, a.fappno, a.fdegree, a.fcollcode, b.ffilename from %2 a, %3 b, %4 c where "
                    "a.fxlsintno = c.fintid and a.fdegree = b.fdegree and a.fcollcode = %5 and a.fdegree = "
                    "%6")
                    .arg(sql::table(db, QStringLiteral("studoc")), studadm,
                         sql::table(db, QStringLiteral("masdoc")), tmp, c, d),
            QStringLiteral(
                    "insert ignore into %1(fyear, fdegree, fexamno, fcollcode, fslno, fheadcode, famount, "
                    "fappno) select '2018', a.fdegree, 'A', a.fcollcode, a.fslno, '01 University Total Fee', "
                    "a.ftotfee, a.fappno from %2 a, %3 c where a.fxlsintno = c.fintid and a.fcollcode = %4 "
                    "and a.fdegree = %5")
                    .arg(fees, studadm, tmp, c, d),
            QStringLiteral(
                    "insert ignore into %1(fyear, fdegree, fexamno, fcollcode, fslno, fheadcode, famount, "
                    "fappno) select '2018', a.fdegree, 'A', a.fcollcode, a.fslno, '02 Fine', 0, a.fappno "
                    "from "
                    "%2 a, %3 c where a.fxlsintno = c.fintid and a.fcollcode = %4 and a.fdegree = %5")
                    .arg(fees, studadm, tmp, c, d)};
}

} // namespace

QString nextSerial(const QString &previous)
{
    return QStringLiteral("%1").arg(previous.toLongLong() + 1, 4, 10, QLatin1Char('0'));
}

qint64 existingApplications(const QString &db, const QString &college, const QVector<DegreeDecision> &grid)
{
    const QHash<QString, QString> finals = finalDegreeCodes(grid);
    QStringList pairs;
    for (auto it = finals.cbegin(); it != finals.cend(); ++it)
        pairs << QStringLiteral("(t.fdegree = %1 and a.fdegree = %2)").arg(q(it.key()), q(it.value()));
    if (pairs.isEmpty())
        return 0;
    pairs.sort();
    return Conn::query(
                   QStringLiteral(
                           "select count(distinct t.fmobileno) as n from %1 t join %2 a on a.fcontact_no = "
                           "t.fmobileno where a.fcollcode = %3 and "
                           "replace(ifnull(t.fmobileno,''),' ','') <> '' and (%4)")
                           .arg(sql::table(db, QStringLiteral("tmpcollstud")),
                                sql::table(db, QStringLiteral("studadm")), q(college),
                                pairs.join(QStringLiteral(" or "))))
            .value(QStringLiteral("n"))
            .toLongLong();
}

void importApplications(const ApplicationRequest &request, ApplicationResult &result,
                        const StepObserver &observer)
{
    result = ApplicationResult();
    const QString &db = request.db;
    const QString &college = request.college;
    const qint64 limit = statementLimit(request);

    // The degrees that will hold staged rows once the grid is applied.
    const QHash<QString, QString> finals = finalDegreeCodes(request.grid);
    QStringList degrees;
    for (const QString &d : degreesToImport(request.grid))
        if (std::find(finals.cbegin(), finals.cend(), d) != finals.cend())
            degrees << d;

    const int units = qMax(1, int(degrees.size()));
    for (int u = 0; u < units; ++u) {
        const QString degree = degrees.value(u);
        const auto tell = [&observer, u, units](const QString &caption) {
            if (observer)
                observer(u, units, caption);
        };
        // What the attempt keeps for later steps and for the result.
        QString beforeLine;
        QString afterLine;
        QString serial;
        DegreeRows built;
        qint64 stored = 0;
        qint64 largest = 0;
        qint64 statements = 0;
        ImportCounters unused;

        UnitOfWork unit(QStringLiteral("applications of %1").arg(degree));
        unit.onAttempt([&] {
            beforeLine.clear();
            afterLine.clear();
            serial = QStringLiteral("0");
            built = DegreeRows();
            stored = largest = statements = 0;
        });
        const auto send = [&](const QString &sql, bool bounded = false) {
            if (bounded)
                largest = qMax<qint64>(largest, sql.toUtf8().size());
            ++statements;
            return Conn::execute(sql);
        };
        if (u == 0) {
            addImportSteps(unit, degreeGridSteps(db, request.grid), unused,
                           [&tell](int, int, const QString &caption) { tell(caption); });
            unit.step(QStringLiteral("counts before"), [&] {
                tell(QStringLiteral("Counting the applications of the college"));
                beforeLine =
                        countsLine(CountsTaken::Before, collegeCounts(db, college, QStringLiteral("studadm"),
                                                                      QStringLiteral("fappno")));
                return qint64(0);
            });
            if (!degrees.isEmpty()) {
                unit.step(QStringLiteral("fees"), [&] {
                    tell(QStringLiteral("Checking the fees"));
                    checkFees(db, degrees);
                    return qint64(0);
                });
            }
        }
        if (!degree.isEmpty()) {
            unit.step(QStringLiteral("serial"), [&] {
                // The claim row makes two imports (or changes of degree) that
                // number applications of this college and degree wait for or,
                // on another server of a cluster, conflict with each other;
                // the one that commits second is run again.
                claimSerialRow(db, college, degree);
                // Serials compared as numbers: a text maximum would restart
                // at "9999" once a degree has passed 9999 applications.
                const Rows last = Conn::query(
                        QStringLiteral("select ifnull(max(cast(fslno as unsigned)),0) as fslno "
                                       "from %1 where fcollcode = %2 and fdegree = %3")
                                .arg(sql::table(db, QStringLiteral("studadm")), q(college), q(degree)));
                if (!last.isEmpty())
                    serial = last.value(QStringLiteral("fslno"));
                return qint64(0);
            });
            unit.step(QStringLiteral("applications"), [&] {
                tell(QStringLiteral("Storing the applications of %1").arg(degree));
                built = buildApplications(db, college, degree, serial, limit);
                for (const QString &sql : std::as_const(built.applications))
                    stored += send(sql, true);
                return stored;
            });
            unit.step(QStringLiteral("numbering"), [&] {
                tell(QStringLiteral("Numbering the applications of %1").arg(degree));
                return send(numberingStatement(db, college, degree, request.admDate));
            });
            unit.step(QStringLiteral("subjects"), [&] {
                tell(QStringLiteral("Storing the subjects of %1").arg(degree));
                qint64 rows = 0;
                for (const QString &sql : subjectInserts(db, college, degree, built, limit))
                    rows += send(sql, true);
                return rows;
            });
            for (const QString &sql : documentAndFeeStatements(db, college, degree))
                unit.step(QStringLiteral("documents and fees"), [&, sql] {
                    tell(QStringLiteral("Adding the documents and fees of %1").arg(degree));
                    return send(sql);
                });
        }
        if (u == units - 1) {
            unit.step(QStringLiteral("counts after"), [&] {
                tell(QStringLiteral("Counting the applications of the college"));
                afterLine =
                        countsLine(CountsTaken::After, collegeCounts(db, college, QStringLiteral("studadm"),
                                                                     QStringLiteral("fappno")));
                return qint64(0);
            });
        }
        // The degree's first application, under its staging number and the
        // serial this attempt gave it, exists only if the unit committed. A
        // unit that stored no application changed the staging table at
        // most, where running it again finds nothing left to change.
        unit.committedWhen([&] {
            if (built.firstFintid.isEmpty())
                return false;
            return Conn::query(QStringLiteral(
                                       "select count(*) as n from %1 where fxlsintno = %2 and fcollcode = %3 "
                                       "and fdegree = %4 and fslno = %5")
                                       .arg(sql::table(db, QStringLiteral("studadm")), built.firstFintid,
                                            q(college), q(degree), q(built.firstSerial)))
                           .value(QStringLiteral("n"))
                           .toLongLong() > 0;
        });
        unit.run();

        if (u == 0)
            result.beforeLine = beforeLine;
        if (u == units - 1)
            result.afterLine = afterLine;
        result.total += stored;
        result.largestStatement = qMax(result.largestStatement, largest);
        result.statements += statements;
        if (!degree.isEmpty())
            result.degrees << degree;
    }
}

} // namespace students
