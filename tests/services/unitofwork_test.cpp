#include "core/services/database.h"
#include "core/services/handler.h"
#include "core/services/unitofwork.h"

#include "support/faultproxy.h"
#include "support/testdb.h"

using namespace Qt::StringLiterals;

namespace {

std::function<qint64()> run(const QString &sql)
{
    return [sql] { return Conn::execute(sql); };
}

class UnitOfWorkTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        admin(u"create table if not exists corvane3_tkt.probe (id int auto_increment primary key, "
              "tag varchar(20), n int) engine=InnoDB"_s);
        admin(u"delete from corvane3_tkt.probe"_s);
    }

    // Two inserts and an update whose effect the commit check can see.
    static UnitOfWork probeUnit(const QString &tag)
    {
        UnitOfWork unit(u"probe"_s);
        unit.step(u"first"_s, run(u"insert into probe(tag, n) values('%1', 1)"_s.arg(tag)))
                .step(u"second"_s, run(u"insert into probe(tag, n) values('%1', 2)"_s.arg(tag)))
                .step(u"count"_s, run(u"update probe set n = n * 10 where tag = '%1'"_s.arg(tag)))
                .committedWhen([tag] {
                    return !Conn::query(u"select id from probe where tag = '%1'"_s.arg(tag)).isEmpty();
                });
        return unit;
    }

    static QString rows()
    {
        return adminValue(u"select group_concat(concat(tag, ':', n) order by n) from corvane3_tkt.probe"_s);
    }
};

TEST_F(UnitOfWorkTest, everyCutLeavesTheUnitAppliedExactlyOnce)
{
    expectSameUnderEveryCut([] { admin(u"delete from corvane3_tkt.probe"_s); },
                            [] {
                                UnitOfWork unit = probeUnit(u"a"_s);
                                EXPECT_TRUE(runHandled(ErrorStyle::DescriptionNumber, [&] { unit.run(); }));
                            },
                            [] { return rows(); });
    EXPECT_EQ(rows(), u"a:10,a:20"_s);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
}

// A failing step rolls back the steps before it and the server's error is
// shown; finish() commits what ran and skips the rest; a deadlock victim is
// replayed whole and lands once.
TEST_F(UnitOfWorkTest, failureRollsBackFinishKeepsAndDeadlockReplays)
{
    UnitOfWork failing = probeUnit(u"b"_s);
    failing.step(u"broken"_s, run(u"insert into no_such_table values(1)"_s));
    EXPECT_FALSE(runHandled(ErrorStyle::DescriptionNumber, [&] { failing.run(); }));
    EXPECT_EQ(rows(), QString());
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.last().text.endsWith(u" 1146"_s)) << ui.dump();
    EXPECT_FALSE(inUnitOfWork());

    UnitOfWork early(u"early"_s);
    early.step(u"one"_s, run(u"insert into probe(tag, n) values('c', 1)"_s))
            .step(u"stop"_s,
                  [&early] {
                      early.finish();
                      return Conn::execute(u"update probe set n = 5 where tag = 'c'"_s);
                  })
            .step(u"never"_s, run(u"insert into probe(tag, n) values('c', 9)"_s));
    EXPECT_EQ(early.run(), (QVector<qint64>{1, 1, -1}));
    EXPECT_EQ(rows(), u"c:5"_s);

    int attempts = 0;
    UnitOfWork victim(u"victim"_s);
    victim.onAttempt([&attempts] { ++attempts; })
            .step(u"insert"_s, run(u"insert into probe(tag, n) values('d', 1)"_s))
            .step(u"deadlock"_s, [&attempts]() -> qint64 {
                if (attempts == 1)
                    throw AppError(1213,
                                   u"Deadlock found when trying to get lock; try restarting transaction"_s);
                return 0;
            });
    victim.run();
    EXPECT_EQ(attempts, 2);
    EXPECT_EQ(rows(), u"d:1,c:5"_s);
}

} // namespace
