#include "core/students/degreechange.h"

#include "core/services/database.h"
#include "core/services/errors.h"
#include "core/services/sqltext.h"
#include "core/services/unitofwork.h"
#include "core/students/university.h"

namespace students {

namespace {

// Long enough for another client's change to commit, short enough that a
// person is not left staring at the busy pointer.
constexpr int kSerialLockSeconds = 10;
// Error number when another change holds the serial lock too long.
constexpr qint64 kSerialBusy = 1205;

// The named server lock around reading the largest serial number and writing
// the new one. It is not part of the transaction, so it is released only
// after the commit (or the rollback): released earlier, another client would
// read the largest number before this change's number is visible to it. A
// dropped connection frees it with the connection.
class SerialLock
{
public:
    SerialLock(const QString &db, const QString &college, const QString &degree)
        : m_name(QStringLiteral("concat('studadm.fslno.', md5(%1))")
                         .arg(sql::quote(db + QLatin1Char('.') + college + QLatin1Char('.') + degree)))
        , m_college(college)
        , m_degree(degree)
    {}
    ~SerialLock()
    {
        if (!m_taken)
            return;
        try {
            Conn::query(QStringLiteral("select release_lock(%1) as released").arg(m_name));
        } catch (const AppError &) {
            // The connection is gone, and the server released the lock with it.
        }
    }
    SerialLock(const SerialLock &) = delete;
    SerialLock &operator=(const SerialLock &) = delete;

    void take()
    {
        // A unit replayed on the same connection (after a deadlock) already
        // holds it; taking it again would need two releases.
        const Rows rows =
                Conn::query(QStringLiteral("select if(is_used_lock(%1) = connection_id(), 1, get_lock(%1, "
                                           "%2)) as got")
                                    .arg(m_name, QString::number(kSerialLockSeconds)));
        if (rows.value(QStringLiteral("got")) != QLatin1String("1"))
            throw AppError(
                    kSerialBusy,
                    QStringLiteral("Another change into college %1 and degree %2 is in progress; try again.")
                            .arg(m_college, m_degree),
                    QStringLiteral("serial lock"));
        m_taken = true;
    }

private:
    QString m_name;
    QString m_college;
    QString m_degree;
    bool m_taken = false;
};

// What was confirmed no longer holds: another client moved the student or
// the application since the look-up.
ChangeRefusal moved()
{
    return {QStringLiteral(
                    "The student's records have changed since the look-up; nothing was changed. Look the "
                    "student up again!!"),
            false, ChangeFocus::Mobile};
}

ChangeRefusal verified()
{
    return {QStringLiteral("Application is already submitted. Modification is not allowed!!"), true,
            ChangeFocus::Mobile};
}

} // namespace

StudentLookup lookupStudent(const QString &univCode, const QString &mobile)
{
    StudentLookup result;
    result.mobile = mobile;
    // The database is taken once, here; the change that follows writes into it.
    const QString db = selectUniversity(univCode);
    for (int round = 0; round < 2; ++round) {
        const Rows rows = Conn::query(
                QStringLiteral(
                        "select a.fname, a.fcollcode, a.fdegree, c.fcollname, c.ftown, d.fdescpn from %1 a, "
                        "%2 c, %3 d where a.fcollcode = c.fcollcode and a.fdegree = d.fdegree and "
                        "a.fmobileno = %4")
                        .arg(sql::table(db, QStringLiteral("collstud")),
                             sql::table(db, QStringLiteral("college")),
                             sql::table(db, QStringLiteral("degree")), sql::quote(result.mobile)));
        if (!rows.isEmpty()) {
            result.found = true;
            result.db = db;
            result.name = rows.value(QStringLiteral("fname"));
            result.college = rows.value(QStringLiteral("fcollcode"));
            result.degree = rows.value(QStringLiteral("fdegree"));
            result.collegeText = rows.value(QStringLiteral("fcollname")) + QStringLiteral(", ") +
                                 rows.value(QStringLiteral("ftown"));
            result.degreeText = rows.value(QStringLiteral("fdescpn"));
            return result;
        }
        if (round == 1)
            break;
        const Rows app = Conn::query(
                QStringLiteral("select fcontact_no from %1 where fappno = %2")
                        .arg(sql::table(db, QStringLiteral("studadm")), sql::quote(result.mobile)));
        if (app.isEmpty())
            break;
        result.mobile = app.value(QStringLiteral("fcontact_no"));
    }
    return result;
}

ChangeRefusal checkChangeInput(const ChangeRequest &r)
{
    if (r.mobile.isEmpty() || r.oldCollege.isEmpty() || r.newCollege.isEmpty() || r.oldDegree.isEmpty() ||
        r.newDegree.isEmpty())
        return {QStringLiteral("All entries mandatory!!"), false, ChangeFocus::Mobile};
    if (r.newCollege == r.oldCollege && r.newDegree == r.oldDegree)
        return {QStringLiteral("No Modification done!!"), false, ChangeFocus::Mobile};
    return {};
}

ChangeRefusal prepareChange(const ChangeRequest &r, ChangePlan &plan)
{
    plan = ChangePlan();
    const QString &db = r.db;
    if (r.newCollege != r.oldCollege) {
        const Rows rows = Conn::query(
                QStringLiteral("select fcollname, ftown from %1 where fcollcode = %2")
                        .arg(sql::table(db, QStringLiteral("college")), sql::quote(r.newCollege)));
        if (rows.isEmpty())
            return {QStringLiteral("Invalid New College code"), false, ChangeFocus::NewCollege};
        plan.newCollegeText = rows.value(QStringLiteral("fcollname")) + QStringLiteral(", ") +
                              rows.value(QStringLiteral("ftown"));
    }
    if (r.newDegree != r.oldDegree) {
        const Rows rows =
                Conn::query(QStringLiteral("select distinct fdescpn from %1 where fdegree = %2")
                                    .arg(sql::table(db, QStringLiteral("degree")), sql::quote(r.newDegree)));
        if (rows.isEmpty())
            return {QStringLiteral("Invalid New Degree Code"), false, ChangeFocus::NewDegree};
        plan.newDegreeText = rows.value(QStringLiteral("fdescpn"));
    }
    const Rows app =
            Conn::query(QStringLiteral("select fappno, fappstatus, fslno from %1 where fcontact_no = %2")
                                .arg(sql::table(db, QStringLiteral("studadm")), sql::quote(r.mobile)));
    plan.hasApplication = !app.isEmpty();
    if (plan.hasApplication) {
        plan.appno = app.value(QStringLiteral("fappno"));
        if (app.value(QStringLiteral("fappstatus")) == QLatin1String("verified"))
            return verified();
    }
    return {};
}

namespace {

// The next serial number in a college and degree: the largest stored plus
// one, as four digits ("0001" when there is none). Largest as a number: past
// "9999" the text order would hand out "10000" again and again.
QString nextSerial(const QString &db, const QString &college, const QString &degree)
{
    const Rows rows = Conn::query(
            QStringLiteral(
                    "select ifnull(max(cast(fslno as unsigned)),0) as fslno from %1 where fcollcode = %2 "
                    "and fdegree = %3")
                    .arg(sql::table(db, QStringLiteral("studadm")), sql::quote(college), sql::quote(degree)));
    // A serial that is no number counts as 0, as the largest of none does.
    const int largest = rows.value(QStringLiteral("fslno")).trimmed().toInt();
    return QStringLiteral("%1").arg(largest + 1, 4, 10, QLatin1Char('0'));
}

} // namespace

ChangeRefusal applyChange(const ChangeRequest &r, const ChangePlan &plan, const ChangeObserver &observer)
{
    const QString &db = r.db;
    const QString newColl = sql::quote(r.newCollege);
    const QString newDeg = sql::quote(r.newDegree);
    const QString oldColl = sql::quote(r.oldCollege);
    const QString oldDeg = sql::quote(r.oldDegree);
    const QString mobile = sql::quote(r.mobile);
    const QString appno = sql::quote(plan.appno);
    const QString studadm = sql::table(db, QStringLiteral("studadm"));
    const QString log = sql::table(db, QStringLiteral("colldegchange"));

    // Declared before the unit so that it is released after the commit.
    SerialLock lock(db, r.newCollege, r.newDegree);
    QString serial;
    qint64 logId = 0;

    UnitOfWork unit(QStringLiteral("change of degree"));
    const auto add = [&](const QString &name, std::function<qint64()> work) {
        unit.step(name, [&observer, name, work = std::move(work)] {
            if (observer)
                observer(name);
            return work();
        });
    };
    unit.onAttempt([&] {
        serial.clear();
        logId = 0;
    });
    if (plan.hasApplication) {
        add(QStringLiteral("serial"), [&] {
            lock.take();
            // The confirmation may have taken a while: a verification made
            // meanwhile must not be undone by this change.
            const Rows app = Conn::query(
                    QStringLiteral("select fappstatus from %1 where fcontact_no = %2 and fappno = "
                                   "%3 for update")
                            .arg(studadm, mobile, appno));
            if (app.isEmpty())
                throw moved();
            if (app.value(QStringLiteral("fappstatus")) == QLatin1String("verified"))
                throw verified();
            claimSerialRow(db, r.newCollege, r.newDegree);
            serial = nextSerial(db, r.newCollege, r.newDegree);
            return qint64(0);
        });
    }
    add(QStringLiteral("student"), [&] {
        const qint64 rows = Conn::execute(
                QStringLiteral(
                        "update %1 set fcollcode = %2, fdegree = %3 where fcollcode = %4 and fdegree = %5 "
                        "and fmobileno = %6")
                        .arg(sql::table(db, QStringLiteral("collstud")), newColl, newDeg, oldColl, oldDeg,
                             mobile));
        if (rows < 1)
            throw moved();
        return rows;
    });
    if (plan.hasApplication) {
        add(QStringLiteral("application"), [&] {
            const qint64 rows = Conn::execute(
                    QStringLiteral(
                            "update %1 set fcollcode = %2, fdegree = %3, fslno = %4, ffinsub = 'F', "
                            "fappstatus = null where fcollcode = %5 and fdegree = %6 and fcontact_no = %7 "
                            "and fappno = %8")
                            .arg(studadm, newColl, newDeg, sql::quote(serial), oldColl, oldDeg, mobile,
                                 appno));
            if (rows < 1)
                throw moved();
            return rows;
        });
        add(QStringLiteral("subjects"), [&] {
            // Subjects belong to a degree: a new degree drops them.
            const QString options = sql::table(db, QStringLiteral("options"));
            if (r.newDegree != r.oldDegree)
                return Conn::execute(
                        QStringLiteral("delete from %1 where fcollcode = %2 and fdegree = %3 and "
                                       "fappno = %4")
                                .arg(options, oldColl, oldDeg, appno));
            return Conn::execute(
                    QStringLiteral("update %1 set fcollcode = %2, fdegree = %3, fslno = %4 where "
                                   "fcollcode = %5 and fdegree = %6 and fappno = %7")
                            .arg(options, newColl, newDeg, sql::quote(serial), oldColl, oldDeg, appno));
        });
        add(QStringLiteral("documents"), [&] {
            return Conn::execute(
                    QStringLiteral("update %1 set fcollcode = %2, fdegree = %3 where fcollcode = %4 and "
                                   "fdegree = %5 and login_cnt = %6")
                            .arg(sql::table(db, QStringLiteral("studoc")), newColl, newDeg, oldColl, oldDeg,
                                 appno));
        });
    }
    add(QStringLiteral("log"), [&] {
        const qint64 rows = Conn::execute(
                QStringLiteral("insert into %1(fmobileno, foldcoll, fnewcoll, folddeg, "
                               "fnewdeg, fappno, fusername) values(%2, %3, %4, %5, %6, %7, "
                               "%8)")
                        .arg(log, mobile, oldColl, newColl, oldDeg, newDeg, appno, sql::quote(r.user)));
        logId = Conn::query(QStringLiteral("select last_insert_id() as id"))
                        .value(QStringLiteral("id"))
                        .toLongLong();
        return rows;
    });
    // The log row written by this change's last attempt is there exactly
    // when that attempt committed.
    unit.committedWhen([&] {
        return logId > 0 &&
               !Conn::query(
                        QStringLiteral("select fchangeid from %1 where fchangeid = %2").arg(log).arg(logId),
                        1)
                        .isEmpty();
    });
    try {
        unit.run();
    } catch (const ChangeRefusal &refusal) {
        return refusal; // rolled back: nothing written
    }
    return {};
}

void claimSerialRow(const QString &db, const QString &college, const QString &degree)
{
    Conn::execute(QStringLiteral("insert into %1(fcollcode, fdegree, ftaken) values(%2, %3, 1) on duplicate "
                                 "key update ftaken = ftaken + 1")
                          .arg(sql::table(db, QStringLiteral("slnoclaim")), sql::quote(college),
                               sql::quote(degree)));
}

} // namespace students
