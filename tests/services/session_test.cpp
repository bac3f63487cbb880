#include "core/services/database.h"
#include "core/services/session.h"
#include "core/services/sqltext.h"

#include "support/testdb.h"

namespace {

TEST(EncodePassword, shiftsEveryUpperCasedCharacterByTheTypedLength)
{
    struct Case
    {
        QString typed;
        QString stored;
    };
    const Case cases[] = {
        {QStringLiteral("abc"), QStringLiteral("DEF")},
        {QStringLiteral("ABC"), QStringLiteral("DEF")},
        {QStringLiteral("admin"), QStringLiteral("FIRNS")},
        {QStringLiteral("a1"), QStringLiteral("C3")},
        {QString(), QString()},
        // Blanks around: the shift is the typed length; the trimmed text is encoded.
        {QStringLiteral(" ab "), QStringLiteral("EF")},
        // Quotes survive encoding; the sign-in strips them, storage must not break on them.
        {QStringLiteral("%"), QStringLiteral("&")},
        // Windows-1252: "é" upper-cases to "É" (0xC9) and moves to 0xCA "Ê".
        {QStringLiteral("é"), QStringLiteral("Ê")},
        // "ß" keeps one character when upper-cased (no "SS").
        {QStringLiteral("ß"), QString(QChar(0xE0))},
        // 0x7F + 1 = 0x80, which Windows-1252 prints as the euro sign.
        {QString(QChar(0x7F)), QString(QChar(0x20AC))},
    };
    for (const Case &c : cases)
        EXPECT_EQ(EncodePassword(c.typed), c.stored) << c.typed.toStdString();
    // "ÿ" upper-cases to "Ÿ" (0x9F in Windows-1252) and moves to 0xA1.
    EXPECT_EQ(EncodePassword(QStringLiteral("ÿÿ")), QStringLiteral("¡¡"));
    // A shifted code above 255 is kept as that code point, not wrapped.
    EXPECT_EQ(EncodePassword(QString(9, QChar(0xF7))), QString(9, QChar(0x100)));
}

class UnivList : public DbTest
{
protected:
    void addUniv(const QString &code, const QString &name, const QString &db, const QString &email = QString())
    {
        admin(QStringLiteral("insert into corvane3_tkt.masuniv(funivcode, funivname, fdbname, funivshort, femailid) "
                             "values(%1, %2, %3, %4, %5)")
                  .arg(sql::quote(code), sql::quote(name), sql::quote(db), sql::quote(name.left(3)),
                       email.isNull() ? QStringLiteral("null") : sql::quote(email)));
    }
};

TEST_F(UnivList, lookupBeforeTheListIsReadIsATypeError)
{
    try {
        UnivName(QStringLiteral("041"));
        FAIL();
    } catch (const AppError &e) {
        EXPECT_EQ(e.number(), ErrNo::TypeMismatch);
    }
}

TEST_F(UnivList, lookupTakesFirstInNameOrderAndUnknownCodeKeepsSelection)
{
    resetCentral();
    addUniv(QStringLiteral("041"), QStringLiteral("Zeta University"), QStringLiteral("db_zeta"), QStringLiteral("z@u"));
    addUniv(QStringLiteral("041"), QStringLiteral("Alpha University"), QStringLiteral("db_alpha"));
    addUniv(QStringLiteral("003"), QStringLiteral("Marlowe"), QStringLiteral("db_mar"), QStringLiteral("m@u"));
    readUnivList();
    ASSERT_EQ(session().UnivList.size(), 3);
    EXPECT_EQ(session().UnivList.first().name, QStringLiteral("Alpha University"));

    EXPECT_EQ(UnivName(QStringLiteral("003")), QStringLiteral("Marlowe"));
    EXPECT_EQ(session().SelUnivEmail, QStringLiteral("m@u"));

    // Duplicate codes: the first in name order wins; its NULL e-mail reads as "".
    EXPECT_EQ(UnivName(QStringLiteral("041")), QStringLiteral("Alpha University"));
    EXPECT_EQ(session().SelUnivDb, QStringLiteral("db_alpha"));
    EXPECT_EQ(session().SelUnivEmail, QString());

    // No trimming, exact case: an unknown code changes nothing.
    EXPECT_EQ(UnivName(QStringLiteral("41")), QString());
    EXPECT_EQ(UnivName(QStringLiteral("041 ")), QString());
    EXPECT_EQ(session().SelUnivDb, QStringLiteral("db_alpha"));
}

TEST_F(UnivList, keepsAtMost500RowsAndAnEmptyTableKeepsThePreviousList)
{
    resetCentral();
    QString values;
    for (int i = 0; i < 520; ++i)
        values += QStringLiteral("%1('%2', 'Univ %3', 'db%2', 'U', null)")
                      .arg(i ? QStringLiteral(",") : QString())
                      .arg(i, 3, 10, QLatin1Char('0'))
                      .arg(i, 4, 10, QLatin1Char('0'));
    admin(QStringLiteral("insert into corvane3_tkt.masuniv(funivcode, funivname, fdbname, funivshort, femailid) values") +
          values);
    readUnivList();
    ASSERT_EQ(session().UnivList.size(), kMaxUniversities);
    EXPECT_EQ(session().UnivList.last().name, QStringLiteral("Univ 0499"));

    admin(QStringLiteral("delete from corvane3_tkt.masuniv"));
    readUnivList();
    EXPECT_EQ(session().UnivList.size(), kMaxUniversities);
}

} // namespace
