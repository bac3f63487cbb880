#include "core/services/database.h"
#include "core/services/handler.h"
#include "core/services/unitofwork.h"

#include "support/faultproxy.h"
#include "support/testdb.h"

using namespace Qt::StringLiterals;

namespace {

using UnitOfWorkTest = DbTest;

// Two inserts and an update whose effect the commit check can see.
TEST_F(UnitOfWorkTest, everyCutLeavesTheUnitAppliedExactlyOnce)
{
    const auto rows = [] {
        return adminValue(u"select group_concat(concat(tag, ':', n) order by n) from corvane3_tkt.probe"_s);
    };
    expectSameUnderEveryCut(
            [] {
                admin({u"create table if not exists corvane3_tkt.probe (id int auto_increment "
                       "primary key, tag varchar(20), n int) engine=InnoDB"_s,
                       u"delete from corvane3_tkt.probe"_s});
            },
            [] {
                UnitOfWork unit(u"probe"_s);
                for (const QString &sql : {u"insert into probe(tag, n) values('a', 1)"_s,
                                           u"insert into probe(tag, n) values('a', 2)"_s,
                                           u"update probe set n = n * 10 where tag = 'a'"_s})
                    unit.step(sql, [sql] { return Conn::execute(sql); });
                unit.committedWhen([] { return !Conn::query(u"select id from probe"_s).isEmpty(); });
                EXPECT_TRUE(runHandled(ErrorStyle::DescriptionNumber, [&] { unit.run(); }));
            },
            rows);
    EXPECT_EQ(rows(), u"a:10,a:20"_s);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
}

// A step that finds the unit must change nothing: what it did is rolled back
// and the later steps skipped; a finished unit keeps what it did. Each run
// begins afresh, so a unit abandoned once commits the next time.
TEST_F(UnitOfWorkTest, anAbandonedUnitLeavesNothingAndAFinishedOneItsPart)
{
    admin({u"create table if not exists corvane3_tkt.probe (id int auto_increment primary key, tag "
           "varchar(20), n int) engine=InnoDB"_s,
           u"delete from corvane3_tkt.probe"_s});
    bool abandoning = true;
    UnitOfWork unit(u"probe"_s);
    unit.step(u"one"_s, [] { return Conn::execute(u"insert into probe(tag, n) values('b', 1)"_s); })
            .step(u"stop"_s,
                  [&] {
                      abandoning ? unit.abandon() : unit.finish();
                      return qint64(0);
                  })
            .step(u"two"_s, [] { return Conn::execute(u"insert into probe(tag, n) values('b', 2)"_s); });
    EXPECT_EQ(unit.run(), (QVector<qint64>{1, 0, -1}));
    EXPECT_EQ(adminValue(u"select count(*) from corvane3_tkt.probe"_s), u"0"_s);
    abandoning = false;
    EXPECT_EQ(unit.run(), (QVector<qint64>{1, 0, -1}));
    EXPECT_EQ(adminValue(u"select group_concat(n) from corvane3_tkt.probe"_s), u"1"_s);
    EXPECT_FALSE(inUnitOfWork());
}

} // namespace
