#include "core/students/applicationimport.h"

#include "core/services/database.h"
#include "core/services/errors.h"
#include "core/services/sqltext.h"
#include "core/students/studentimport.h"
#include "core/students/university.h"

namespace students {

namespace {

const QString kBeforeNone = QStringLiteral("Records Before Importing : 0");
constexpr int kFirstSubject = 9; // fsub01 .. fsub10 are columns 9 to 18 of tmpcollstud
constexpr int kSubjects = 10;
// Statements stay well below the server's packet limit and small enough that
// a lost reply costs little to check.
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

// Appends `rows` to `prefix` in statements of at most `limit` bytes.
class BatchBuilder
{
public:
    BatchBuilder(QString prefix, qint64 limit)
        : m_prefix(std::move(prefix))
        , m_limit(limit)
    {}

    void add(const QString &row, const QString &storedCheck)
    {
        const qint64 bytes = row.toUtf8().size() + 2;
        if (m_current.rows > 0 && m_bytes + bytes > m_limit)
            flush();
        if (m_current.rows == 0) {
            m_current.sql = m_prefix;
            m_current.storedCheck = storedCheck;
            m_bytes = m_prefix.toUtf8().size();
        } else {
            m_current.sql += QStringLiteral(", ");
        }
        m_current.sql += row;
        m_bytes += bytes;
        ++m_current.rows;
    }

    QVector<Batch> finish()
    {
        flush();
        return m_batches;
    }

private:
    void flush()
    {
        if (m_current.rows > 0)
            m_batches.append(m_current);
        m_current = Batch();
        m_bytes = 0;
    }

    QString m_prefix;
    qint64 m_limit;
    qint64 m_bytes = 0;
    Batch m_current;
    QVector<Batch> m_batches;
};

[[noreturn]] void badFee(const Rows &rows, int r, const QString &degree)
{
    throw AppError(kBadStagedRow,
                   QStringLiteral("The fee of %1 (serial number %2, degree %3) is %4. Correct the fee in the "
                                  "workbook and import it again; no application was stored.")
                           .arg(rows.value(QStringLiteral("fname"), r),
                                rows.value(QStringLiteral("fslno"), r), degree,
                                rows.value(QStringLiteral("ffee"), r).trimmed().isEmpty()
                                        ? QStringLiteral("empty")
                                        : QStringLiteral("not a number ('%1')")
                                                  .arg(rows.value(QStringLiteral("ffee"), r))),
                   QStringLiteral("application import"));
}

// Reads a degree's staged students and builds everything it will write.
// Returns false when the degree has no staged students.
bool planDegree(const ApplicationRequest &request, const QString &db, const QString &degree, qint64 limit,
                DegreePlan &plan)
{
    const QString college = request.college;
    const QString studadm = sql::table(db, QStringLiteral("studadm"));
    const QString options = sql::table(db, QStringLiteral("options"));
    const QString tmp = sql::table(db, QStringLiteral("tmpcollstud"));

    // Serials compared as numbers: a text maximum would restart at "9999"
    // once a degree has passed 9999 applications.
    QString slno = QStringLiteral("0");
    const Rows last =
            Conn::query(QStringLiteral("select ifnull(max(cast(fslno as unsigned)),0) as fslno from %1 "
                                       "where fcollcode = %2 and fdegree = %3")
                                .arg(studadm, q(college), q(degree)));
    if (!last.isEmpty())
        slno = last.value(QStringLiteral("fslno"));

    const Rows rows = Conn::query(QStringLiteral("select * from %1 where fdegree = %2").arg(tmp, q(degree)));
    if (rows.isEmpty())
        return false;
    const QStringList columns = rows.columns();
    if (columns.size() < kFirstSubject + kSubjects)
        throw AppError(kBadStagedRow,
                       QStringLiteral("The staging table %1 lacks the subject columns.").arg(tmp));

    // Every fee is checked before anything of the import is written.
    QVector<QString> fees(rows.size());
    for (int r = 0; r < rows.size(); ++r) {
        try {
            fees[r] = sql::number(rows.value(QStringLiteral("ffee"), r));
        } catch (const AppError &) {
            badFee(rows, r, degree);
        }
    }

    BatchBuilder apps(
            QStringLiteral("insert into %1(fslno, fcollcode, fdegree, fexamno, fcombcode, fname, ffatname, "
                           "fmotname, fgender, fcaste, femail, fcontact_no, ftotfee, fappno, fappstatus, "
                           "fcreatedate, fcreateuser, fackuser, fackdate, ffinsub, fxlsintno) values")
                    .arg(studadm),
            limit);
    BatchBuilder subjects(
            QStringLiteral("insert into %1(fdegree, fexamno, fcollcode, fslno, fsubcode, fappno) values")
                    .arg(options),
            limit);
    for (int r = 0; r < rows.size(); ++r) {
        const auto v = [&](const char *column) { return rows.value(QLatin1String(column), r); };
        slno = nextSerial(slno);
        const QString fintid = sql::number(v("fintid"));
        const QString fdegree = v("fdegree");
        const QString row = QStringLiteral("(") + q(slno) + QStringLiteral(", ") + q(college) +
                            QStringLiteral(", ") + q(fdegree) + QStringLiteral(", 'A', 'GEN', ") +
                            name(v("fname")) + QStringLiteral(", ") + name(v("ffatname")) +
                            QStringLiteral(", ") + name(v("fmotname")) + QStringLiteral(",  ") +
                            q(v("fgender")) + QStringLiteral(", ") + q(v("fcatcode")) + QStringLiteral(", ") +
                            q(v("femail")) + QStringLiteral(", ") + q(v("fmobileno")) + QStringLiteral(", ") +
                            fees[r] + QStringLiteral(", ") + q(fintid) +
                            QStringLiteral(", 'verified', sysdate(), 'XLS', 'XLS', sysdate(), 'T', ") +
                            fintid + QStringLiteral(")");
        apps.add(row,
                 QStringLiteral("select count(*) as n from %1 where fxlsintno = %2 and fcollcode = %3 and "
                                "fdegree = %4")
                         .arg(studadm, fintid, q(college), q(fdegree)));

        // Each subject once per student; a code is compared whole, so one
        // contained in an earlier code of the student is still taken.
        QStringList taken;
        for (int k = 0; k < kSubjects; ++k) {
            const QString subject = rows.raw(columns.at(kFirstSubject + k), r).toString();
            if (subject.trimmed().isEmpty() || taken.contains(subject))
                continue;
            taken << subject;
            subjects.add(
                    QStringLiteral("(") + q(fdegree) + QStringLiteral(", 'A', ") + q(college) +
                            QStringLiteral(", ") + q(slno) + QStringLiteral(", ") + q(subject) +
                            QStringLiteral(", ") + q(fintid) + QStringLiteral(")"),
                    QStringLiteral("select count(*) as n from %1 where fcollcode = %2 and fdegree = %3 and "
                                   "fslno = %4 and fsubcode = %5 and fappno = %6")
                            .arg(options, q(college), q(fdegree), q(slno), q(subject), q(fintid)));
        }
    }
    plan.degree = degree;
    plan.applications = apps.finish();
    plan.subjects = subjects.finish();

    const QString c = q(college);
    const QString d = q(degree);
    plan.finishing
            << QStringLiteral(
                       "update %1 a, %2 b set a.fappno = concat('523',a.internal_code), a.fblood_group = "
                       "'NOT "
                       "KNOWN', a.fadmdate = %3, a.freligion = 'Others', a.fconstype = 'No', a.fcatbirth = "
                       "'.', a.farea = 'Rural', fcaste = replace(replace(fcaste,'-',''),'CATI','CAT-I') "
                       "where a.fappno = b.fintid and a.fcollcode = %4 and a.fdegree = %5")
                       .arg(studadm, tmp, q(request.admDate), c, d)
            << QStringLiteral(
                       "update %1 a, %2 b, %3 c set a.fappno = c.fappno where b.fintid = c.fxlsintno and "
                       "a.fappno = b.fintid and a.fcollcode = %4 and a.fdegree = %5")
                       .arg(options, tmp, studadm, c, d)
            << QStringLiteral(
                       "insert ignore into %1(app_no, login_cnt, fdegree, fcollcode, fdoctype) select "
                       "distinct "
                       "a.fslno, a.fappno, a.fdegree, a.fcollcode, b.ffilename from %2 a, %3 b, %4 c where "
                       "a.fxlsintno = c.fintid and a.fdegree = b.fdegree and a.fcollcode = %5 and a.fdegree "
                       "= "
                       "%6")
                       .arg(sql::table(db, QStringLiteral("studoc")), studadm,
                            sql::table(db, QStringLiteral("masdoc")), tmp, c, d);
    const QString fees2 = sql::table(db, QStringLiteral("admfeedetl"));
    plan.finishing
            << QStringLiteral(
                       "insert ignore into %1(fyear, fdegree, fexamno, fcollcode, fslno, fheadcode, "
                       "famount, fappno) select '2018', a.fdegree, 'A', a.fcollcode, a.fslno, '01 "
                       "University Total Fee', a.ftotfee, a.fappno from %2 a, %3 c where a.fxlsintno = "
                       "c.fintid and a.fcollcode = %4 and a.fdegree = %5")
                       .arg(fees2, studadm, tmp, c, d)
            << QStringLiteral(
                       "insert ignore into %1(fyear, fdegree, fexamno, fcollcode, fslno, fheadcode, "
                       "famount, fappno) select '2018', a.fdegree, 'A', a.fcollcode, a.fslno, '02 Fine', "
                       "0, a.fappno from %2 a, %3 c where a.fxlsintno = c.fintid and a.fcollcode = %4 "
                       "and a.fdegree = %5")
                       .arg(fees2, studadm, tmp, c, d);
    return true;
}

void prepare(const ApplicationRequest &request, ApplicationRun &run)
{
    run = ApplicationRun();
    run.db = selectUniversity(request.univCode);
    run.beforeLine = kBeforeNone;
    const QString before =
            collegeCounts(run.db, request.college, QStringLiteral("studadm"), QStringLiteral("fappno"));
    if (!before.isEmpty())
        run.beforeLine = QStringLiteral("Records Before Importing : ") + before;

    const QString tmp = sql::table(run.db, QStringLiteral("tmpcollstud"));
    const QString subject = sql::table(run.db, QStringLiteral("subject"));
    if (request.plan == ImportPlan::Literal) {
        for (int k = 1; k <= kSubjects; ++k) {
            const QString nn = QStringLiteral("%1").arg(k, 2, 10, QLatin1Char('0'));
            Conn::execute(
                    QStringLiteral(
                            "update %1 c, %2 s set c.fsub%3 = s.fsubcode where c.fdegree = s.fdegree and "
                            "s.fexamno = 'A' and c.fsub%3 = s.fsubshort and c.fcollcode = %4")
                            .arg(tmp, subject, nn, q(request.college)));
        }
    } else {
        // One pass instead of ten: each staged row is rewritten once, not
        // once per subject, with the same matches (the server compares).
        QString joins;
        QStringList sets;
        for (int k = 1; k <= kSubjects; ++k) {
            const QString nn = QStringLiteral("%1").arg(k, 2, 10, QLatin1Char('0'));
            joins += QStringLiteral(" left join %1 s%2 on s%2.fdegree = c.fdegree and s%2.fexamno = 'A' and "
                                    "s%2.fsubshort = c.fsub%2")
                             .arg(subject, nn);
            sets << QStringLiteral("c.fsub%1 = ifnull(s%1.fsubcode, c.fsub%1)").arg(nn);
        }
        Conn::execute(QStringLiteral("update %1 c%2 set %3 where c.fcollcode = %4")
                              .arg(tmp, joins, sets.join(QStringLiteral(", ")), q(request.college)));
    }

    const qint64 limit = statementLimit(request);
    for (const QString &degree : request.degrees) {
        DegreePlan plan;
        if (!planDegree(request, run.db, degree, limit, plan))
            continue;
        for (const Batch &b : plan.applications)
            run.staged += b.rows;
        run.plans.append(plan);
    }
    run.started = true;
}

// Sends one insert batch. After a lost reply the batch may be stored: its
// first row tells, as the batch is one statement and stored whole or not at all.
qint64 sendBatch(const Batch &batch, ApplicationRun &run)
{
    if (run.inDoubt) {
        run.inDoubt = false;
        if (Conn::query(batch.storedCheck).value(QStringLiteral("n")).toLongLong() > 0)
            return batch.rows;
    }
    run.inDoubt = true;
    run.largestStatement = qMax<qint64>(run.largestStatement, batch.sql.toUtf8().size());
    ++run.statements;
    const qint64 affected = Conn::execute(batch.sql);
    run.inDoubt = false;
    return affected;
}

} // namespace

QString nextSerial(const QString &previous)
{
    return QStringLiteral("%1").arg(previous.toLongLong() + 1, 4, 10, QLatin1Char('0'));
}

void importApplications(const ApplicationRequest &request, ApplicationRun &run,
                        const ApplicationObserver &observer)
{
    // Until the first application is sent only the staging table has changed,
    // so an interrupted preparation simply starts again.
    if (!run.started)
        prepare(request, run);
    const auto tell = [&](const QString &caption) {
        if (observer)
            observer(run.total, run.staged, caption);
    };
    for (; run.degree < run.plans.size(); ++run.degree, run.stage = 0, run.item = 0) {
        const DegreePlan &plan = run.plans.at(run.degree);
        if (run.stage == 0) {
            for (; run.item < plan.applications.size(); ++run.item) {
                tell(QStringLiteral("Storing the applications of %1").arg(plan.degree));
                run.total += sendBatch(plan.applications.at(run.item), run);
            }
            run.stage = 1;
            run.item = 0;
        }
        if (run.stage == 1) {
            for (; run.item < plan.subjects.size(); ++run.item) {
                tell(QStringLiteral("Storing the subjects of %1").arg(plan.degree));
                sendBatch(plan.subjects.at(run.item), run);
            }
            run.stage = 2;
            run.item = 0;
        }
        // Numbering, documents and fees find their rows by the staging
        // number and add with "insert ignore": repeating them is harmless.
        run.inDoubt = false;
        for (; run.item < plan.finishing.size(); ++run.item) {
            tell(QStringLiteral("Numbering the applications of %1 and adding documents and fees")
                         .arg(plan.degree));
            ++run.statements;
            Conn::execute(plan.finishing.at(run.item));
        }
    }
    tell(QStringLiteral("Counting the applications"));
    const QString after =
            collegeCounts(run.db, request.college, QStringLiteral("studadm"), QStringLiteral("fappno"));
    run.afterLine = after.isEmpty() ? QString() : QStringLiteral("Records After Importing : ") + after;
}

} // namespace students
