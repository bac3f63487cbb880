#include "core/services/session.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Stored passwords were written with this encoding: any change locks every
// account out.
TEST(encodePassword, shiftsEveryUpperCasedCharacterByTheTypedLength)
{
    const struct
    {
        QString typed, stored;
    } cases[] = {
            {u"admin"_s, u"FIRNS"_s},
            {u"a1"_s, u"C3"_s},
            {QString(), QString()},
            {u" ab "_s, u"EF"_s},           // the shift is the typed length, the trimmed text is encoded
            {u"é"_s, u"Ê"_s},               // Windows-1252 0xC9 + 1
            {u"ß"_s, QString(QChar(0xE0))}, // one character, not "SS"
            {QString(QChar(0x7F)), QString(QChar(0x20AC))},      // 0x80 is the euro sign
            {u"ÿÿ"_s, u"¡¡"_s},                                  // "Ÿ" is 0x9F in Windows-1252
            {QString(9, QChar(0xF7)), QString(9, QChar(0x100))}, // past 255: kept, not wrapped
    };
    for (const auto &c : cases)
        EXPECT_EQ(encodePassword(c.typed), c.stored) << c.typed.toStdString();
}

} // namespace
