#include "core/desk/queue.h"

#include "core/services/database.h"
#include "core/services/sqltext.h"

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

bool lockFree()
{
    return Conn::query(QStringLiteral("Select * from control where fstarted = 'T'"), 1).isEmpty();
}

bool takeLock()
{
    // Test and set in one statement. The connection counts found rows, so the
    // where clause, not the changed-row count, is what makes this exclusive:
    // a row already at 'T' is not found at all.
    return Conn::execute(
                   QStringLiteral("update control set fstarted = 'T' where ifnull(fstarted,'') <> 'T'")) > 0;
}

void releaseLock()
{
    Conn::execute(QStringLiteral("update control set fstarted = null"));
}

void clearStaleLock()
{
    Conn::execute(QStringLiteral("update control set fstarted = null where fstarted = 'T'"));
}

bool userHoldsAny(const QString &user)
{
    return !Conn::query(QStringLiteral("Select * from masuser where fusername = ") + sql::quote(user) +
                                QStringLiteral(" and ifnull(ftktid,'') <> ''"),
                        1)
                    .isEmpty();
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

QString heldByOthers(const QString &user)
{
    // The list is built here rather than by group_concat() on the server: the
    // server cuts group_concat() at 1024 bytes, which would leave a broken
    // list once about a hundred users hold grievances, and a held value is
    // only safe in the statement once it has passed the quoting helper.
    const Rows rows = Conn::query(QStringLiteral("Select ftktid from masuser where fusername <> ") +
                                  sql::quote(user) + QStringLiteral(" and ifnull(ftktid,'') <> ''"));
    QStringList list;
    list.reserve(rows.size());
    for (int i = 0; i < rows.size(); ++i)
        list << sql::quote(rows.value(QStringLiteral("ftktid"), i));
    return list.join(QLatin1Char(','));
}

QString pickStatementOriginal(const QString &level, const QString &heldList)
{
    return kPickColumns + QStringLiteral("ifnull(g.ftktgroup,'') = ") + sql::quote(level) +
           QStringLiteral(" and (ifnull(g.ftktstatus,'') = '' or ifnull(g.ftktstatus,'') = 'A') ") +
           exclusion(heldList) + QStringLiteral(" order by g.ftktid limit 1");
}

QString pickStatement(const QString &level, const QString &heldList)
{
    // The same conditions without ifnull() around the columns, so the index
    // (ftktgroup, ftktstatus, ftktid) reaches the few open rows directly.
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

Assignment::Assignment(QString user, QString level)
    : m_user(std::move(user))
    , m_level(std::move(level))
{}

Assignment::~Assignment()
{
    // A run given up after a dropped connection may still own the flag.
    if (m_lockHeld)
        tryRelease();
}

void Assignment::tryRelease()
{
    try {
        releaseLock();
        m_lockHeld = false;
    } catch (const AppError &) {
        // Best effort: the error that brought us here is the one to report.
    }
}

AssignResult Assignment::run()
{
    try {
        if (!m_lockHeld) {
            if (m_picked)
                return m_result; // finished in an earlier run
            if (userHoldsAny(m_user))
                return AssignResult{AssignOutcome::AlreadyHolding, {}};
            if (!takeLock())
                return AssignResult{AssignOutcome::LockBusy, {}};
            m_lockHeld = true;
        }
        if (!m_holdWritten) {
            // Read only under the lock: no other desk can add to it meanwhile.
            const QString held = heldByOthers(m_user);
            m_pickSql = pickStatement(m_level, held);
            const Rows rows = Conn::query(m_pickSql, 1);
            if (rows.isEmpty()) {
                m_result = AssignResult{AssignOutcome::NoneWaiting, {}};
            } else {
                m_result = AssignResult{AssignOutcome::Picked, grievanceFrom(rows)};
                Conn::execute(QStringLiteral("update masuser set ftktid = ") +
                              sql::quote(m_result.grievance.tktid) + QStringLiteral(" where fusername = ") +
                              sql::quote(m_user));
            }
            m_holdWritten = true;
        }
        releaseLock();
        m_lockHeld = false;
        m_picked = true;
        return m_result;
    } catch (const AppError &error) {
        if (m_lockHeld && !error.isGoneAway())
            tryRelease();
        // After a dropped link the flag stays ours: a rerun resumes under it,
        // and the destructor frees it if nobody reruns.
        throw;
    }
}

AssignResult assignNext(const QString &user, const QString &level)
{
    Assignment step(user, level);
    return step.run();
}

} // namespace desk
