#include "core/services/database.h"
#include "core/services/errors.h"
#include "core/services/sqltext.h"

#include "support/testdb.h"

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

// Every awkward value comes back exactly as stored (no trailing NUL, no lost
// backslash) and is found again by an equality with the same literal.
TEST_F(TextRoundTrip, valuesComeBackUnchanged)
{
    resetCentral();
    const QString values[] = {u"it's"_s,
                              u"''"_s,
                              u"back\\slash\\"_s,
                              u"\\'; drop table masuser; -- "_s,
                              u"line1\r\nline2\n"_s,
                              u"Ünïcødé € ß ✓ நாகராஜ்"_s,
                              u"%_ like wildcards"_s,
                              u" padded "_s,
                              u"O'Brien \\\\ C:\\dir\\"_s};
    int i = 0;
    for (const QString &v : values) {
        const QString user = sql::quote(u"U%1"_s.arg(i++));
        Conn::execute(u"insert into masuser(fusername, fsection) values(%1, %2)"_s.arg(user, sql::quote(v)));
        const Rows rows =
                Conn::query(u"select fsection, hex(fsection) as h from masuser where fusername = "_s + user);
        ASSERT_EQ(rows.size(), 1);
        EXPECT_EQ(rows.value(u"fsection"_s), v);
        EXPECT_EQ(rows.value(u"h"_s), QString::fromLatin1(v.toUtf8().toHex().toUpper()));
        EXPECT_EQ(Conn::query(u"select 1 as x from masuser where fsection = "_s + sql::quote(v)).size(), 1)
                << v.toStdString();
    }
}

} // namespace
