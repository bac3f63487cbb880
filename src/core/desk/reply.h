#pragma once

#include "core/services/interaction.h"

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
    QString db; // university database of the applicant, as found at the pick
    QString mobile;
    bool reset = false;
};

enum class RecordOutcome {
    Recorded,
    NotHeld, // released by an administrator meanwhile: nothing written
};

// The records of a send as one transaction: the reset of the final
// submission (when ticked), the detail row, the close of the grievance, the
// release of the held grievance. Nothing is written unless the user still
// holds the grievance. Throws AppError.
RecordOutcome recordReply(const Reply &r);

// What the screen shows once a send is over.
struct Notice
{
    QString text;
    Icon icon = Icon::Information;
};

// The mail of a send, after its records were committed: none without a
// recipient, none when noemail.log is in the program folder and the user
// answers No to "Send Email / SMS?", otherwise once through the relay. A
// failed mail is told with the relay's reason; the records stand either way.
Notice mailAfterRecords(const Reply &r);

} // namespace reply
