#include "core/services/database.h"
#include "core/services/errors.h"
#include "core/services/sqltext.h"

#include "support/testdb.h"

#include <QSqlDatabase>
#include <QSqlQuery>

using namespace Qt::StringLiterals;

namespace {

TEST(SqlText, numbersAndIdentifiersAreChecked)
{
    EXPECT_EQ(sql::number(u" 42 "_s), u"42"_s);
    EXPECT_EQ(sql::number(u"-3.5"_s), u"-3.5"_s);
    for (const char *bad : {"", "1;drop table x", "1 or 1=1", "0x10", "1e5", "abc"})
        EXPECT_THROW(sql::number(QString::fromLatin1(bad)), AppError) << bad;

    EXPECT_EQ(sql::table(u"corvane3_tsc"_s, u"studadm"_s), u"corvane3_tsc.studadm"_s);
    for (const char *bad : {"", "a.b", "x;drop", "a b", "`x`", "db'"})
        EXPECT_THROW(sql::identifier(QString::fromLatin1(bad)), AppError) << bad;
}

class TextRoundTrip : public DbTest
{};

// Every awkward value must come back exactly as stored: quotes, backslashes
// (which the server treats as escapes), line ends, non-ASCII text, and no
// trailing NUL byte (bound parameters were seen to add one).
TEST_F(TextRoundTrip, valuesComeBackUnchanged)
{
    resetCentral();
    const QStringList values = {u"plain"_s,
                                u"it's"_s,
                                u"''"_s,
                                u"back\\slash\\"_s,
                                u"\\'; drop table masuser; -- "_s,
                                u"line1\r\nline2\n"_s,
                                u"Ünïcødé € ß ✓"_s,
                                u"%_ like wildcards"_s,
                                u" padded "_s,
                                u"O'Brien \\\\ C:\\dir\\"_s};
    int i = 0;
    for (const QString &v : values) {
        const QString user = u"U%1"_s.arg(i++);
        Conn::execute(u"insert into masuser(fusername, fsection) values("_s + sql::quote(user) + u", "_s +
                      sql::quote(v) + u")"_s);
        const Rows rows = Conn::query(u"select fsection, hex(fsection) as h from masuser where "
                                      "fusername = "_s +
                                      sql::quote(user));
        ASSERT_EQ(rows.size(), 1);
        EXPECT_EQ(rows.value(u"fsection"_s), v);
        EXPECT_EQ(rows.value(u"h"_s), QString::fromLatin1(v.toUtf8().toHex().toUpper()));
        // The value is also found by an equality comparison with the same literal.
        EXPECT_EQ(Conn::query(u"select 1 as x from masuser where fsection = "_s + sql::quote(v)).size(), 1)
                << v.toStdString();
    }
    EXPECT_EQ(adminValue(u"select count(*) from corvane3_tkt.masuser"_s), QString::number(values.size()));
}

// NULL reads as "", a missing row raises 3021, updates count found rows,
// and a syntax error carries the server's number and text.
TEST_F(TextRoundTrip, gatewayConventions)
{
    resetCentral();
    Conn::execute(u"insert into masuser(fusername, fgroup) values('N1', null), ('A2', '1')"_s);
    const Rows rows = Conn::query(u"select fgroup from masuser where fusername = 'N1'"_s);
    EXPECT_TRUE(rows.isNull(u"fgroup"_s));
    EXPECT_EQ(rows.value(u"FGROUP"_s), QString()); // names are case-insensitive
    const Rows none = Conn::query(u"select fgroup from masuser where fusername = 'nobody'"_s);
    EXPECT_TRUE(none.isEmpty());
    try {
        none.value(u"fgroup"_s);
        ADD_FAILURE() << "expected the no-current-row error";
    } catch (const AppError &e) {
        EXPECT_EQ(e.number(), ErrNo::NoCurrentRow);
    }
    // Matched rows, not changed rows: the import counters rely on it.
    EXPECT_EQ(Conn::execute(u"update masuser set fgroup = '1'"_s), 2);
    EXPECT_EQ(Conn::execute(u"update masuser set fgroup = '2' where fusername = 'A2'"_s), 1);
    try {
        Conn::query(u"select * form masuser"_s);
        ADD_FAILURE();
    } catch (const AppError &e) {
        EXPECT_EQ(e.number(), 1064);
        EXPECT_TRUE(e.description().contains(QLatin1String("SQL syntax"))) << e.description().toStdString();
        EXPECT_FALSE(e.isGoneAway());
    }
    EXPECT_EQ(Conn::query(u"select 1 as one"_s).value(u"one"_s), u"1"_s); // still usable
}

} // namespace
