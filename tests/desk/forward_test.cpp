#include "deskfixture.h"

#include "core/desk/forward.h"
#include "core/desk/queue.h"
#include "core/services/handler.h"

using namespace desk;

namespace {

class Forward : public DeskTest
{
protected:
    int details() { return count(QStringLiteral("select count(*) from corvane3_tkt.tktdetl")); }
    QString levelOf(int id)
    {
        return adminValue(
                QStringLiteral("select ifnull(ftktgroup,'') from corvane3_tkt.tkthead where ftktid = %1")
                        .arg(id));
    }
};

TEST_F(Forward, fromTheSmallestLevelWritesNothing)
{
    addUser(QStringLiteral("U1"), QStringLiteral("A"), QStringLiteral("5"));
    addUser(QStringLiteral("U2"), QStringLiteral("B"));
    addGrievance(5, QStringLiteral("'A'"), QStringLiteral("null"));
    EXPECT_EQ(forwardGrievance(QStringLiteral("U1"), QStringLiteral("A"), QStringLiteral("5"),
                               QStringLiteral("r")),
              ForwardOutcome::NoMoreLevels);
    EXPECT_EQ(details(), 0);
    EXPECT_EQ(levelOf(5), QStringLiteral("A"));
    EXPECT_EQ(heldBy(QStringLiteral("U1")), QStringLiteral("5"));
}

struct LevelCase
{
    QStringList levels;
    QString own;
    QString next;
};

TEST_F(Forward, nextLevelIsTheGreatestSmallerLevelComparedAsText)
{
    const LevelCase cases[] = {
            {{QStringLiteral("B"), QStringLiteral("C")}, QStringLiteral("C"), QStringLiteral("B")},
            {{QStringLiteral("B"), QStringLiteral("C")}, QStringLiteral("B"), QString()},
            {{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("D")},
             QStringLiteral("C"),
             QStringLiteral("B")},
            {{QStringLiteral("9"), QStringLiteral("10")},
             QStringLiteral("9"),
             QStringLiteral("10")}, // text, not numbers
            {{QStringLiteral("B")}, QStringLiteral("A"), QString()},
    };
    for (const LevelCase &c : cases) {
        admin(QStringLiteral("delete from corvane3_tkt.masuser"));
        int i = 0;
        for (const QString &level : c.levels)
            addUser(QStringLiteral("L%1").arg(i++), level);
        EXPECT_EQ(nextLevel(c.own), c.next) << c.own.toStdString();
    }
}

TEST_F(Forward, writesDetailLevelAndGivesTheGrievanceUp)
{
    addUser(QStringLiteral("U1"), QStringLiteral("C"), QStringLiteral("5"));
    addUser(QStringLiteral("U2"), QStringLiteral("B"));
    addGrievance(5, QStringLiteral("'C'"), QStringLiteral("'A'"));
    const QString remarks = QStringLiteral("Student's marks: see \\ the 'office'\nline two");
    EXPECT_EQ(forwardGrievance(QStringLiteral("U1"), QStringLiteral("C"), QStringLiteral("5"), remarks),
              ForwardOutcome::Forwarded);
    EXPECT_EQ(levelOf(5), QStringLiteral("B"));
    EXPECT_EQ(heldBy(QStringLiteral("U1")), QString());
    EXPECT_EQ(adminValue(QStringLiteral("select ftktstatus from corvane3_tkt.tkthead where ftktid = 5")),
              QStringLiteral("A")); // status kept
    EXPECT_EQ(adminValue(QStringLiteral("select concat(ftktid,'|',ffromuser,'|',ftkttrangroup,'|',"
                                        "ifnull(ftkttranto,'null'),'|',(ftkttrandate is not null)) "
                                        "from corvane3_tkt.tktdetl")),
              QStringLiteral("5|U1|B|null|1"));
    EXPECT_EQ(adminValue(QStringLiteral("select ftkttranmsg from corvane3_tkt.tktdetl")), remarks);
}

TEST_F(Forward, emptyRemarksAreAllowed)
{
    addUser(QStringLiteral("U1"), QStringLiteral("C"), QStringLiteral("5"));
    addUser(QStringLiteral("U2"), QStringLiteral("B"));
    addGrievance(5, QStringLiteral("'C'"), QStringLiteral("null"));
    EXPECT_EQ(forwardGrievance(QStringLiteral("U1"), QStringLiteral("C"), QStringLiteral("5"), QString()),
              ForwardOutcome::Forwarded);
    EXPECT_EQ(adminValue(QStringLiteral("select concat('[',ftkttranmsg,']') from corvane3_tkt.tktdetl")),
              QStringLiteral("[]"));
}

TEST_F(Forward, releasedMeanwhileWritesNothing)
{
    addUser(QStringLiteral("U1"), QStringLiteral("C"));
    addUser(QStringLiteral("U2"), QStringLiteral("C"), QStringLiteral("5")); // picked it up after the release
    addUser(QStringLiteral("U3"), QStringLiteral("B"));
    addGrievance(5, QStringLiteral("'C'"), QStringLiteral("null"));
    EXPECT_EQ(forwardGrievance(QStringLiteral("U1"), QStringLiteral("C"), QStringLiteral("5"),
                               QStringLiteral("r")),
              ForwardOutcome::NotHeld);
    EXPECT_EQ(details(), 0);
    EXPECT_EQ(levelOf(5), QStringLiteral("C"));
    EXPECT_EQ(heldBy(QStringLiteral("U2")), QStringLiteral("5"));
}

TEST_F(Forward, anEmptyDeskIsRefusedAndAForgedNumberRejected)
{
    addUser(QStringLiteral("U1"), QStringLiteral("C"), QStringLiteral("5"));
    addUser(QStringLiteral("U2"), QStringLiteral("B"));
    EXPECT_EQ(forwardGrievance(QStringLiteral("U1"), QStringLiteral("C"), QStringLiteral("  "), QString()),
              ForwardOutcome::NoGrievance);
    try {
        forwardGrievance(QStringLiteral("U1"), QStringLiteral("C"), QStringLiteral("5 or 1=1"), QString());
        FAIL() << "a forged number was spliced";
    } catch (const AppError &e) {
        EXPECT_EQ(e.number(), ErrNo::InvalidValue);
    }
    EXPECT_EQ(details(), 0);
}

TEST_F(Forward, killedBetweenDetailAndLevelChangeLeavesOneDetailRow)
{
    addUser(QStringLiteral("U1"), QStringLiteral("C"), QStringLiteral("5"));
    addUser(QStringLiteral("U2"), QStringLiteral("B"));
    addGrievance(5, QStringLiteral("'C'"), QStringLiteral("null"));
    killInNextUpdateOf(QStringLiteral("tkthead"));

    Forwarding forward(QStringLiteral("U1"), QStringLiteral("C"), QStringLiteral("5"),
                       QStringLiteral("pass on"));
    ForwardOutcome outcome = ForwardOutcome::NoGrievance;
    int runs = 0;
    HandlerOptions options;
    EXPECT_TRUE(runHandled(options, [&](int) {
        ++runs;
        outcome = forward.run();
    }));
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(outcome, ForwardOutcome::Forwarded);
    EXPECT_EQ(details(), 1);
    EXPECT_EQ(levelOf(5), QStringLiteral("B"));
    EXPECT_EQ(heldBy(QStringLiteral("U1")), QString());
}

} // namespace
