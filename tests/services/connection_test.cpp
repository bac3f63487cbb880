#include "core/services/config.h"
#include "core/services/database.h"
#include "core/services/handler.h"
#include "core/services/session.h"
#include "core/services/sqltext.h"

#include "support/testdb.h"

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

TEST_F(Connection, connectionStringKeepsItsBuiltInForm)
{
    Config c = Config::instance();
    c.server = QStringLiteral("db.example");
    c.port.clear();
    EXPECT_EQ(c.connectionString(), QStringLiteral("DRIVER={MySQL ODBC 3.51 Driver};SERVER=db.example;"
                                                   "DATABASE=corvane3_tkt;UID=admin;PWD=Brindle5830; OPTION=3"));
    c.port = QStringLiteral("3399");
    EXPECT_TRUE(c.connectionString().contains(QLatin1String("SERVER=db.example;PORT=3399;DATABASE=")));
}

TEST_F(Connection, refusedLoginIsTheLoginErrorAndOpenConnSaysSo)
{
    Config::instance().password = QStringLiteral("wrong-password");
    EXPECT_FALSE(OpenConn());
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(Conn::lastError().number(), ErrNo::LoginRefused);
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    EXPECT_EQ(ui.last().text, Conn::lastError().description() + QStringLiteral(" -2147217843"));
    EXPECT_TRUE(ui.last().text.contains(QLatin1String("Access denied")));
}

TEST_F(Connection, unreachableServerIsTheConnectionError)
{
    Config::instance().server = QStringLiteral("127.0.0.1");
    Config::instance().port = QStringLiteral("1"); // nothing listens there
    EXPECT_FALSE(OpenConn());
    EXPECT_EQ(Conn::lastError().number(), ErrNo::Unreachable);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.last().text.endsWith(QLatin1String(" -2147467259")));
}

TEST_F(Connection, killedConnectionIsReportedAsGoneAway)
{
    killConn();
    try {
        Conn::query(QStringLiteral("select 1 as one"));
        FAIL() << "the killed connection answered";
    } catch (const AppError &e) {
        EXPECT_TRUE(e.isGoneAway()) << e.description().toStdString();
    }
    // Later statements must not pass for success on the dead link either.
    EXPECT_THROW(Conn::execute(QStringLiteral("update control set fstarted = null")), AppError);
    ASSERT_TRUE(Conn::open());
    EXPECT_EQ(Conn::query(QStringLiteral("select 1 as one")).value(QStringLiteral("one")), QStringLiteral("1"));
}

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
            Conn::execute(QStringLiteral("insert into tktdetl(ftktid, ffromuser) values(1, 'first')"));
            step = 1;
        }
        if (!killed) {
            killed = true;
            killConn();
        }
        Conn::execute(QStringLiteral("insert into tktdetl(ftktid, ffromuser) values(1, 'second')"));
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(runs, 2);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(adminValue(QStringLiteral("select group_concat(ffromuser order by fdetlid) from corvane3_tkt.tktdetl")),
              QStringLiteral("first,second"));
}

TEST_F(Connection, handlerShowsOtherErrorsInTheScreensStyle)
{
    const AppError e(1064, QStringLiteral("bad"));
    EXPECT_EQ(formatError(ErrorStyle::DescriptionNumber, e), QStringLiteral("bad 1064"));
    EXPECT_EQ(formatError(ErrorStyle::NumberCommaDescription, e), QStringLiteral("1064, bad"));
    EXPECT_EQ(formatError(ErrorStyle::NumberTwoBlanks, e), QStringLiteral("1064  bad"));
    EXPECT_EQ(formatError(ErrorStyle::NumberDescription, e), QStringLiteral("1064 bad"));

    EXPECT_FALSE(runHandled(ErrorStyle::NumberCommaDescription, [] { Conn::query(QStringLiteral("select nonsense")); }));
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.last().text.startsWith(QLatin1String("1054, "))) << ui.last().text.toStdString();
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);

    // "The data necessary" is cleared without a message.
    ui.reset();
    EXPECT_FALSE(runHandled(ErrorStyle::DescriptionNumber, [] {
        throw AppError(-2147483638, QStringLiteral("The data necessary to complete this operation is not yet available."));
    }));
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(Connection, handlerGivesUpWhenTheServerStaysAway)
{
    HandlerOptions options;
    int runs = 0;
    const bool ok = runHandled(options, [&](int) {
        ++runs;
        Config::instance().port = QStringLiteral("1"); // the reopen will fail
        throw AppError(ErrNo::Unreachable, QStringLiteral("Lost connection (MySQL server has gone away)"));
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(runs, 1);
    ASSERT_EQ(ui.messages.size(), 1); // OpenConn's own message, nothing more
    EXPECT_TRUE(ui.last().text.endsWith(QLatin1String(" -2147467259")));
}

} // namespace
