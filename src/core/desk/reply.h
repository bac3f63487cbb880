#pragma once

#include <QString>

// Composing and recording the reply to a grievance.
namespace reply {

// "To": the alternative e-mail when it is not blank and holds both "@" and
// "."; otherwise the sender's e-mail.
QString recipient(const QString &altEmail, const QString &senderEmail);

// "Re: Tkt. No. - {tktid} : {subject}", or "" for a blank subject.
QString subject(const QString &tktid, const QString &grievanceSubject);

// Whether the reset of the final submission is offered for this
// installation and applicant.
enum class ResetOffer { NotOffered, Offer, AcknowledgementDone };
ResetOffer resetOffer(const QString &instUnivCode, const QString &db, const QString &mobile);

extern const char *const kResetParagraph;

// The mail body: salutation, the reply as typed, the reset paragraph when
// ticked, the signature with the university's name taken from the "Univ."
// text ("{code} - {name}").
QString composeReplyBody(const QString &type, const QString &replyText, bool reset, const QString &univText);

struct Reply
{
    QString tktid;
    QString user;
    QString to;
    QString cc;
    QString subject;
    QString body;
    QString db;     // university database of the applicant
    QString mobile;
    bool reset = false;
};

// Which writes of a send are done; kept across a reconnect so that a retry
// does not reset twice or log a second detail row.
struct Progress
{
    bool reset = false;
    bool logging = false; // the insert was sent; its answer may have been lost with the link
    bool logged = false;
    bool closed = false;
    bool released = false;
};

// The writes of a send, in order: the reset of the final submission (when
// ticked), the detail row, the close of the grievance, the release of the
// held grievance. Throws AppError; `progress` tells what was done.
void recordReply(const Reply &r, Progress &progress);

} // namespace reply
