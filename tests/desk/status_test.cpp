#include "deskfixture.h"

#include "core/desk/queue.h"
#include "core/desk/status.h"
#include "core/services/database.h"

#include <QRandomGenerator>

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
        admin(QStringLiteral(
                      "update corvane3_tkt.tkthead set ftktstatus = 'C', ffinaluser = '%1', ffinaldate = %2 "
                      "where ftktid = %3")
                      .arg(user, when)
                      .arg(id));
    }
};

TEST_F(Status, countsPerUniversityAndSenderKindOnlyTodaysOwnReplies)
{
    addGrievance(1, QStringLiteral("'B'"), QStringLiteral("null"));
    addGrievance(2, QStringLiteral("'B'"), QStringLiteral("'A'"), QStringLiteral("041"),
                 QStringLiteral("'COLLEGE X'"));
    addGrievance(3, QStringLiteral("'B'"), QStringLiteral("'X'"), QStringLiteral("041"),
                 QStringLiteral("null"));
    addGrievance(4, QStringLiteral("'B'"), QStringLiteral("null"));
    addGrievance(5, QStringLiteral("'B'"), QStringLiteral("null"));
    addGrievance(6, QStringLiteral("'B'"), QStringLiteral("null"));
    addGrievance(7, QStringLiteral("'C'"), QStringLiteral("null"), QStringLiteral("023"));
    addGrievance(8, QStringLiteral("'B'"), QStringLiteral("null"),
                 QStringLiteral("999")); // no university row
    reply(4, QStringLiteral("U1"), QStringLiteral("now()"));
    reply(5, QStringLiteral("U1"), QStringLiteral("now() - interval 1 day"));
    reply(6, QStringLiteral("U2"), QStringLiteral("now()"));

    const StatusSummary s = statusSummary(QStringLiteral("B"), QStringLiteral("U1"));
    EXPECT_EQ(lines(s), QStringLiteral("ALU|College|041|1|0\nALU|Student|041|2|1\nBTU|Student|023|0|0"));
    EXPECT_EQ(s.pendingTotal, 3);
    EXPECT_EQ(s.repliedTotal, 1);
    EXPECT_EQ(formatCount(s.pendingTotal), QStringLiteral("3"));
}

TEST_F(Status, noGrievancesGiveNoRows)
{
    EXPECT_TRUE(statusSummary(QStringLiteral("B"), QStringLiteral("U1")).rows.isEmpty());
}

TEST(StatusFormat, totalsWithoutDecimalsWhenWhole)
{
    EXPECT_EQ(formatCount(0), QStringLiteral("0"));
    EXPECT_EQ(formatCount(1000000), QStringLiteral("1000000"));
    EXPECT_EQ(formatCount(2.5), QStringLiteral("2.5"));
}

// Both forms of the summary and of the pick, run on the same varied rows,
// must answer alike: the faster form is only allowed to be faster.
TEST_F(Status, rewrittenSummaryAndPickAnswerLikeTheOriginals)
{
    addUniversity(QStringLiteral("023"), QStringLiteral("Beta Twin"), QStringLiteral("corvane3_tnu"),
                  QStringLiteral("BT2")); // duplicate code, other short name
    addUniversity(QStringLiteral("023"), QStringLiteral("Beta Again"), QStringLiteral("corvane3_tnu"),
                  QStringLiteral("BTU")); // duplicate code and short name: counts twice
    const QStringList levels{QStringLiteral("null"), QStringLiteral("''"),  QStringLiteral("' '"),
                             QStringLiteral("'B'"),  QStringLiteral("'b'"), QStringLiteral("'C'")};
    const QStringList statuses{QStringLiteral("null"), QStringLiteral("''"),  QStringLiteral("'A'"),
                               QStringLiteral("'a'"),  QStringLiteral("'C'"), QStringLiteral("'X'"),
                               QStringLiteral("' '")};
    const QStringList senders{QStringLiteral("null"), QStringLiteral("'Student'"),
                              QStringLiteral("'student'"), QStringLiteral("'COLLEGE X'"),
                              QStringLiteral("''")};
    const QStringList univs{QStringLiteral("'041'"), QStringLiteral("'023'"), QStringLiteral("'999'"),
                            QStringLiteral("null")};
    const QStringList finalUsers{QStringLiteral("null"), QStringLiteral("'U1'"), QStringLiteral("'U2'"),
                                 QStringLiteral("'u1'")};
    const QStringList finalDates{QStringLiteral("null"),
                                 QStringLiteral("now()"),
                                 QStringLiteral("now() - interval 1 day"),
                                 QStringLiteral("curdate()"),
                                 QStringLiteral("curdate() + interval 1 day"),
                                 QStringLiteral("curdate() - interval 1 second")};
    QRandomGenerator rng(20260304);
    auto pick = [&rng](const QStringList &l) { return l.at(int(rng.bounded(quint32(l.size())))); };
    QStringList values;
    for (int id = 1; id <= 600; ++id)
        values << QStringLiteral("(%1, %2, %3, %4, %5, %6, %7)")
                          .arg(id)
                          .arg(pick(levels), pick(statuses), pick(senders), pick(univs), pick(finalUsers),
                               pick(finalDates));
    admin(QStringLiteral(
                  "insert into corvane3_tkt.tkthead(ftktid, ftktgroup, ftktstatus, ftktuser, funivcode, "
                  "ffinaluser, ffinaldate) values ") +
          values.join(QLatin1Char(',')));

    const QStringList askLevels{QString(),           QStringLiteral(" "), QStringLiteral("B"),
                                QStringLiteral("b"), QStringLiteral("C"), QStringLiteral("Z")};
    for (const QString &level : askLevels) {
        for (const QString &user : {QStringLiteral("U1"), QStringLiteral("U2")}) {
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
            ASSERT_EQ(a.value(QStringLiteral("ftktid")), b.value(QStringLiteral("ftktid")));
            held << QLatin1Char('\'') + a.value(QStringLiteral("ftktid")) + QLatin1Char('\'');
        }
    }
}

} // namespace
