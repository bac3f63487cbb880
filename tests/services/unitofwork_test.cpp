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

} // namespace
