#include "deskfixture.h"

#include "core/desk/overdue.h"
#include "gui/desk/overduelimitscreen.h"

#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using Overdue = DeskTest;

// Both sides of both bounds and no whole number, with Enter; a refusal keeps the value.
TEST_F(Overdue, limitScreenSavesWholeHoursFromOneToAYear)
{
    admin(u"delete from corvane3_tkt.massetting"_s);
    OverdueLimitScreen screen;
    screen.show();
    auto *box = screen.findChild<QLineEdit *>(u"newLimit"_s);
    EXPECT_EQ(box->text(), u"48"_s);
    const char *const cases[][2] = {{"1", "1"},       {" 8760 ", "8760"}, {"0", "8760"},
                                    {"8761", "8760"}, {"-5", "8760"},     {"12.5", "8760"},
                                    {"", "8760"},     {"x1", "8760"},     {"99999999999999999999", "8760"},
                                    {"0072", "72"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c[0]);
        ui.messages.clear();
        box->setText(QString::fromLatin1(c[0]));
        QTest::keyClick(box, Qt::Key_Return);
        EXPECT_EQ(adminValue(u"select fvalue from corvane3_tkt.massetting"_s), QString::fromLatin1(c[1]));
        const bool saved = QString::fromLatin1(c[0]).trimmed().toInt() == QString::fromLatin1(c[1]).toInt();
        EXPECT_EQ(ui.messages.value(0).icon, saved ? Icon::Information : Icon::Exclamation);
    }
}

} // namespace
