#include "core/desk/holding.h"

#include "core/services/database.h"
#include "core/services/sqltext.h"

namespace desk {

const char *const kNoLongerHeldMessage =
    "This grievance is no longer held by you: it was released by the administrator and may already be handled "
    "by another user. Nothing has been saved.";

bool holdsGrievance(const QString &user, const QString &tktid)
{
    return !Conn::query(QStringLiteral("Select fusername from masuser where fusername = ") + sql::quote(user) +
                        QStringLiteral(" and ftktid = ") + sql::quote(tktid))
                .isEmpty();
}

} // namespace desk
