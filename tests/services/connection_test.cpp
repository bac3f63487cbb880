#include "core/services/config.h"
#include "core/services/database.h"
#include "core/services/handler.h"
#include "core/services/session.h"
#include "core/services/sqltext.h"

#include "support/testdb.h"

#include <QElapsedTimer>

#include <functional>

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

// A link dropped mid-work, killed by the server or cut by the read timeout
// because the answer never came, reaches the handler as "gone away": it
// reopens and runs the work again, without a message.
TEST_F(Connection, handlerRunsTheWorkAgainAfterADroppedLink)
{
    Config::instance().dbReadTimeout = 2;
    const struct
    {
        const char *name;
        std::function<void()> drop;
    } cases[] = {
            {"killed", [] { killConn(); }},
            {"answer never came", [] { Conn::query(u"select sleep(60)"_s); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        resetCentral();
        ui.reset();
        ASSERT_TRUE(Conn::open());
        int runs = 0;
        QElapsedTimer elapsed;
        elapsed.start();
        const bool ok = runHandled(ErrorStyle::DescriptionNumber, [&] {
            if (++runs == 1)
                c.drop();
            Conn::execute(u"insert into tktdetl(ftktid, ffromuser) values(1, 'x')"_s);
        });
        EXPECT_TRUE(ok);
        EXPECT_EQ(runs, 2);
        EXPECT_LT(elapsed.elapsed(), 10000);
        EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(count(u"select count(*) from corvane3_tkt.tktdetl"_s), 1);
    }

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
