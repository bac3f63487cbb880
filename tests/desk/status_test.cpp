#include "deskfixture.h"

#include "core/desk/queue.h"
#include "core/desk/status.h"
#include "core/services/database.h"

#include "oracles/desk.h"

using namespace Qt::StringLiterals;
using namespace desk;

namespace {

using Status = DeskTest;

QString lines(const StatusSummary &s)
{
    QStringList out;
    for (const StatusRow &r : s.rows)
        out << QStringList{r.univShort, r.kind, r.univCode, r.pending, r.replied}.join(QLatin1Char('|'));
    out.sort(); // the plain form orders by code only; ties may come either way
    return out.join(QLatin1Char('\n')) + u"\n"_s + formatCount(s.pendingTotal) + u"/"_s +
           formatCount(s.repliedTotal);
}

// The indexed summary and pick against their plain forms on the same varied
// rows: levels, statuses, senders and universities with NULL, blanks, other
// case and unknown codes; replies today, yesterday, tomorrow, by other users.
TEST_F(Status, indexedSummaryAndPickAnswerLikeThePlainForms)
{
    addUniv(u"023"_s, u"Beta Twin"_s, u"corvane3_tnu"_s, {}, u"BT2"_s);  // duplicate code
    addUniv(u"023"_s, u"Beta Again"_s, u"corvane3_tnu"_s, {}, u"Bet"_s); // and short name: counts twice
    admin(u"insert into corvane3_tkt.tkthead(ftktid, ftktgroup, ftktstatus, ftktuser, funivcode, ffinaluser, "
          "ffinaldate) select seq, elt(1 + seq % 6, null, '', ' ', 'B', 'b', 'C'), "
          "elt(1 + seq * 7 % 11 % 7, null, '', 'A', 'a', 'C', 'X', ' '), "
          "elt(1 + seq * 3 % 13 % 5, null, 'Student', 'student', 'COLLEGE X', ''), "
          "elt(1 + seq * 5 % 17 % 4, '041', '023', '999', null), elt(1 + seq * 11 % 19 % 4, null, 'U1', "
          "'U2', "
          "'u1'), elt(1 + seq * 13 % 23 % 6, null, now(), now() - interval 1 day, curdate(), "
          "curdate() + interval 1 day, curdate() - interval 1 second) from seq_1_to_600"_s);

    for (const QString &level : {QString(), u" "_s, u"B"_s, u"b"_s, u"C"_s, u"Z"_s}) {
        SCOPED_TRACE("level '" + level.toStdString() + "'");
        for (const QString &user : {u"U1"_s, u"U2"_s}) {
            const QString plain = lines(statusSummaryFrom(oracles::deskStatus(level, user)));
            EXPECT_EQ(lines(statusSummary(level, user)), plain) << user.toStdString();
        }
        // The whole queue in pick order, excluding each pick in turn.
        QStringList held;
        for (int n = 0; n < 400; ++n) {
            const Rows a = Conn::query(oracles::deskPick(level, held.join(QLatin1Char(','))));
            const Rows b = Conn::query(pickStatement(level, held.join(QLatin1Char(','))));
            ASSERT_EQ(a.size(), b.size()) << "after " << n;
            if (a.isEmpty())
                break;
            ASSERT_EQ(a.value(u"ftktid"_s) + a.value(u"ftktuser"_s),
                      b.value(u"ftktid"_s) + b.value(u"ftktuser"_s));
            held << QLatin1Char('\'') + a.value(u"ftktid"_s) + QLatin1Char('\'');
        }
    }
}

} // namespace
