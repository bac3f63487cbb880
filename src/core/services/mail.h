#pragma once

#include <QString>

// The client sends mail through an HTTP relay: one POST to
// "http://{relay}/sms/mail.php?emailid=…&subject=…&body=…&cc=…" whose body is
// the URL text again.
namespace mail {

// The request URL. Each value is percent-encoded so that "&", "=", "#", "+"
// and line breaks reach the relay whole; keys and their order are fixed and
// `cc` is always present.
QString buildUrl(const QString &relay, const QString &recipient, const QString &subject, const QString &body,
                 const QString &cc);

struct Result
{
    bool sent = false;
    QString reason; // why not, in words for the operator
};

} // namespace mail

// Sends one mail of kind "N01" through the relay (Config::relay). Waits for
// the relay's answer at most Config::relayTimeoutMs, then pauses a second as the
// relay expects. A relay that cannot be reached, times out or answers with an
// HTTP error status gives sent = false and the reason; nothing is shown here.
mail::Result sendMail(const QString &kind, const QString &recipient, const QString &subject,
                      const QString &body, const QString &cc);
