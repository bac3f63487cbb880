#include "core/desk/reply.h"
#include "core/services/config.h"
#include "core/services/errors.h"

#include "support/fakerelay.h"
#include "support/testdb.h"

#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

// Four applications in the university database; the relay and the program
// folder of the test.
class Reply : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        admin(QStringList{
                u"delete from corvane3_tsc.studadm"_s,
                u"insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, ffinsub, "
                "fappstatus) values('0001', 'C1', 'BA', '9000000001', 'T', null), "
                "('0002', 'C1', 'BA', '9000000002', 'T', 'verified'), "
                "('0003', 'C1', 'BA', '9000000003', 'T', 'pending'), "
                "('0004', 'C1', 'BA', '9000000004', 'F', null)"_s});
        Config::instance().relay = relay.address();
        Config::instance().relayTimeoutMs = 700;
        Config::instance().programDir = dir.path();
    }
    void TearDown() override
    {
        Config::instance() = saved;
        DbTest::TearDown();
    }
    Config saved = Config::instance();
    FakeRelay relay;
    QTemporaryDir dir;
};

TEST_F(Reply, resetOfferDependsOnInstallationAndApplication)
{
    using reply::ResetOffer;
    const std::tuple<const char *, const char *, ResetOffer> cases[] = {
            {"041", "9000000001", ResetOffer::Offer},
            {"042", "9000000002", ResetOffer::AcknowledgementDone},
            {"041", "9000000004", ResetOffer::NotOffered},
            {"003", "9000000001", ResetOffer::NotOffered},
            {"04", "9000000001", ResetOffer::NotOffered}, // not a prefix match
            {"41", "9000000001", ResetOffer::NotOffered},
            {"", "9000000001", ResetOffer::NotOffered}}; // nor a part of a code
    for (const auto &[inst, mobile, offer] : cases) {
        SCOPED_TRACE(std::string(inst) + " " + mobile);
        EXPECT_EQ(
                reply::resetOffer(QString::fromLatin1(inst), u"corvane3_tsc"_s, QString::fromLatin1(mobile)),
                offer);
    }
    // A database name from the data that is not a plain name never reaches the server.
    EXPECT_THROW(reply::resetOffer(u"041"_s, u"x;drop"_s, u"1"_s), AppError);
}

// After the records: no recipient, a declined question and a failed relay
// send nothing more than they say.
TEST_F(Reply, theMailAfterTheRecords)
{
    const QString ok = u"Reply Sent Successfully"_s, ask = u"Send Email / SMS?"_s;
    const QString failed =
            u"The reply was saved and the grievance closed, but the mail to asha@mail.in was not "
            "sent: the mail relay answered 500 Internal Server Error."_s;
    // recipient, noemail.log, answer, relay status, mails, the questions and the notice
    const std::tuple<const char *, bool, Answer, int, int, QStringList> cases[] = {
            {"  ", true, Answer::Yes, 200, 0, {ok}},
            {"asha@mail.in", false, Answer::No, 200, 1, {ok}},
            {"asha@mail.in", true, Answer::No, 200, 0, {ask, ok}},
            {"asha@mail.in", true, Answer::Yes, 200, 1, {ask, ok}},
            {"asha@mail.in", false, Answer::No, 500, 1, {failed}}};
    for (const auto &[to, flagged, answer, status, mails, texts] : cases) {
        SCOPED_TRACE(testing::Message() << "'" << to << "' " << flagged << int(answer) << " " << status);
        ui.reset();
        ui.answers = {answer};
        relay.status = status;
        relay.requests = 0;
        QFile flag(dir.filePath(u"noemail.log"_s));
        ASSERT_TRUE(!flagged || flag.open(QIODevice::WriteOnly));
        reply::Reply r;
        r.to = QString::fromLatin1(to);
        const reply::Notice notice = reply::mailAfterRecords(r);
        EXPECT_EQ(ui.texts() << notice.text, texts);
        EXPECT_EQ(notice.icon, status == 200 ? Icon::Information : Icon::Exclamation);
        EXPECT_EQ(relay.requests, mails);
        flag.remove();
    }
}

} // namespace
