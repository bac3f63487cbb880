#include "core/desk/reply.h"

#include "core/desk/queue.h"
#include "core/services/config.h"
#include "core/services/database.h"
#include "core/services/mail.h"
#include "core/services/sqltext.h"
#include "core/services/unitofwork.h"

#include <QDir>
#include <QFile>

namespace reply {

const char *const kResetParagraph = "We are resetting the final submission that you have made on your "
                                    "request. Login and make the corrections "
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
    // The two installations by their whole code: a search in "041*042*" took
    // "41", "1" and "" for one of them.
    if (instUnivCode != QLatin1String("041") && instUnivCode != QLatin1String("042"))
        return ResetOffer::NotOffered;
    const Rows rows = Conn::query(
            QStringLiteral(
                    "Select ifnull(ffinsub,'') as ffinsub, ifnull(fappstatus,'') as fappstatus from ") +
            sql::table(db, QStringLiteral("studadm")) + QStringLiteral(" where fcontact_no = ") +
            sql::quote(mobile) + QStringLiteral(" and ifnull(fcontact_no,'') <> ''"));
    if (rows.isEmpty() || rows.value(QStringLiteral("ffinsub")) != QLatin1String("T"))
        return ResetOffer::NotOffered;
    return rows.value(QStringLiteral("fappstatus")) == QLatin1String("verified")
                   ? ResetOffer::AcknowledgementDone
                   : ResetOffer::Offer;
}

QString composeReplyBody(const QString &type, const QString &replyText, bool reset, const QString &univText)
{
    QString body =
            QStringLiteral("Dear ") +
            (type == QLatin1String("Student") ? QStringLiteral("Student") : QStringLiteral("Sir / Madam")) +
            QStringLiteral(",<br><br>") + replyText;
    if (reset)
        body += QStringLiteral("<br>") + QString::fromLatin1(kResetParagraph);
    body += QStringLiteral("<br><br>Regards,<br>Help Desk<br>") + univText.mid(6, 100).trimmed();
    return body;
}

RecordOutcome recordReply(const Reply &r)
{
    const QString user = sql::quote(r.user);
    const QString tktid = sql::number(r.tktid);
    RecordOutcome outcome = RecordOutcome::Recorded;
    UnitOfWork unit(QStringLiteral("reply"));
    unit.onAttempt([&] { outcome = RecordOutcome::Recorded; })
            .step(QStringLiteral("held check"),
                  [&] {
                      if (!desk::holdsGrievance(r.user, tktid)) {
                          outcome = RecordOutcome::NotHeld;
                          unit.finish();
                      }
                      return qint64(0);
                  })
            .step(QStringLiteral("reset"),
                  [&] {
                      if (!r.reset)
                          return qint64(0);
                      return Conn::execute(QStringLiteral("update ") +
                                           sql::table(r.db, QStringLiteral("studadm")) +
                                           QStringLiteral(" set ffinsub = null where fcontact_no = ") +
                                           sql::quote(r.mobile) +
                                           QStringLiteral(" and ifnull(fcontact_no,'') <> '' and "
                                                          "ifnull(fappstatus,'') = ''"));
                  })
            .step(QStringLiteral("detail"),
                  [&] {
                      return Conn::execute(
                              QStringLiteral(
                                      "insert into tktdetl(ftktid, ftkttrandate, ffromuser, ftkttranto, "
                                      "ftkttrancc, ftkttransub, ftkttranfile, ftkttrangroup, ftkttranmsg) "
                                      "values(") +
                              tktid + QStringLiteral(", sysdate(), ") + user + QStringLiteral(", ") +
                              sql::quote(r.to) + QStringLiteral(", ") + sql::quote(r.cc) +
                              QStringLiteral(", ") + sql::quote(r.subject) +
                              QStringLiteral(", null, 'XX', ") + sql::quote(r.body) + QLatin1Char(')'));
                  })
            .step(QStringLiteral("close"),
                  [&] {
                      return Conn::execute(QStringLiteral("update tkthead set ffinaluser = ") + user +
                                           QStringLiteral(", ffinaldate = sysdate(), ftktstatus = 'C' where "
                                                          "ftktid = ") +
                                           tktid);
                  })
            .step(QStringLiteral("release"),
                  [&] {
                      return Conn::execute(
                              QStringLiteral("update masuser set ftktid = null where fusername = ") + user);
                  })
            .committedWhen([&] {
                if (outcome != RecordOutcome::Recorded)
                    return true; // nothing was written
                // A held grievance is open; closed by this user with this
                // user's reply row it was closed by this send.
                return !Conn::query(
                                QStringLiteral("select h.ftktid from tkthead h where h.ftktid = ") + tktid +
                                        QStringLiteral(" and h.ftktstatus = 'C' and h.ffinaluser = ") + user +
                                        QStringLiteral(" and exists(select 1 from tktdetl d where d.ftktid = "
                                                       "h.ftktid and d.ffromuser = ") +
                                        user + QStringLiteral(" and d.ftkttrangroup = 'XX')"),
                                1)
                                .isEmpty();
            });
    unit.run();
    return outcome;
}

Notice mailAfterRecords(const Reply &r)
{
    if (r.to.trimmed().isEmpty())
        return Notice{QStringLiteral("Reply Sent Successfully")};
    if (QFile::exists(QDir(Config::instance().programDir).filePath(QStringLiteral("noemail.log"))) &&
        askYesNo(QStringLiteral("Send Email / SMS?"), Icon::Question) != Answer::Yes)
        return Notice{QStringLiteral("Reply Sent Successfully")};
    const mail::Result mailed = sendMail(QStringLiteral("N01"), r.to, r.subject, r.body, r.cc);
    if (!mailed.sent)
        return Notice{
                QStringLiteral("The reply was saved and the grievance closed, but the mail to %1 was not "
                               "sent: %2.")
                        .arg(r.to, mailed.reason),
                Icon::Exclamation};
    return Notice{QStringLiteral("Reply Sent Successfully")};
}

} // namespace reply
