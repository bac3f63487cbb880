#include "core/desk/forward.h"

#include "core/desk/queue.h"
#include "core/services/database.h"
#include "core/services/sqltext.h"
#include "core/services/unitofwork.h"

namespace desk {

QString nextLevel(const QString &level)
{
    const Rows rows = Conn::query(QStringLiteral("Select distinct fgroup from masuser where fgroup < ") +
                                          sql::quote(level) + QStringLiteral(" order by fgroup desc limit 1"),
                                  1);
    return rows.isEmpty() ? QString() : rows.value(QStringLiteral("fgroup"));
}

ForwardOutcome forwardGrievance(const QString &user, const QString &level, const QString &tktid,
                                const QString &remarks, QString *next)
{
    if (tktid.trimmed().isEmpty())
        return ForwardOutcome::NoGrievance;
    const QString number = sql::number(tktid);
    ForwardOutcome outcome = ForwardOutcome::Forwarded;
    QString to;
    UnitOfWork unit(QStringLiteral("forward"));
    unit.onAttempt([&] {
            outcome = ForwardOutcome::Forwarded;
            to.clear();
        })
            .step(QStringLiteral("held check"),
                  [&] {
                      if (!holdsGrievance(user, number)) {
                          outcome = ForwardOutcome::NotHeld;
                          unit.finish();
                      }
                      return qint64(0);
                  })
            .step(QStringLiteral("next level"),
                  [&] {
                      to = nextLevel(level);
                      if (to.isEmpty()) {
                          outcome = ForwardOutcome::NoMoreLevels;
                          unit.finish();
                      }
                      return qint64(0);
                  })
            .step(QStringLiteral("detail"),
                  [&] {
                      return Conn::execute(
                              QStringLiteral(
                                      "insert into tktdetl(ftktid, ftkttrandate, ffromuser, ftkttrangroup, "
                                      "ftkttranmsg) values(") +
                              number + QStringLiteral(", sysdate(), ") + sql::quote(user) +
                              QStringLiteral(", ") + sql::quote(to) + QStringLiteral(", ") +
                              sql::quote(remarks) + QLatin1Char(')'));
                  })
            .step(QStringLiteral("level"),
                  [&] {
                      return Conn::execute(QStringLiteral("update tkthead set ftktgroup = ") +
                                           sql::quote(to) + QStringLiteral(" where ftktid = ") +
                                           sql::quote(number));
                  })
            .step(QStringLiteral("give up"),
                  [&] {
                      return Conn::execute(
                              QStringLiteral("update masuser set ftktid = null where fusername = ") +
                              sql::quote(user));
                  })
            .committedWhen([&] {
                if (outcome != ForwardOutcome::Forwarded)
                    return true; // nothing was written
                // Levels only move down, so this user's detail row to that
                // level, the grievance at it and no longer held by the user
                // are there only when this forward committed.
                return !Conn::query(QStringLiteral("select h.ftktid from tkthead h where h.ftktid = ") +
                                            number + QStringLiteral(" and h.ftktgroup = ") + sql::quote(to) +
                                            QStringLiteral(" and exists(select 1 from tktdetl d where "
                                                           "d.ftktid = h.ftktid and d.ffromuser = ") +
                                            sql::quote(user) + QStringLiteral(" and d.ftkttrangroup = ") +
                                            sql::quote(to) +
                                            QStringLiteral(") and not exists(select 1 from masuser u where "
                                                           "u.fusername = ") +
                                            sql::quote(user) + QStringLiteral(" and u.ftktid = ") +
                                            sql::quote(number) + QLatin1Char(')'),
                                    1)
                                .isEmpty();
            });
    unit.run();
    if (next)
        *next = to;
    return outcome;
}

} // namespace desk
