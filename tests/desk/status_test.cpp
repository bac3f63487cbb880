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
            const QString plain = lines(statusSummaryFrom(u"select *, 0 as foverdue, 0 as foldest from ("_s +
                                                          oracles::deskStatus(level, user) + u") o"_s));
            EXPECT_EQ(lines(statusSummary(level, user, 48)), plain) << user.toStdString();
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

// A grievance waits at a level since its latest forward, else since it was
// raised; a reply does not move it. Each case is a university of its own, at
// a limit of 5 hours.
TEST_F(Status, overdueCountsAndTheOldestWaitAtTheLimit)
{
    // (name, grievances as (level, status, raised), their trail as (row, group,
    // when), overdue and the longest wait); times in seconds before 10:00
    const std::tuple<QString, QString, QString, QString> cases[] = {
            {u"under"_s, u"('B', null, 17999)"_s, {}, u"0|17999"_s},
            {u"at"_s, u"('B', '', 18000)"_s, {}, u"0|18000"_s},
            {u"over"_s, u"('B', 'A', 18001)"_s, {}, u"1|18001"_s},
            {u"fwd"_s, u"('B', null, 864000)"_s, u"(1, 'B', 3600)"_s, u"0|3600"_s},
            {u"last"_s, u"('B', null, 864000)"_s, u"(1, 'C', 32400), (1, 'B', 7200)"_s, u"0|7200"_s},
            {u"oldf"_s, u"('B', null, 3600)"_s, u"(1, 'C', 36000)"_s, u"1|36000"_s},
            {u"reply"_s, u"('B', 'A', 21600)"_s, u"(1, 'XX', 60)"_s, u"1|21600"_s},
            {u"two"_s, u"('B', null, 21600), ('B', null, 3600), ('B', null, 86400)"_s, {}, u"2|86400"_s},
            {u"other"_s, u"('C', null, 864000), ('b', 'C', 864000), ('B', 'C', 864000)"_s, {}, u"0|"_s},
            {u"nodate"_s, u"('B', null, null)"_s, {}, u"0|"_s},
    };
    const QString at = u"timestamp'2026-03-04 10:00:00' - interval t second"_s;
    int code = 100;
    for (const auto &[name, rows, trail, expected] : cases) {
        const QString univ = QString::number(++code), first = QString::number(code * 10);
        addUniv(univ, name, u"corvane3_tsc"_s, {}, name);
        admin({u"insert into corvane3_tkt.tkthead(ftktid, ftktgroup, ftktstatus, ftktdate, funivcode) with "_s +
                       u"v(g, s, t) as (values %1) select %2 + row_number() over (), g, s, %3, %4 from v"_s
                               .arg(rows, first, at, univ),
               u"insert into corvane3_tkt.tktdetl(ftktid, ftkttrangroup, ftkttrandate) with v(r, g, t) as "_s +
                       u"(values %1) select %2 + r, g, %3 from v"_s.arg(
                               trail.isEmpty() ? u"(0, '', 0)"_s : trail, first, at)});
    }
    Conn::execute(u"set timestamp = unix_timestamp('2026-03-04 10:00:00')"_s); // both see one moment
    const StatusSummary summary = statusSummary(u"B"_s, u"U1"_s, 5);
    // The plain form: every grievance, its latest forward looked up on its own.
    const QString open = u"c.ftktgroup = 'B' and ifnull(c.ftktstatus,'') <> 'C'"_s;
    const Rows plain = Conn::query(
            u"select u.funivshort as n, concat(sum(if(%1 and coalesce(f.d, c.ftktdate) < now() - interval 5 "
            u"hour, "
            "1, 0)), '|', ifnull(timestampdiff(second, min(if(%1, coalesce(f.d, c.ftktdate), null)), now()), "
            "'')) as v from tkthead c left join (select ftktid, max(ftkttrandate) as d from tktdetl where "
            "ftkttrangroup <> 'XX' group by ftktid) f on f.ftktid = c.ftktid join masuniv u on u.funivcode = "
            "c.funivcode group by u.funivshort"_s.arg(open));
    Conn::execute(u"set timestamp = default"_s);
    QHash<QString, QString> got;
    for (const StatusRow &r : summary.rows)
        got[r.univShort] = r.overdue + u'|' + r.oldestSeconds;
    for (int i = 0; i < plain.size(); ++i)
        EXPECT_EQ(got.value(plain.value(u"n"_s, i)), plain.value(u"v"_s, i))
                << plain.value(u"n"_s, i).toStdString();
    for (const auto &[name, rows, trail, expected] : cases)
        EXPECT_EQ(got.value(name), expected) << name.toStdString();
}

} // namespace
