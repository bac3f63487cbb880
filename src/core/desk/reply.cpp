#include "core/desk/reply.h"

#include "core/services/database.h"
#include "core/services/sqltext.h"

namespace reply {

const char *const kResetParagraph =
    "We are resetting the final submission that you have made on your request. Login and make the corrections "
    "and do the final submission once again.";

QString recipient(const QString &altEmail, const QString &senderEmail)
{
    const QString alt = altEmail.trimmed();
    if (!alt.isEmpty() && alt.contains(QLatin1Char('@')) && alt.contains(QLatin1Char('.')))
        return alt;
    return senderEmail;
}

QString subject(const QString &tktid, const QString &grievanceSubject)
{
    if (grievanceSubject.trimmed().isEmpty())
        return QString();
    return QStringLiteral("Re: Tkt. No. - ") + tktid + QStringLiteral(" : ") + grievanceSubject;
}

ResetOffer resetOffer(const QString &instUnivCode, const QString &db, const QString &mobile)
{
    if (!QStringLiteral("041*042*").contains(instUnivCode + QLatin1Char('*')))
        return ResetOffer::NotOffered;
    const Rows rows = Conn::query(
        QStringLiteral("Select ifnull(ffinsub,'') as ffinsub, ifnull(fappstatus,'') as fappstatus from ") +
        sql::table(db, QStringLiteral("studadm")) + QStringLiteral(" where fcontact_no = ") + sql::quote(mobile) +
        QStringLiteral(" and ifnull(fcontact_no,'') <> ''"));
    if (rows.isEmpty() || rows.value(QStringLiteral("ffinsub")) != QLatin1String("T"))
        return ResetOffer::NotOffered;
    return rows.value(QStringLiteral("fappstatus")) == QLatin1String("verified") ? ResetOffer::AcknowledgementDone
                                                                                  : ResetOffer::Offer;
}

QString composeReplyBody(const QString &type, const QString &replyText, bool reset, const QString &univText)
{
    QString body = QStringLiteral("Dear ") +
                   (type == QLatin1String("Student") ? QStringLiteral("Student") : QStringLiteral("Sir / Madam")) +
                   QStringLiteral(",<br><br>") + replyText;
    if (reset)
        body += QStringLiteral("<br>") + QString::fromLatin1(kResetParagraph);
    body += QStringLiteral("<br><br>Regards,<br>Help Desk<br>") + univText.mid(6, 100).trimmed();
    return body;
}

void recordReply(const Reply &r, Progress &progress)
{
    const QString user = sql::quote(r.user);
    const QString tktid = sql::number(r.tktid);
    if (r.reset && !progress.reset) {
        Conn::execute(QStringLiteral("update ") + sql::table(r.db, QStringLiteral("studadm")) +
                      QStringLiteral(" set ffinsub = null where fcontact_no = ") + sql::quote(r.mobile) +
                      QStringLiteral(" and ifnull(fcontact_no,'') <> '' and ifnull(fappstatus,'') = ''"));
        progress.reset = true;
    }
    if (progress.logging && !progress.logged) {
        // The link broke around the insert: it may have reached the server.
        const Rows done = Conn::query(QStringLiteral("select 1 as x from tktdetl where ftktid = ") + tktid +
                                      QStringLiteral(" and ffromuser = ") + user +
                                      QStringLiteral(" and ftkttrangroup = 'XX' and ftkttranmsg = ") +
                                      sql::quote(r.body) + QStringLiteral(" limit 1"));
        progress.logged = !done.isEmpty();
    }
    if (!progress.logged) {
        progress.logging = true;
        Conn::execute(QStringLiteral("insert into tktdetl(ftktid, ftkttrandate, ffromuser, ftkttranto, ftkttrancc, "
                                     "ftkttransub, ftkttranfile, ftkttrangroup, ftkttranmsg) values(") +
                      tktid + QStringLiteral(", sysdate(), ") + user + QStringLiteral(", ") + sql::quote(r.to) +
                      QStringLiteral(", ") + sql::quote(r.cc) + QStringLiteral(", ") + sql::quote(r.subject) +
                      QStringLiteral(", null, 'XX', ") + sql::quote(r.body) + QStringLiteral(")"));
        progress.logged = true;
    }
    if (!progress.closed) {
        Conn::execute(QStringLiteral("update tkthead set ffinaluser = ") + user +
                      QStringLiteral(", ffinaldate = sysdate(), ftktstatus = 'C' where ftktid = ") + tktid);
        progress.closed = true;
    }
    if (!progress.released) {
        Conn::execute(QStringLiteral("update masuser set ftktid = null where fusername = ") + user);
        progress.released = true;
    }
}

} // namespace reply
