#include "core/services/database.h"
#include "core/services/session.h"
#include "core/services/sqltext.h"

#include "support/testdb.h"

using namespace Qt::StringLiterals;

namespace {

TEST(EncodePassword, shiftsEveryUpperCasedCharacterByTheTypedLength)
{
    struct Case
    {
        QString typed;
        QString stored;
    };
    const Case cases[] = {
            {u"abc"_s, u"DEF"_s},
            {u"ABC"_s, u"DEF"_s},
            {u"admin"_s, u"FIRNS"_s},
            {u"a1"_s, u"C3"_s},
            {QString(), QString()},
            // Blanks around: the shift is the typed length; the trimmed text is encoded.
            {u" ab "_s, u"EF"_s},
            // Quotes survive encoding; the sign-in strips them, storage must not break on them.
            {u"%"_s, u"&"_s},
            // Windows-1252: "é" upper-cases to "É" (0xC9) and moves to 0xCA "Ê".
            {u"é"_s, u"Ê"_s},
            // "ß" keeps one character when upper-cased (no "SS").
            {u"ß"_s, QString(QChar(0xE0))},
            // 0x7F + 1 = 0x80, which Windows-1252 prints as the euro sign.
            {QString(QChar(0x7F)), QString(QChar(0x20AC))},
    };
    for (const Case &c : cases)
        EXPECT_EQ(EncodePassword(c.typed), c.stored) << c.typed.toStdString();
    // "ÿ" upper-cases to "Ÿ" (0x9F in Windows-1252) and moves to 0xA1.
    EXPECT_EQ(EncodePassword(u"ÿÿ"_s), u"¡¡"_s);
    // A shifted code above 255 is kept as that code point, not wrapped.
    EXPECT_EQ(EncodePassword(QString(9, QChar(0xF7))), QString(9, QChar(0x100)));
}

class UnivList : public DbTest
{
protected:
    void addUniv(const QString &code, const QString &name, const QString &db,
                 const QString &email = QString())
    {
        admin(u"insert into corvane3_tkt.masuniv(funivcode, funivname, fdbname, funivshort, femailid) "
              "values(%1, %2, %3, %4, %5)"_s.arg(sql::quote(code), sql::quote(name), sql::quote(db),
                                                 sql::quote(name.left(3)),
                                                 email.isNull() ? u"null"_s : sql::quote(email)));
    }
};

TEST_F(UnivList, lookupBeforeTheListIsReadIsATypeError)
{
    try {
        UnivName(u"041"_s);
        FAIL();
    } catch (const AppError &e) {
        EXPECT_EQ(e.number(), ErrNo::TypeMismatch);
    }
}

TEST_F(UnivList, lookupTakesFirstInNameOrderAndUnknownCodeKeepsSelection)
{
    resetCentral();
    addUniv(u"041"_s, u"Zeta University"_s, u"db_zeta"_s, u"z@u"_s);
    addUniv(u"041"_s, u"Alpha University"_s, u"db_alpha"_s);
    addUniv(u"003"_s, u"Marlowe"_s, u"db_mar"_s, u"m@u"_s);
    readUnivList();
    ASSERT_EQ(session().UnivList.size(), 3);
    EXPECT_EQ(session().UnivList.first().name, u"Alpha University"_s);

    EXPECT_EQ(UnivName(u"003"_s), u"Marlowe"_s);
    EXPECT_EQ(session().SelUnivEmail, u"m@u"_s);

    // Duplicate codes: the first in name order wins; its NULL e-mail reads as "".
    EXPECT_EQ(UnivName(u"041"_s), u"Alpha University"_s);
    EXPECT_EQ(session().SelUnivDb, u"db_alpha"_s);
    EXPECT_EQ(session().SelUnivEmail, QString());

    // No trimming, exact case: an unknown code changes nothing.
    EXPECT_EQ(UnivName(u"41"_s), QString());
    EXPECT_EQ(UnivName(u"041 "_s), QString());
    EXPECT_EQ(session().SelUnivDb, u"db_alpha"_s);
}

TEST_F(UnivList, keepsAtMost500RowsAndAnEmptyTableKeepsThePreviousList)
{
    resetCentral();
    QString values;
    for (int i = 0; i < 520; ++i)
        values += u"%1('%2', 'Univ %3', 'db%2', 'U', null)"_s.arg(i ? u","_s : QString())
                          .arg(i, 3, 10, QLatin1Char('0'))
                          .arg(i, 4, 10, QLatin1Char('0'));
    admin(u"insert into corvane3_tkt.masuniv(funivcode, funivname, fdbname, funivshort, femailid) values"_s +
          values);
    readUnivList();
    ASSERT_EQ(session().UnivList.size(), kMaxUniversities);
    EXPECT_EQ(session().UnivList.last().name, u"Univ 0499"_s);

    admin(u"delete from corvane3_tkt.masuniv"_s);
    readUnivList();
    EXPECT_EQ(session().UnivList.size(), kMaxUniversities);
}

} // namespace
