#include "oracles/desk.h"

#include "core/services/sqltext.h"

namespace oracles {

QString deskPick(const QString &level, const QString &heldList)
{
    const QString exclusion = heldList.isEmpty()
                                      ? QString()
                                      : QStringLiteral(" and g.ftktid not in(") + heldList + QLatin1Char(')');
    return QStringLiteral("Select g.ftktid, g.ftktdate, g.fregno, g.ftktfrom, g.ftktemail, g.fstudemail, "
                          "g.ftktsub, g.ftktmsg, if(g.ftktuser<>'Student','College','Student') as ftktuser, "
                          "g.ftktmode, g.ftktmobile, g.ftktemail, g.funivcode, g.ftktstatus, g.fdeleted "
                          "from tkthead g where ifnull(g.ftktgroup,'') = ") +
           sql::quote(level) +
           QStringLiteral(" and (ifnull(g.ftktstatus,'') = '' or ifnull(g.ftktstatus,'') = 'A') ") +
           exclusion + QStringLiteral(" order by g.ftktid limit 1");
}

QString deskStatus(const QString &level, const QString &user)
{
    const QString lv = sql::quote(level);
    return QStringLiteral("select u.funivshort, if(c.ftktuser<>'Student','College','Student') as ftktuser, "
                          "c.funivcode, sum(if(c.ftktgroup = ") +
           lv +
           QStringLiteral(" and ifnull(c.ftktstatus,'') <> 'C',1,0)) as fpending, "
                          "sum(date_format(c.ffinaldate,'%Y-%m-%d') = date_format(now(),'%Y-%m-%d') and "
                          "if(c.ftktgroup = ") +
           lv + QStringLiteral(" and c.ffinaluser = ") + sql::quote(user) +
           QStringLiteral(
                   " and ifnull(c.ftktstatus,'') = 'C',1,0)) as freply from tkthead c, masuniv u where "
                   "c.funivcode = u.funivcode group by u.funivshort, "
                   "if(c.ftktuser<>'Student','College','Student'), c.funivcode order by c.funivcode");
}

} // namespace oracles
