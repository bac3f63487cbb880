#include "core/students/degreechange.h"

#include "core/services/database.h"
#include "core/services/errors.h"
#include "core/services/sqltext.h"
#include "core/students/university.h"

namespace students {

namespace {

// Long enough for another client's two statements, short enough that a
// person is not left staring at the busy pointer.
constexpr int kSerialLockSeconds = 10;

// The named server lock around reading the largest serial number and writing
// the new one. Released on every path; a dropped connection frees it anyway.
class SerialLock
{
public:
    SerialLock(const QString &db, const QString &college, const QString &degree)
        : m_name(QStringLiteral("concat('studadm.fslno.', md5(%1))")
                         .arg(sql::quote(db + QLatin1Char('.') + college + QLatin1Char('.') + degree)))
    {
        const Rows rows =
                Conn::query(QStringLiteral("select get_lock(%1, %2) as got").arg(m_name, QString::number(kSerialLockSeconds)));
        if (rows.value(QStringLiteral("got")) != QLatin1String("1"))
            throw AppError(kSerialBusy,
                           QStringLiteral("Another change into college %1 and degree %2 is in progress; try again.")
                                   .arg(college, degree),
                           QStringLiteral("serial lock"));
    }
    ~SerialLock()
    {
        try {
            Conn::query(QStringLiteral("select release_lock(%1) as released").arg(m_name));
        } catch (const AppError &) {
            // The connection is gone, and the server released the lock with it.
        }
    }
    SerialLock(const SerialLock &) = delete;
    SerialLock &operator=(const SerialLock &) = delete;

private:
    QString m_name;
};

void tell(const ChangeObserver &observer, ChangeStep s)
{
    if (observer)
        observer(s);
}

} // namespace

StudentLookup lookupStudent(const QString &univCode, const QString &mobile)
{
    StudentLookup result;
    result.mobile = mobile;
    for (int round = 0; round < 2; ++round) {
        const QString db = selectUniversity(univCode);
        const Rows rows = Conn::query(
                QStringLiteral("select a.fname, a.fcollcode, a.fdegree, c.fcollname, c.ftown, d.fdescpn from %1 a, "
                               "%2 c, %3 d where a.fcollcode = c.fcollcode and a.fdegree = d.fdegree and "
                               "a.fmobileno = %4")
                        .arg(sql::table(db, QStringLiteral("collstud")), sql::table(db, QStringLiteral("college")),
                             sql::table(db, QStringLiteral("degree")), sql::quote(result.mobile)));
        if (!rows.isEmpty()) {
            result.found = true;
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
        const Rows app = Conn::query(QStringLiteral("select fcontact_no from %1 where fappno = %2")
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

ChangeRefusal prepareChange(const ChangeRequest &r, ChangeRun &run)
{
    // The change goes to the database the shown student was read from.
    run.db = currentUniversityDb();
    const QString db = run.db;
    if (r.newCollege != r.oldCollege) {
        const Rows rows = Conn::query(QStringLiteral("select fcollname, ftown from %1 where fcollcode = %2")
                                              .arg(sql::table(db, QStringLiteral("college")), sql::quote(r.newCollege)));
        if (rows.isEmpty())
            return {QStringLiteral("Invalid New College code"), false, ChangeFocus::NewCollege};
        run.newCollegeText =
                rows.value(QStringLiteral("fcollname")) + QStringLiteral(", ") + rows.value(QStringLiteral("ftown"));
    }
    if (r.newDegree != r.oldDegree) {
        const Rows rows = Conn::query(QStringLiteral("select distinct fdescpn from %1 where fdegree = %2")
                                              .arg(sql::table(db, QStringLiteral("degree")), sql::quote(r.newDegree)));
        if (rows.isEmpty())
            return {QStringLiteral("Invalid New Degree Code"), false, ChangeFocus::NewDegree};
        run.newDegreeText = rows.value(QStringLiteral("fdescpn"));
    }
    const Rows app = Conn::query(QStringLiteral("select fappno, fappstatus, fslno from %1 where fcontact_no = %2")
                                         .arg(sql::table(db, QStringLiteral("studadm")), sql::quote(r.mobile)));
    run.hasApplication = !app.isEmpty();
    if (run.hasApplication) {
        run.appno = app.value(QStringLiteral("fappno"));
        if (app.value(QStringLiteral("fappstatus")) == QLatin1String("verified"))
            return {QStringLiteral("Application is already submitted. Modification is not allowed!!"), true,
                    ChangeFocus::Mobile};
    }
    return {};
}

QString nextSerial(const QString &db, const QString &college, const QString &degree)
{
    const Rows rows = Conn::query(
            QStringLiteral("select ifnull(max(fslno),0) as fslno from %1 where fcollcode = %2 and fdegree = %3")
                    .arg(sql::table(db, QStringLiteral("studadm")), sql::quote(college), sql::quote(degree)));
    // A serial that is no number counts as 0, as the largest of none does.
    const int largest = rows.value(QStringLiteral("fslno")).trimmed().toInt();
    return QStringLiteral("%1").arg(largest + 1, 4, 10, QLatin1Char('0'));
}

void applyChange(const ChangeRequest &r, ChangeRun &run, const ChangeObserver &observer)
{
    const QString db = run.db;
    const QString newColl = sql::quote(r.newCollege);
    const QString newDeg = sql::quote(r.newDegree);
    const QString oldColl = sql::quote(r.oldCollege);
    const QString oldDeg = sql::quote(r.oldDegree);
    const QString mobile = sql::quote(r.mobile);
    const QString appno = sql::quote(run.appno);

    const auto moveStudent = [&] {
        tell(observer, ChangeStep::Student);
        Conn::execute(QStringLiteral("update %1 set fcollcode = %2, fdegree = %3 where fcollcode = %4 and fdegree = "
                                     "%5 and fmobileno = %6")
                              .arg(sql::table(db, QStringLiteral("collstud")), newColl, newDeg, oldColl, oldDeg,
                                   mobile));
        run.done = 1;
    };

    if (!run.hasApplication) {
        if (run.done < 1)
            moveStudent();
    } else if (run.done < 2) {
        const SerialLock lock(db, r.newCollege, r.newDegree);
        run.serial = nextSerial(db, r.newCollege, r.newDegree);
        tell(observer, ChangeStep::Serial);
        if (run.done < 1)
            moveStudent();
        tell(observer, ChangeStep::Application);
        Conn::execute(QStringLiteral("update %1 set fcollcode = %2, fdegree = %3, fslno = %4, ffinsub = 'F', "
                                     "fappstatus = null where fcollcode = %5 and fdegree = %6 and fcontact_no = %7 "
                                     "and fappno = %8")
                              .arg(sql::table(db, QStringLiteral("studadm")), newColl, newDeg, sql::quote(run.serial),
                                   oldColl, oldDeg, mobile, appno));
        run.done = 2;
    }
    if (run.hasApplication && run.done < 3) {
        tell(observer, ChangeStep::Subjects);
        const QString options = sql::table(db, QStringLiteral("options"));
        if (r.newDegree != r.oldDegree)
            Conn::execute(QStringLiteral("delete from %1 where fcollcode = %2 and fdegree = %3 and fappno = %4")
                                  .arg(options, oldColl, oldDeg, appno));
        else
            Conn::execute(QStringLiteral("update %1 set fcollcode = %2, fdegree = %3, fslno = %4 where fcollcode = %5 "
                                         "and fdegree = %6 and fappno = %7")
                                  .arg(options, newColl, newDeg, sql::quote(run.serial), oldColl, oldDeg, appno));
        run.done = 3;
    }
    if (run.hasApplication && run.done < 4) {
        tell(observer, ChangeStep::Documents);
        Conn::execute(QStringLiteral("update %1 set fcollcode = %2, fdegree = %3 where fcollcode = %4 and fdegree = %5 "
                                     "and login_cnt = %6")
                              .arg(sql::table(db, QStringLiteral("studoc")), newColl, newDeg, oldColl, oldDeg, appno));
        run.done = 4;
    }
    if (run.done < 5) {
        tell(observer, ChangeStep::Log);
        Conn::execute(QStringLiteral("insert into %1(fmobileno, foldcoll, fnewcoll, folddeg, fnewdeg, fappno, "
                                     "fusername) values(%2, %3, %4, %5, %6, %7, %8)")
                              .arg(sql::table(db, QStringLiteral("colldegchange")), mobile, oldColl, newColl, oldDeg,
                                   newDeg, appno, sql::quote(r.user)));
        run.done = 5;
    }
}

} // namespace students
