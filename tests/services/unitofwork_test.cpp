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

// A failing step rolls back the steps before it; the handler shows the
// server's error and no transaction is left open.
TEST_F(UnitOfWorkTest, failedStepRollsBackTheStepsBeforeIt)
{
    UnitOfWork failing = probeUnit(u"b"_s);
    failing.step(u"broken"_s, run(u"insert into no_such_table values(1)"_s));
    EXPECT_FALSE(runHandled(ErrorStyle::DescriptionNumber, [&] { failing.run(); }));
    EXPECT_EQ(rows(), QString());
    EXPECT_TRUE(ui.messages.size() == 1 && ui.last().text.endsWith(u" 1146"_s)) << ui.dump();
    EXPECT_FALSE(inUnitOfWork());
}

} // namespace
