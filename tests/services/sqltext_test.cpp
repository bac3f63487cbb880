#include "core/services/database.h"
#include "core/services/errors.h"
#include "core/services/sqltext.h"

#include "support/testdb.h"

#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

TEST(SqlText, quoteEscapesQuoteBackslashAndNul)
{
    EXPECT_EQ(sql::quote(QStringLiteral("O'Brien")), QStringLiteral("'O''Brien'"));
    EXPECT_EQ(sql::quote(QStringLiteral("C:\\dir\\")), QStringLiteral("'C:\\\\dir\\\\'"));
    EXPECT_EQ(sql::quote(QString(QChar(0))), QStringLiteral("'\\0'"));
    EXPECT_EQ(sql::quote(QString()), QStringLiteral("''"));
}

TEST(SqlText, numbersAndIdentifiersAreChecked)
{
    EXPECT_EQ(sql::number(QStringLiteral(" 42 ")), QStringLiteral("42"));
    EXPECT_EQ(sql::number(QStringLiteral("-3.5")), QStringLiteral("-3.5"));
    for (const char *bad : {"", "1;drop table x", "1 or 1=1", "0x10", "1e5", "abc"})
        EXPECT_THROW(sql::number(QString::fromLatin1(bad)), AppError) << bad;

    EXPECT_EQ(sql::table(QStringLiteral("corvane3_tsc"), QStringLiteral("studadm")),
              QStringLiteral("corvane3_tsc.studadm"));
    for (const char *bad : {"", "a.b", "x;drop", "a b", "`x`", "db'"})
        EXPECT_THROW(sql::identifier(QString::fromLatin1(bad)), AppError) << bad;
}

class TextRoundTrip : public DbTest
{
};

// Every awkward value must come back exactly as stored: quotes, backslashes
// (which the server treats as escapes), line ends, non-ASCII text, and no
// trailing NUL byte (bound parameters were seen to add one).
TEST_F(TextRoundTrip, valuesComeBackUnchanged)
{
    resetCentral();
    const QStringList values = {QStringLiteral("plain"),
                                QStringLiteral("it's"),
                                QStringLiteral("''"),
                                QStringLiteral("back\\slash\\"),
                                QStringLiteral("\\'; drop table masuser; -- "),
                                QStringLiteral("line1\r\nline2\n"),
                                QStringLiteral("Ünïcødé € ß ✓"),
                                QStringLiteral("%_ like wildcards"),
                                QStringLiteral(" padded ")};
    int i = 0;
    for (const QString &v : values) {
        const QString user = QStringLiteral("U%1").arg(i++);
        Conn::execute(QStringLiteral("insert into masuser(fusername, fsection) values(") + sql::quote(user) +
                      QStringLiteral(", ") + sql::quote(v) + QStringLiteral(")"));
        const Rows rows = Conn::query(QStringLiteral("select fsection, hex(fsection) as h from masuser where "
                                                     "fusername = ") + sql::quote(user));
        ASSERT_EQ(rows.size(), 1);
        EXPECT_EQ(rows.value(QStringLiteral("fsection")), v);
        EXPECT_EQ(rows.value(QStringLiteral("h")), QString::fromLatin1(v.toUtf8().toHex().toUpper()));
        // The value is also found by an equality comparison with the same literal.
        EXPECT_EQ(Conn::query(QStringLiteral("select 1 as x from masuser where fsection = ") + sql::quote(v)).size(),
                  1)
            << v.toStdString();
    }
    EXPECT_EQ(adminValue(QStringLiteral("select count(*) from corvane3_tkt.masuser")), QString::number(values.size()));
}

TEST_F(TextRoundTrip, nullReadsAsEmptyAndMissingRowRaises3021)
{
    resetCentral();
    Conn::execute(QStringLiteral("insert into masuser(fusername, fgroup) values('N1', null)"));
    const Rows rows = Conn::query(QStringLiteral("select fgroup from masuser where fusername = 'N1'"));
    EXPECT_TRUE(rows.isNull(QStringLiteral("fgroup")));
    EXPECT_EQ(rows.value(QStringLiteral("FGROUP")), QString()); // names are case-insensitive

    const Rows none = Conn::query(QStringLiteral("select fgroup from masuser where fusername = 'nobody'"));
    EXPECT_TRUE(none.isEmpty());
    try {
        none.value(QStringLiteral("fgroup"));
        FAIL() << "expected the no-current-row error";
    } catch (const AppError &e) {
        EXPECT_EQ(e.number(), ErrNo::NoCurrentRow);
    }
}

TEST_F(TextRoundTrip, foundRowsAreCountedForUpdates)
{
    resetCentral();
    Conn::execute(QStringLiteral("insert into masuser(fusername, fgroup) values('A1', '1'), ('A2', '1')"));
    // The connection reports matched rows, not changed rows: the import counters rely on it.
    EXPECT_EQ(Conn::execute(QStringLiteral("update masuser set fgroup = '1'")), 2);
    EXPECT_EQ(Conn::execute(QStringLiteral("update masuser set fgroup = '2' where fusername = 'A1'")), 1);
}

TEST_F(TextRoundTrip, syntaxErrorCarriesServerNumberAndText)
{
    try {
        Conn::query(QStringLiteral("select * form masuser"));
        FAIL();
    } catch (const AppError &e) {
        EXPECT_EQ(e.number(), 1064);
        EXPECT_TRUE(e.description().contains(QLatin1String("SQL syntax"))) << e.description().toStdString();
        EXPECT_FALSE(e.isGoneAway());
    }
    // The connection is still usable afterwards.
    EXPECT_EQ(Conn::query(QStringLiteral("select 1 as one")).value(QStringLiteral("one")), QStringLiteral("1"));
}

} // namespace
