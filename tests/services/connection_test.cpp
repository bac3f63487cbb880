#include "core/services/config.h"
#include "core/services/database.h"
#include "core/services/handler.h"
#include "core/services/session.h"
#include "core/services/sqltext.h"

#include "support/testdb.h"

using namespace Qt::StringLiterals;

namespace {

class Connection : public DbTest
{
protected:
    void TearDown() override
    {
        Config::instance() = saved;
        DbTest::TearDown();
    }
    Config saved = Config::instance();
};

// A handler whose connection is killed half-way reopens and finishes; the
// work resumes from its restart point, so finished statements do not repeat.
TEST_F(Connection, handlerReopensAfterKillAndFinishesFromItsRestartPoint)
{
    resetCentral();
    int step = 0;
    int runs = 0;
    bool killed = false;
    HandlerOptions options;
    const bool ok = runHandled(options, [&](int attempt) {
        ++runs;
        EXPECT_EQ(attempt, runs - 1);
        if (step == 0) {
            Conn::execute(u"insert into tktdetl(ftktid, ffromuser) values(1, 'first')"_s);
            step = 1;
        }
        if (!killed) {
            killed = true;
            killConn();
        }
        Conn::execute(u"insert into tktdetl(ftktid, ffromuser) values(1, 'second')"_s);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(runs, 2);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(adminValue(u"select group_concat(ffromuser order by fdetlid) from corvane3_tkt.tktdetl"_s),
              u"first,second"_s);

    // Outside a handler the dead link is reported as gone away, also on the
    // statement after, and a reopen brings it back.
    killConn();
    try {
        Conn::query(u"select 1 as one"_s);
        ADD_FAILURE() << "the killed connection answered";
    } catch (const AppError &e) {
        EXPECT_TRUE(e.isGoneAway()) << e.description().toStdString();
    }
    EXPECT_THROW(Conn::execute(u"update control set fstarted = null"_s), AppError);
    ASSERT_TRUE(Conn::open());
    EXPECT_EQ(Conn::query(u"select 1 as one"_s).value(u"one"_s), u"1"_s);
}

TEST_F(Connection, handlerShowsOtherErrorsInTheScreensStyle)
{
    const AppError e(1064, u"bad"_s);
    EXPECT_EQ(formatError(ErrorStyle::DescriptionNumber, e), u"bad 1064"_s);
    EXPECT_EQ(formatError(ErrorStyle::NumberCommaDescription, e), u"1064, bad"_s);
    EXPECT_EQ(formatError(ErrorStyle::NumberTwoBlanks, e), u"1064  bad"_s);
    EXPECT_EQ(formatError(ErrorStyle::NumberDescription, e), u"1064 bad"_s);

    EXPECT_FALSE(runHandled(ErrorStyle::NumberCommaDescription, [] { Conn::query(u"select nonsense"_s); }));
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.last().text.startsWith(QLatin1String("1054, "))) << ui.last().text.toStdString();
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
}

TEST_F(Connection, handlerGivesUpWhenTheServerStaysAway)
{
    HandlerOptions options;
    int runs = 0;
    const bool ok = runHandled(options, [&](int) {
        ++runs;
        Config::instance().port = u"1"_s; // the reopen will fail
        throw AppError(ErrNo::Unreachable, u"Lost connection (MySQL server has gone away)"_s);
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(runs, 1);
    ASSERT_EQ(ui.messages.size(), 1); // OpenConn's own message, nothing more
    EXPECT_TRUE(ui.last().text.endsWith(QLatin1String(" -2147467259")));
}

} // namespace
