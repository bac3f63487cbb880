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
// reopens and runs the work again, without a message. When the server is down
// or takes the connection and never says a word, the reopen gives up within
// the connect timeout with one message and the work is not run again.
TEST_F(Connection, handlerReopensOrGivesUpInTime)
{
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    Config::instance().dbConnectTimeout = 2;
    Config::instance().dbReadTimeout = 2;
    const struct
    {
        const char *name;
        std::function<void()> drop;
        QString port; // where the reopen goes
    } cases[] = {
            {"killed", [] { killConn(); }, saved.port},
            {"answer never came", [] { Conn::query(u"select sleep(60)"_s); }, saved.port},
            {"server down", [] { killConn(); }, u"1"_s},
            {"server silent", [] { killConn(); }, QString::number(silent.serverPort())},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        resetCentral();
        ui.reset();
        Config::instance().port = saved.port;
        ASSERT_TRUE(Conn::open());
        const bool reopens = c.port == saved.port;
        int runs = 0;
        QElapsedTimer elapsed;
        elapsed.start();
        EXPECT_EQ(runHandled(ErrorStyle::DescriptionNumber,
                             [&] {
                                 if (++runs == 1) {
                                     Config::instance().port = c.port;
                                     c.drop();
                                 }
                                 Conn::execute(u"insert into tktdetl(ftktid, ffromuser) values(1, 'x')"_s);
                             }),
                  reopens);
        EXPECT_EQ(runs, reopens ? 2 : 1);
        EXPECT_LT(elapsed.elapsed(), 10000);
        EXPECT_EQ(ui.messages.size(), reopens ? 0 : 1) << ui.dump();
        EXPECT_TRUE(reopens || ui.last().text.endsWith(QLatin1String(" -2147467259"))) << ui.dump();
        EXPECT_EQ(count(u"select count(*) from corvane3_tkt.tktdetl"_s), reopens ? 1 : 0);
    }
}

} // namespace
