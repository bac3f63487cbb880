#include "deskfixture.h"

#include "core/desk/queue.h"
#include "core/desk/status.h"
#include "core/services/database.h"

#include <QRandomGenerator>

using namespace Qt::StringLiterals;

using namespace desk;

namespace {

class Status : public DeskTest
{
protected:
    static QString lines(const StatusSummary &s)
    {
        QStringList out;
        for (const StatusRow &r : s.rows)
            out << QStringList{r.univShort, r.kind, r.univCode, r.pending, r.replied}.join(QLatin1Char('|'));
        out.sort(); // the original orders by code only; ties may come either way
        return out.join(QLatin1Char('\n'));
    }
    static void reply(int id, const QString &user, const QString &when)
    {
        admin(u"update corvane3_tkt.tkthead set ftktstatus = 'C', ffinaluser = '%1', ffinaldate = %2 "
              "where ftktid = %3"_s.arg(user, when)
                      .arg(id));
    }
};

TEST_F(Status, countsPerUniversityAndSenderKindOnlyTodaysOwnReplies)
{
    addGrievance(1, u"'B'"_s, u"null"_s);
    addGrievance(2, u"'B'"_s, u"'A'"_s, u"041"_s, u"'COLLEGE X'"_s);
    addGrievance(3, u"'B'"_s, u"'X'"_s, u"041"_s, u"null"_s);
    addGrievance(4, u"'B'"_s, u"null"_s);
    addGrievance(5, u"'B'"_s, u"null"_s);
    addGrievance(6, u"'B'"_s, u"null"_s);
    addGrievance(7, u"'C'"_s, u"null"_s, u"023"_s);
    addGrievance(8, u"'B'"_s, u"null"_s,
                 u"999"_s); // no university row
    reply(4, u"U1"_s, u"now()"_s);
    reply(5, u"U1"_s, u"now() - interval 1 day"_s);
    reply(6, u"U2"_s, u"now()"_s);

    const StatusSummary s = statusSummary(u"B"_s, u"U1"_s);
    EXPECT_EQ(lines(s), u"ALU|College|041|1|0\nALU|Student|041|2|1\nBTU|Student|023|0|0"_s);
    EXPECT_EQ(s.pendingTotal, 3);
    EXPECT_EQ(s.repliedTotal, 1);
    EXPECT_EQ(formatCount(s.pendingTotal), u"3"_s);
}

// Both forms of the summary and of the pick, run on the same varied rows,
// must answer alike: the faster form is only allowed to be faster.
TEST_F(Status, rewrittenSummaryAndPickAnswerLikeTheOriginals)
{
    addUniversity(u"023"_s, u"Beta Twin"_s, u"corvane3_tnu"_s,
                  u"BT2"_s); // duplicate code, other short name
    addUniversity(u"023"_s, u"Beta Again"_s, u"corvane3_tnu"_s,
                  u"BTU"_s); // duplicate code and short name: counts twice
    const QStringList levels{u"null"_s, u"''"_s, u"' '"_s, u"'B'"_s, u"'b'"_s, u"'C'"_s};
    const QStringList statuses{u"null"_s, u"''"_s, u"'A'"_s, u"'a'"_s, u"'C'"_s, u"'X'"_s, u"' '"_s};
    const QStringList senders{u"null"_s, u"'Student'"_s, u"'student'"_s, u"'COLLEGE X'"_s, u"''"_s};
    const QStringList univs{u"'041'"_s, u"'023'"_s, u"'999'"_s, u"null"_s};
    const QStringList finalUsers{u"null"_s, u"'U1'"_s, u"'U2'"_s, u"'u1'"_s};
    const QStringList finalDates{u"null"_s,
                                 u"now()"_s,
                                 u"now() - interval 1 day"_s,
                                 u"curdate()"_s,
                                 u"curdate() + interval 1 day"_s,
                                 u"curdate() - interval 1 second"_s};
    QRandomGenerator rng(20260304);
    auto pick = [&rng](const QStringList &l) { return l.at(int(rng.bounded(quint32(l.size())))); };
    QStringList values;
    for (int id = 1; id <= 600; ++id)
        values << u"(%1, %2, %3, %4, %5, %6, %7)"_s.arg(id).arg(
                pick(levels), pick(statuses), pick(senders), pick(univs), pick(finalUsers), pick(finalDates));
    admin(u"insert into corvane3_tkt.tkthead(ftktid, ftktgroup, ftktstatus, ftktuser, funivcode, "
          "ffinaluser, ffinaldate) values "_s +
          values.join(QLatin1Char(',')));

    const QStringList askLevels{QString(), u" "_s, u"B"_s, u"b"_s, u"C"_s, u"Z"_s};
    for (const QString &level : askLevels) {
        for (const QString &user : {u"U1"_s, u"U2"_s}) {
            const QString oldLines = lines(statusSummaryFrom(statusStatementOriginal(level, user)));
            EXPECT_FALSE(oldLines.isEmpty());
            EXPECT_EQ(lines(statusSummaryFrom(statusStatement(level, user))), oldLines)
                    << "level '" << level.toStdString() << "' user " << user.toStdString();
        }
        // The whole queue in pick order, excluding each pick in turn.
        QStringList held;
        for (int n = 0; n < 400; ++n) {
            const Rows a = Conn::query(pickStatementOriginal(level, held.join(QLatin1Char(','))));
            const Rows b = Conn::query(pickStatement(level, held.join(QLatin1Char(','))));
            ASSERT_EQ(a.size(), b.size()) << "level '" << level.toStdString() << "' after " << n;
            if (a.isEmpty())
                break;
            ASSERT_EQ(a.value(u"ftktid"_s), b.value(u"ftktid"_s));
            held << QLatin1Char('\'') + a.value(u"ftktid"_s) + QLatin1Char('\'');
        }
    }
}

} // namespace
