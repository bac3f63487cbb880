#include "core/services/config.h"
#include "core/services/database.h"
#include "core/services/handler.h"

#include "support/testdb.h"

#include <QElapsedTimer>
#include <QTcpServer>

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
        EXPECT_TRUE(runHandled(ErrorStyle::DescriptionNumber, [&] {
            if (++runs == 1)
                c.drop();
            Conn::execute(u"insert into tktdetl(ftktid, ffromuser) values(1, 'x')"_s);
        }));
        EXPECT_EQ(runs, 2);
        EXPECT_LT(elapsed.elapsed(), 10000);
        EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
        EXPECT_EQ(count(u"select count(*) from corvane3_tkt.tktdetl"_s), 1);
    }

    // Outside a handler the dead link is reported as gone away, also on the
    // statement after, and a reopen brings it back.
    killConn();
    for (int i = 0; i < 2; ++i) {
        try {
            Conn::execute(u"update control set fstarted = null"_s);
            ADD_FAILURE() << "the killed connection answered";
        } catch (const AppError &e) {
            EXPECT_TRUE(e.isGoneAway()) << e.description().toStdString();
        }
    }
    ASSERT_TRUE(Conn::open());
    EXPECT_EQ(Conn::query(u"select 1 as one"_s).value(u"one"_s), u"1"_s);
}

// A server that is down, or one that takes the connection and never says a
// word: the reopen gives up within the connect timeout with one message, and
// the handler shows nothing more and does not run the work again.
TEST_F(Connection, handlerGivesUpWhenTheServerStaysAway)
{
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    Config::instance().dbConnectTimeout = 2;
    Config::instance().dbReadTimeout = 2;
    for (const QString &port : {u"1"_s, QString::number(silent.serverPort())}) {
        SCOPED_TRACE(port.toStdString());
        ui.reset();
        ASSERT_TRUE(Conn::open());
        int runs = 0;
        QElapsedTimer elapsed;
        elapsed.start();
        EXPECT_FALSE(runHandled(HandlerOptions{}, [&](int) {
            ++runs;
            Config::instance().port = port;
            throw AppError(ErrNo::Unreachable, u"Lost connection (MySQL server has gone away)"_s);
        }));
        EXPECT_EQ(runs, 1);
        EXPECT_LT(elapsed.elapsed(), 8000);
        ASSERT_EQ(ui.messages.size(), 1) << ui.dump();
        EXPECT_TRUE(ui.last().text.endsWith(QLatin1String(" -2147467259"))) << ui.dump();
        Config::instance().port = saved.port;
    }
}

} // namespace
