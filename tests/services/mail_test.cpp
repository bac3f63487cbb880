#include "core/services/config.h"
#include "core/services/mail.h"

#include "support/fakerelay.h"
#include "support/scripted.h"

#include <QFile>
#include <QUrlQuery>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class Mail : public ::testing::Test
{
protected:
    void SetUp() override
    {
        scripted().reset();
        Config::instance().relay = relay.address();
        Config::instance().relayTimeoutMs = 700;
    }
    void TearDown() override { Config::instance() = saved; }

    // The query items of the one recorded request, decoded, in order.
    QList<QPair<QString, QString>> items() const
    {
        const QUrl url(u"http://x"_s + QString::fromLatin1(relay.requests.at(0).target));
        return QUrlQuery(url).queryItems(QUrl::FullyDecoded);
    }

    Config saved = Config::instance();
    FakeRelay relay;
};

TEST_F(Mail, postsTheKeysInOrderWithEmptyCcAndTheUrlAsBody)
{
    const mail::Result r =
            SendMail(u"N01"_s, u"s@x.in"_s, u"Hello"_s, u"Dear Student,<br><br>ok"_s, QString());
    EXPECT_TRUE(r.sent) << r.reason.toStdString();
    ASSERT_EQ(relay.requests.size(), 1);
    const auto &req = relay.requests.at(0);
    EXPECT_EQ(req.method, "POST");
    EXPECT_TRUE(req.target.startsWith("/sms/mail.php?emailid=")) << req.target.toStdString();
    EXPECT_TRUE(req.target.endsWith("&cc=")) << req.target.toStdString();
    // The body is the whole URL text, byte for byte.
    EXPECT_EQ(req.body, "http://" + relay.address().toLatin1() + req.target);
    const QList<QPair<QString, QString>> plain = {{u"emailid"_s, u"s@x.in"_s},
                                                  {u"subject"_s, u"Hello"_s},
                                                  {u"body"_s, u"Dear Student,<br><br>ok"_s},
                                                  {u"cc"_s, QString()}};
    EXPECT_EQ(items(), plain);
    EXPECT_EQ(scripted().pausedMs, 1000);

    // Special characters reach the relay whole.
    relay.requests.clear();
    const QList<QPair<QString, QString>> awkward = {
            {u"emailid"_s, u"a+b@x.in"_s},
            {u"subject"_s, u"Re: A&B = C #1 + D's 100%"_s},
            {u"body"_s, u"line one\nline two & more = yes\r\n<b>é</b> ?x=1"_s},
            {u"cc"_s, u"c@x.in"_s}};
    ASSERT_TRUE(SendMail(u"N01"_s, awkward[0].second, awkward[1].second, awkward[2].second, awkward[3].second)
                        .sent);
    EXPECT_EQ(items(), awkward);
}

TEST_F(Mail, failuresAreNotReportedAsSent)
{
    relay.status = 500;
    mail::Result r = SendMail(u"N01"_s, u"a@b.c"_s, u"s"_s, u"b"_s, QString());
    EXPECT_FALSE(r.sent);
    EXPECT_TRUE(r.reason.contains(QLatin1String("500"))) << r.reason.toStdString();

    relay.status = 200;
    relay.delayMs = 3000;
    r = SendMail(u"N01"_s, u"a@b.c"_s, u"s"_s, u"b"_s, QString());
    EXPECT_FALSE(r.sent);
    EXPECT_TRUE(r.reason.contains(QLatin1String("did not answer"))) << r.reason.toStdString();

    Config::instance().relay = u"127.0.0.1:1"_s;
    r = SendMail(u"N01"_s, u"a@b.c"_s, u"s"_s, u"b"_s, QString());
    EXPECT_FALSE(r.sent);
    EXPECT_TRUE(r.reason.contains(QLatin1String("could not be reached"))) << r.reason.toStdString();

    EXPECT_FALSE(SendMail(u"N02"_s, u"a@b.c"_s, QString(), QString(), QString()).sent);
}

// Through the relay sink that scripts/test starts, when it is there.
TEST_F(Mail, theSinkRecordsWhatTheRelayReceives)
{
    const QString sink = qEnvironmentVariable("GMS_RELAY");
    const QString log = qEnvironmentVariable("GMS_RELAY_LOG");
    if (sink.isEmpty() || log.isEmpty())
        GTEST_SKIP() << "no relay sink configured";
    Config::instance().relay = sink;
    Config::instance().relayTimeoutMs = 5000;
    QFile file(log);
    const qint64 before = file.exists() ? file.size() : 0;
    ASSERT_TRUE(SendMail(u"N01"_s, u"sink@x.in"_s, u"S & T"_s, u"a=b"_s, QString()).sent);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    file.seek(before);
    const QByteArray added = file.readAll();
    EXPECT_TRUE(added.contains("\"sink@x.in\"")) << added.toStdString();
    EXPECT_TRUE(added.contains("\"S & T\"")) << added.toStdString();
    EXPECT_TRUE(added.contains("\"a=b\"")) << added.toStdString();
}

} // namespace
