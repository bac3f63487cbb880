#include "core/services/session.h"

#include "support/testdb.h"

using namespace Qt::StringLiterals;

namespace {

// Stored passwords were written with this encoding: any change locks every
// account out.
TEST(EncodePassword, shiftsEveryUpperCasedCharacterByTheTypedLength)
{
    const struct
    {
        QString typed, stored;
    } cases[] = {
            {u"abc"_s, u"DEF"_s},
            {u"admin"_s, u"FIRNS"_s},
            {u"a1"_s, u"C3"_s},
            {QString(), QString()},
            {u" ab "_s, u"EF"_s}, // the shift is the typed length, the trimmed text is encoded
            {u"%"_s, u"&"_s},
            {u"é"_s, u"Ê"_s},                                    // Windows-1252 0xC9 + 1
            {u"ß"_s, QString(QChar(0xE0))},                      // one character, not "SS"
            {QString(QChar(0x7F)), QString(QChar(0x20AC))},      // 0x80 is the euro sign
            {u"ÿÿ"_s, u"¡¡"_s},                                  // "Ÿ" is 0x9F in Windows-1252
            {QString(9, QChar(0xF7)), QString(9, QChar(0x100))}, // past 255: kept, not wrapped
    };
    for (const auto &c : cases)
        EXPECT_EQ(EncodePassword(c.typed), c.stored) << c.typed.toStdString();
}

class UnivList : public DbTest
{};

TEST_F(UnivList, lookupTakesFirstInNameOrderAndUnknownCodeKeepsSelection)
{
    resetCentral();
    addUniv(u"041"_s, u"Zeta University"_s, u"db_zeta"_s, u"z@u"_s);
    addUniv(u"041"_s, u"Alpha University"_s, u"db_alpha"_s);
    addUniv(u"003"_s, u"Marlowe"_s, u"db_mar"_s, u"m@u"_s);
    readUnivList();
    EXPECT_EQ(UnivName(u"003"_s), u"Marlowe"_s);
    EXPECT_EQ(session().SelUnivEmail, u"m@u"_s);
    // Duplicate codes: the first in name order wins; its NULL e-mail reads as "".
    EXPECT_EQ(UnivName(u"041"_s), u"Alpha University"_s);
    EXPECT_EQ(session().SelUnivDb, u"db_alpha"_s);
    EXPECT_EQ(session().SelUnivEmail, QString());
    for (const QString &unknown : {u"41"_s, u"041 "_s})
        EXPECT_EQ(UnivName(unknown), QString());
    EXPECT_EQ(session().SelUnivDb, u"db_alpha"_s);
}

} // namespace
