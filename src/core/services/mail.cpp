#include "core/services/mail.h"

#include "core/services/config.h"
#include "core/services/interaction.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace mail {

QString buildUrl(const QString &relay, const QString &recipient, const QString &subject, const QString &body,
                 const QString &cc)
{
    const auto enc = [](const QString &v) { return QString::fromLatin1(QUrl::toPercentEncoding(v)); };
    return QStringLiteral("http://") + relay + QStringLiteral("/sms/mail.php?emailid=") + enc(recipient) +
           QStringLiteral("&subject=") + enc(subject) + QStringLiteral("&body=") + enc(body) +
           QStringLiteral("&cc=") + enc(cc);
}

} // namespace mail

mail::Result sendMail(const QString &kind, const QString &recipient, const QString &subject,
                      const QString &body, const QString &cc)
{
    mail::Result result;
    if (kind != QLatin1String("N01")) {
        result.reason = QStringLiteral("unknown message kind \"%1\"").arg(kind);
        return result;
    }
    const QString url = mail::buildUrl(Config::instance().relay, recipient, subject, body, cc);
    const QUrl qurl(url, QUrl::StrictMode);
    if (!qurl.isValid()) {
        result.reason = QStringLiteral("the relay address \"%1\" is not valid").arg(Config::instance().relay);
        return result;
    }

    QNetworkAccessManager manager;
    QNetworkRequest request(qurl);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("text/plain"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply *reply = manager.post(request, url.toUtf8());

    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(Config::instance().relayTimeoutMs);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    if (!reply->isFinished()) {
        reply->abort();
        result.reason = QStringLiteral("the mail relay did not answer within %1 seconds")
                                .arg(qMax(1, Config::instance().relayTimeoutMs / 1000));
    } else {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() != QNetworkReply::NoError && status == 0) {
            result.reason =
                    QStringLiteral("the mail relay could not be reached (%1)").arg(reply->errorString());
        } else if (status < 200 || status >= 300) {
            result.reason =
                    QStringLiteral("the mail relay answered %1 %2")
                            .arg(status)
                            .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())
                            .trimmed();
        } else {
            result.sent = true;
        }
    }
    reply->deleteLater();
    pauseASecond();
    return result;
}
