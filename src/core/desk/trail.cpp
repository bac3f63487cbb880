#include "core/desk/trail.h"

#include "core/services/database.h"
#include "core/services/sqltext.h"

#include <QRegularExpression>

namespace desk {

QVector<TrailEntry> trailOf(const QString &tktid)
{
    // fdetlid breaks ties: forward and reply may fall in the same second.
    const Rows rows = Conn::query(
            QStringLiteral("select ftkttrandate, ffromuser, ftkttrangroup, ftkttransub, ftkttranmsg "
                           "from tktdetl where ftktid = %1 order by ftkttrandate, fdetlid")
                    .arg(sql::number(tktid)));
    QVector<TrailEntry> trail;
    trail.reserve(rows.size());
    QString at; // where the grievance is after the rows read so far
    for (int i = 0; i < rows.size(); ++i) {
        TrailEntry e;
        e.when = rows.dateTime(QStringLiteral("ftkttrandate"), i);
        e.user = rows.value(QStringLiteral("ffromuser"), i);
        const QString group = rows.value(QStringLiteral("ftkttrangroup"), i);
        const QString message = rows.value(QStringLiteral("ftkttranmsg"), i);
        e.fromLevel = at;
        if (group == QLatin1String(kReplyGroup)) {
            e.reply = true;
            e.level = QStringLiteral("Replied");
            e.summary = rows.value(QStringLiteral("ftkttransub"), i);
            e.fullText = readableMail(message);
        } else {
            e.level = group;
            at = group;
            e.summary = message;
            e.fullText = message;
        }
        trail.push_back(e);
    }
    return trail;
}

QString readableMail(const QString &body)
{
    static const QRegularExpression br(QStringLiteral("<br\\s*/?>"),
                                       QRegularExpression::CaseInsensitiveOption);
    QString text = body;
    return text.replace(br, QStringLiteral("\n"));
}

} // namespace desk
