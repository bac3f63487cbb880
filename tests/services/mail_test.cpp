#include "core/services/config.h"
#include "core/services/mail.h"

#include "support/fakerelay.h"
#include "support/scripted.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class Mail : public ::testing::Test
{
protected:
    void SetUp() override { scripted().reset(); }
    void TearDown() override { Config::instance() = saved; }
    Config saved = Config::instance();
};

// An error status, a relay that never answers and one that cannot be reached
// are failures with their reason, never "sent".
TEST_F(Mail, failuresAreNotReportedAsSent)
{
    const struct
    {
        const char *reason;
        int status, delayMs;
        bool reachable;
    } cases[] = {{"500", 500, 0, true},
                 {"did not answer", 200, 3000, true},
                 {"could not be reached", 200, 0, false}};
    for (const auto &c : cases) {
        FakeRelay relay;
        relay.status = c.status;
        relay.delayMs = c.delayMs;
        Config::instance().relay = c.reachable ? relay.address() : u"127.0.0.1:1"_s;
        Config::instance().relayTimeoutMs = 700;
        const mail::Result r = sendMail(u"N01"_s, u"a@b.c"_s, u"s"_s, u"b"_s, QString());
        EXPECT_FALSE(r.sent) << c.reason;
        EXPECT_TRUE(r.reason.contains(QLatin1String(c.reason))) << r.reason.toStdString();
    }
}

// Through the relay sink that scripts/test starts: every key arrives whole
// and in order, characters that mean something in a URL included.
TEST_F(Mail, theSinkReceivesEveryKeyWhole)
{
    const QString sink = qEnvironmentVariable("GMS_RELAY");
    QFile log(qEnvironmentVariable("GMS_RELAY_LOG"));
    if (sink.isEmpty() || log.fileName().isEmpty())
        GTEST_SKIP() << "no relay sink configured";
    Config::instance().relay = sink;
    const QStringList sent = {u"a+b@x.in"_s, u"Re: A&B = C #1 + D's 100%"_s,
                              u"line one\nline two & more=yes\r\n<b>é\\</b> ?x=1"_s, QString()};
    const qint64 before = log.exists() ? log.size() : 0;
    const mail::Result r = sendMail(u"N01"_s, sent[0], sent[1], sent[2], sent[3]);
    ASSERT_TRUE(r.sent) << r.reason.toStdString();
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    log.seek(before);
    const QJsonObject entry = QJsonDocument::fromJson(log.readLine()).object();
    QStringList received;
    for (const QJsonValue &pair : entry.value(u"query"_s).toArray())
        received << pair[0].toString() + u'=' + pair[1].toString();
    EXPECT_EQ(received, (QStringList{u"emailid="_s + sent[0], u"subject="_s + sent[1], u"body="_s + sent[2],
                                     u"cc="_s})); // cc is sent even when empty
}

} // namespace
