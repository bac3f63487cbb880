#include "core/services/config.h"
#include "core/services/mail.h"

#include "support/fakerelay.h"
#include "support/scripted.h"

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
    if (sink.isEmpty() || qEnvironmentVariable("GMS_RELAY_LOG").isEmpty())
        GTEST_SKIP() << "no relay sink configured";
    Config::instance().relay = sink;
    const QString subject = u"Re: A&B = C #1 + D's 100%"_s,
                  body = u"line one\nline two & more=yes\r\n<b>é\\</b> ?x=1"_s;
    const qint64 before = sinkLogSize();
    const mail::Result r = sendMail(u"N01"_s, u"a+b@x.in"_s, subject, body, QString());
    ASSERT_TRUE(r.sent) << r.reason.toStdString();
    EXPECT_EQ(sinkRequests(before), // cc is sent even when empty
              u" | emailid=a+b@x.in | subject="_s + subject + u" | body="_s + body + u" | cc="_s);
}

} // namespace
