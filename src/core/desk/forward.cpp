#include "core/desk/forward.h"

#include "core/desk/queue.h"
#include "core/services/database.h"
#include "core/services/sqltext.h"

namespace desk {

QString nextLevel(const QString &level)
{
    const Rows rows = Conn::query(QStringLiteral("Select distinct fgroup from masuser where fgroup < ") +
                                          sql::quote(level) + QStringLiteral(" order by fgroup desc limit 1"),
                                  1);
    return rows.isEmpty() ? QString() : rows.value(QStringLiteral("fgroup"));
}

Forwarding::Forwarding(QString user, QString level, QString tktid, QString remarks)
    : m_user(std::move(user))
    , m_level(std::move(level))
    , m_tktid(std::move(tktid))
    , m_remarks(std::move(remarks))
{}

ForwardOutcome Forwarding::run()
{
    if (m_done == 0) {
        if (m_tktid.trimmed().isEmpty())
            return ForwardOutcome::NoGrievance;
        const QString number = sql::number(m_tktid);
        if (!holdsGrievance(m_user, number))
            return ForwardOutcome::NotHeld;
        m_next = nextLevel(m_level);
        if (m_next.isEmpty())
            return ForwardOutcome::NoMoreLevels;
        Conn::execute(QStringLiteral("insert into tktdetl(ftktid, ftkttrandate, ffromuser, ftkttrangroup, "
                                     "ftkttranmsg) values(") +
                      number + QStringLiteral(", sysdate(), ") + sql::quote(m_user) + QStringLiteral(", ") +
                      sql::quote(m_next) + QStringLiteral(", ") + sql::quote(m_remarks) + QLatin1Char(')'));
        m_done = 1;
    }
    if (m_done == 1) {
        Conn::execute(QStringLiteral("update tkthead set ftktgroup = ") + sql::quote(m_next) +
                      QStringLiteral(" where ftktid = ") + sql::quote(sql::number(m_tktid)));
        m_done = 2;
    }
    if (m_done == 2) {
        releaseHeld(m_user);
        m_done = 3;
    }
    return ForwardOutcome::Forwarded;
}

ForwardOutcome forwardGrievance(const QString &user, const QString &level, const QString &tktid,
                                const QString &remarks)
{
    Forwarding forward(user, level, tktid, remarks);
    return forward.run();
}

} // namespace desk
