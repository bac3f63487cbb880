#include "core/desk/queue.h"

#include "core/services/database.h"
#include "core/services/session.h"
#include "core/services/sqltext.h"
#include "core/services/unitofwork.h"

#include <utility>

namespace desk {

namespace {

const QString kPickColumns = QStringLiteral(
        "Select g.ftktid, g.ftktdate, g.fregno, g.ftktfrom, g.ftktemail, g.fstudemail, g.ftktsub, g.ftktmsg, "
        "if(g.ftktuser<>'Student','College','Student') as ftktuser, g.ftktmode, g.ftktmobile, g.ftktemail, "
        "g.funivcode, g.ftktstatus, g.fdeleted from tkthead g where ");

QString exclusion(const QString &heldList)
{
    return heldList.isEmpty() ? QString()
                              : QStringLiteral(" and g.ftktid not in(") + heldList + QLatin1Char(')');
}

// Under the column's PAD SPACE collation a level of blanks equals '' and so,
// through ifnull(), also matches a NULL level.
bool blankLevel(const QString &level)
{
    for (const QChar c : level)
        if (c != QLatin1Char(' '))
            return false;
    return true;
}

Grievance grievanceFrom(const Rows &rows)
{
    Grievance g;
    g.tktid = rows.value(QStringLiteral("ftktid"));
    g.date = rows.dateTime(QStringLiteral("ftktdate"));
    g.regno = rows.value(QStringLiteral("fregno"));
    g.from = rows.value(QStringLiteral("ftktfrom"));
    g.email = rows.value(QStringLiteral("ftktemail"));
    g.studEmail = rows.value(QStringLiteral("fstudemail"));
    g.subject = rows.value(QStringLiteral("ftktsub"));
    g.message = rows.value(QStringLiteral("ftktmsg"));
    g.kind = rows.value(QStringLiteral("ftktuser"));
    g.mode = rows.value(QStringLiteral("ftktmode"));
    g.mobile = rows.value(QStringLiteral("ftktmobile"));
    g.univCode = rows.value(QStringLiteral("funivcode"));
    g.status = rows.value(QStringLiteral("ftktstatus"));
    g.deleted = rows.value(QStringLiteral("fdeleted"));
    return g;
}

} // namespace

University selectUniversity(const QString &code)
{
    University univ;
    univ.code = code;
    univ.name = universityName(code); // throws before the list was read
    Session &s = session();
    for (const UnivRow &row : std::as_const(s.universities)) {
        if (row.code == code) {
            univ.known = true;
            break;
        }
    }
    if (!univ.known) {
        s.chosenUniversityDb.clear();
        s.chosenUniversityShort.clear();
        s.chosenUniversityEmail.clear();
        return univ;
    }
    univ.db = s.chosenUniversityDb;
    univ.shortName = s.chosenUniversityShort;
    univ.email = s.chosenUniversityEmail;
    return univ;
}

bool lockFree()
{
    return Conn::query(QStringLiteral("Select * from control where fstarted = 'T'"), 1).isEmpty();
}

namespace {

// The take, waiting at most `seconds` for a desk inside its own pick; the
// setting holds for this one statement, so the tick sends nothing more. Test
// and set in one statement, so two desks can never both hold the lock. The
// connection counts found rows, so the where clause, not the changed-row
// count, is what makes this exclusive: a row already at 'T' is not found at
// all. Must run inside a transaction: a wait that runs out ends only the
// statement.
bool takeLockWithin(int seconds)
{
    try {
        return Conn::execute(
                       QStringLiteral("SET STATEMENT innodb_lock_wait_timeout = %1 FOR "
                                      "update control set fstarted = 'T' where ifnull(fstarted,'') <> 'T'")
                               .arg(seconds)) > 0;
    } catch (const AppError &error) {
        if (error.isLockWaitTimeout())
            return false;
        throw;
    }
}

qint64 releaseLock()
{
    return Conn::execute(QStringLiteral("update control set fstarted = null"));
}

} // namespace

void clearStaleLock()
{
    Conn::execute(QStringLiteral("update control set fstarted = null where fstarted = 'T'"));
}

bool holdsGrievance(const QString &user, const QString &tktid)
{
    return !Conn::query(QStringLiteral("select fusername from masuser where fusername = ") +
                                sql::quote(user) + QStringLiteral(" and ftktid = ") + sql::quote(tktid),
                        1)
                    .isEmpty();
}

void releaseHeld(const QString &user)
{
    Conn::execute(QStringLiteral("update masuser set ftktid = null where fusername = ") + sql::quote(user));
}

Holders readHolders(const QString &user)
{
    // One read for what took two (does the user hold one; what do the others
    // hold): the pick runs on every desk's tick. The server compares the
    // names, as it did in the two reads. The list is built here rather than by
    // group_concat() on the server: the server cuts group_concat() at 1024
    // bytes, which would leave a broken list once about a hundred users hold
    // grievances, and a held value is only safe in the statement once it has
    // passed the quoting helper.
    const Rows rows = Conn::query(QStringLiteral("Select ftktid, fusername = ") + sql::quote(user) +
                                  QStringLiteral(" as fmine from masuser where ifnull(ftktid,'') <> ''"));
    Holders holders;
    QStringList list;
    list.reserve(rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        if (rows.value(QStringLiteral("fmine"), i) == QLatin1String("1"))
            holders.userHoldsOne = true;
        else
            list << sql::quote(rows.value(QStringLiteral("ftktid"), i));
    }
    holders.othersList = list.join(QLatin1Char(','));
    return holders;
}

QString pickStatement(const QString &level, const QString &heldList)
{
    // No ifnull() around the columns, so the index (ftktgroup, ftktstatus,
    // ftktid) reaches the few open rows directly; blank levels and statuses
    // still match NULL.
    const QString levelTest = blankLevel(level) ? QStringLiteral("(g.ftktgroup = ") + sql::quote(level) +
                                                          QStringLiteral(" or g.ftktgroup is null)")
                                                : QStringLiteral("g.ftktgroup = ") + sql::quote(level);
    return kPickColumns + levelTest +
           QStringLiteral(" and (g.ftktstatus is null or g.ftktstatus in ('', 'A')) ") + exclusion(heldList) +
           QStringLiteral(" order by g.ftktid limit 1");
}

bool StaleLockWatch::heldTooLong(bool held, const QDateTime &now)
{
    if (!held) {
        m_firstHeld = QDateTime();
        return false;
    }
    if (!m_firstHeld.isValid() || now < m_firstHeld) {
        m_firstHeld = now;
        return false;
    }
    if (m_firstHeld.secsTo(now) >= kStaleLockSeconds) {
        m_firstHeld = QDateTime();
        return true;
    }
    return false;
}

namespace {

// The lock makes picks take turns, yet a cluster losing a node has now and
// then let two desks on the two other nodes both commit a pick of the same
// grievance. So a pick checks, once its node has applied every commit
// before its own, that no other desk holds what it took; if one does, it
// gives its own back and waits for the next tick (should both see the other,
// both do, and the grievance waits a tick). A check that fails keeps the
// pick: the link's loss is for the desk's next step to find.
bool heldElsewhereToo(const QString &user, const QString &tktid)
{
    try {
        // One server applies every commit before it answers: no wait there.
        const bool cluster = Conn::onCluster();
        if (cluster)
            awaitAppliedCommits(true);
        const bool alsoHeld = !Conn::query(QStringLiteral("select fusername from masuser where ftktid = ") +
                                                   sql::quote(tktid) + QStringLiteral(" and fusername <> ") +
                                                   sql::quote(user),
                                           1)
                                       .isEmpty();
        if (cluster)
            awaitAppliedCommits(false);
        if (alsoHeld)
            Conn::execute(QStringLiteral("update masuser set ftktid = null where fusername = ") +
                          sql::quote(user) + QStringLiteral(" and ftktid = ") + sql::quote(tktid));
        return alsoHeld;
    } catch (const AppError &) {
        return false;
    }
}

} // namespace

AssignResult assignNext(const QString &user, const QString &level)
{
    AssignResult result;
    QString held;
    UnitOfWork unit(QStringLiteral("assignment"));
    unit.onAttempt([&] {
            result = AssignResult{};
            held.clear();
        })
            .step(QStringLiteral("take lock"),
                  [&] {
                      if (!takeLockWithin(kLockWaitSeconds)) {
                          result.outcome = AssignOutcome::LockBusy;
                          unit.finish();
                          return qint64(0);
                      }
                      return qint64(1);
                  })
            .step(QStringLiteral("holders"),
                  [&] {
                      // Read under the lock: no other desk can add to it meanwhile.
                      const Holders holders = readHolders(user);
                      if (holders.userHoldsOne) {
                          result.outcome = AssignOutcome::AlreadyHolding;
                          unit.abandon(); // the lock as it was
                      }
                      held = holders.othersList;
                      return qint64(0);
                  })
            .step(QStringLiteral("pick"),
                  [&] {
                      const Rows rows = Conn::query(pickStatement(level, held), 1);
                      if (!rows.isEmpty())
                          result = AssignResult{AssignOutcome::Picked, grievanceFrom(rows)};
                      return qint64(rows.size());
                  })
            .step(QStringLiteral("hold"),
                  [&] {
                      if (result.outcome != AssignOutcome::Picked)
                          return qint64(0);
                      return Conn::execute(QStringLiteral("update masuser set ftktid = ") +
                                           sql::quote(result.grievance.tktid) +
                                           QStringLiteral(" where fusername = ") + sql::quote(user));
                  })
            .step(QStringLiteral("release lock"), [] { return releaseLock(); })
            // A desk on another node took the lock first: a lock not taken
            // this tick, like a wait that ran out.
            .busyOnDeadlock([&] {
                result = AssignResult{AssignOutcome::LockBusy, {}};
            })
            .committedWhen([&] {
                // Only a pick changes anything that outlives the transaction.
                return result.outcome != AssignOutcome::Picked ||
                       holdsGrievance(user, result.grievance.tktid);
            });
    unit.run();
    if (result.outcome == AssignOutcome::Picked && heldElsewhereToo(user, result.grievance.tktid))
        result = AssignResult{AssignOutcome::LockBusy, {}};
    return result;
}

} // namespace desk
