#include "deskfixture.h"

#include "core/desk/lockrelease.h"
#include "core/desk/overdue.h"
#include "core/desk/queue.h"
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

// Held since the pick, since 2 h 5 min, or since before it was recorded; a release forgets it.
TEST_F(Overdue, lockReleaseShowsHowLongEachUserHasHeldTheirGrievance)
{
    addUser(u"DESK31"_s, u"3"_s);
    addUser(u"DESK32"_s, u"3"_s);
    addUser(u"DESK33"_s, u"3"_s, u"7"_s);
    addGrievance(5, u"'3'"_s, u"null"_s);
    ASSERT_EQ(desk::assignNext(u"DESK31"_s, u"3"_s).outcome, desk::AssignOutcome::Picked);
    admin(QStringList{u"update corvane3_tkt.masuser set ftktid = '9' where fusername = 'DESK32'"_s,
                      u"update corvane3_tkt.masuser set fheldsince = now() - interval 125 minute where "
                      "fusername = 'DESK32'"_s});
    QStringList rows;
    for (const desk::LockedUser &user : desk::lockedUsers(u"3"_s))
        rows << user.userName + u'|' + user.tktid + u'|' + desk::heldForText(user.heldSeconds);
    EXPECT_EQ(rows.join(u'|'), u"DESK31|5|0:00|DESK32|9|2:05|DESK33|7|"_s);
    desk::releaseUser(u"DESK32"_s);
    EXPECT_EQ(adminValue(u"select group_concat(fusername) from corvane3_tkt.masuser where fheldsince > 0"_s),
              u"DESK31"_s);
}

} // namespace
