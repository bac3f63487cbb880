#include "deskfixture.h"

#include "core/desk/forward.h"
#include "core/desk/queue.h"
#include "core/services/errors.h"

using namespace Qt::StringLiterals;

using namespace desk;

namespace {

class Forward : public DeskTest
{
protected:
    int details() { return count(u"select count(*) from corvane3_tkt.tktdetl"_s); }
    QString levelOf(int id)
    {
        return adminValue(
                u"select ifnull(ftktgroup,'') from corvane3_tkt.tkthead where ftktid = %1"_s.arg(id));
    }
};

struct LevelCase
{
    QStringList levels;
    QString own;
    QString next;
};

TEST_F(Forward, nextLevelIsTheGreatestSmallerLevelComparedAsText)
{
    const LevelCase cases[] = {
            {{u"B"_s, u"C"_s}, u"C"_s, u"B"_s},
            {{u"B"_s, u"C"_s}, u"B"_s, QString()},
            {{u"A"_s, u"B"_s, u"D"_s}, u"C"_s, u"B"_s},
            {{u"9"_s, u"10"_s}, u"9"_s, u"10"_s}, // text, not numbers
            {{u"B"_s}, u"A"_s, QString()},
    };
    for (const LevelCase &c : cases) {
        admin(u"delete from corvane3_tkt.masuser"_s);
        int i = 0;
        for (const QString &level : c.levels)
            addUser(u"L%1"_s.arg(i++), level);
        EXPECT_EQ(nextLevel(c.own), c.next) << c.own.toStdString();
    }
}

TEST_F(Forward, writesDetailLevelAndGivesTheGrievanceUp)
{
    addUser(u"U1"_s, u"C"_s, u"5"_s);
    addUser(u"U2"_s, u"B"_s);
    addGrievance(5, u"'C'"_s, u"'A'"_s);
    const QString remarks = u"Student's marks: see \\ the 'office'\nline two"_s;
    EXPECT_EQ(forwardGrievance(u"U1"_s, u"C"_s, u"5"_s, remarks), ForwardOutcome::Forwarded);
    EXPECT_EQ(levelOf(5), u"B"_s);
    EXPECT_EQ(heldBy(u"U1"_s), QString());
    EXPECT_EQ(adminValue(u"select ftktstatus from corvane3_tkt.tkthead where ftktid = 5"_s),
              u"A"_s); // status kept
    EXPECT_EQ(adminValue(u"select concat(ftktid,'|',ffromuser,'|',ftkttrangroup,'|',"
                         "ifnull(ftkttranto,'null'),'|',(ftkttrandate is not null)) "
                         "from corvane3_tkt.tktdetl"_s),
              u"5|U1|B|null|1"_s);
    EXPECT_EQ(adminValue(u"select ftkttranmsg from corvane3_tkt.tktdetl"_s), remarks);

    // Empty remarks are allowed.
    addGrievance(6, u"'C'"_s, u"null"_s);
    admin(u"update corvane3_tkt.masuser set ftktid = '6' where fusername = 'U1'"_s);
    EXPECT_EQ(forwardGrievance(u"U1"_s, u"C"_s, u"6"_s, QString()), ForwardOutcome::Forwarded);
    EXPECT_EQ(adminValue(u"select concat('[',ftkttranmsg,']') from corvane3_tkt.tktdetl where ftktid = 6"_s),
              u"[]"_s);

    // A forged number is refused before it reaches the statement.
    EXPECT_THROW(forwardGrievance(u"U1"_s, u"C"_s, u"5 or 1=1"_s, QString()), AppError);
    EXPECT_EQ(details(), 2);
}

} // namespace
