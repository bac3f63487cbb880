#include "core/desk/reply.h"
#include "core/services/database.h"
#include "core/services/handler.h"

#include "support/testdb.h"

namespace {

TEST(ReplyText, recipientSubjectAndBody)
{
    EXPECT_EQ(reply::recipient(QStringLiteral(" alt@x.in "), QStringLiteral("s@x.in")), QStringLiteral("alt@x.in"));
    EXPECT_EQ(reply::recipient(QStringLiteral("alt@xin"), QStringLiteral("s@x.in")), QStringLiteral("s@x.in"));
    EXPECT_EQ(reply::recipient(QStringLiteral("alt.x.in"), QStringLiteral("s@x.in")), QStringLiteral("s@x.in"));
    EXPECT_EQ(reply::recipient(QStringLiteral("   "), QStringLiteral("s@x.in")), QStringLiteral("s@x.in"));

    EXPECT_EQ(reply::subject(QStringLiteral("1001"), QStringLiteral("Fee receipt")),
              QStringLiteral("Re: Tkt. No. - 1001 : Fee receipt"));
    EXPECT_EQ(reply::subject(QStringLiteral("1001"), QStringLiteral("  ")), QString());

    const QString univ = QStringLiteral("041 - Tessaly Central University");
    EXPECT_EQ(reply::composeReplyBody(QStringLiteral("Student"), QStringLiteral("Done.\nBye"), false, univ),
              QStringLiteral("Dear Student,<br><br>Done.\nBye<br><br>Regards,<br>Help Desk<br>Tessaly Central University"));
    EXPECT_EQ(reply::composeReplyBody(QStringLiteral("College"), QString(), true, univ),
              QStringLiteral("Dear Sir / Madam,<br><br><br>We are resetting the final submission that you have made on "
                             "your request. Login and make the corrections and do the final submission once again."
                             "<br><br>Regards,<br>Help Desk<br>Tessaly Central University"));
    // Only exactly "Student" is greeted as a student; an unknown code gives "{code} - " and no name.
    EXPECT_TRUE(reply::composeReplyBody(QStringLiteral("student"), QStringLiteral("x"), false, QStringLiteral("777 - "))
                    .startsWith(QLatin1String("Dear Sir / Madam,")));
    EXPECT_TRUE(reply::composeReplyBody(QStringLiteral("Student"), QStringLiteral("x"), false, QStringLiteral("777 - "))
                    .endsWith(QLatin1String("Help Desk<br>")));
}

class Reply : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        resetCentral();
        admin(QStringList{
            QStringLiteral("insert into corvane3_tkt.masuser(fusername, fgroup, ftktid) values('DESK31', '3', '1001')"),
            QStringLiteral("insert into corvane3_tkt.tkthead(ftktid, ftktsub, ftktgroup, funivcode) "
                           "values(1001, 'Fee', '3', '041')"),
            QStringLiteral("delete from corvane3_tsc.studadm"),
            QStringLiteral("insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, ffinsub, fappstatus) "
                           "values('0001', 'C1', 'BA', '9000000001', 'T', null), "
                           "('0002', 'C1', 'BA', '9000000002', 'T', 'verified'), "
                           "('0003', 'C1', 'BA', '9000000003', 'T', 'pending'), "
                           "('0004', 'C1', 'BA', '9000000004', 'F', null)")});
    }

    reply::Reply sample() const
    {
        reply::Reply r;
        r.tktid = QStringLiteral("1001");
        r.user = QStringLiteral("DESK31");
        r.to = QStringLiteral("o'neil@x.in");
        r.cc = QStringLiteral("help@tsc.in");
        r.subject = QStringLiteral("Re: Tkt. No. - 1001 : it's \\done");
        r.body = reply::composeReplyBody(QStringLiteral("Student"), QStringLiteral("Don't worry & relax"), true,
                                         QStringLiteral("041 - Tessaly"));
        r.db = QStringLiteral("corvane3_tsc");
        r.mobile = QStringLiteral("9000000001");
        r.reset = true;
        return r;
    }
};

TEST_F(Reply, resetOfferDependsOnInstallationAndApplication)
{
    using reply::ResetOffer;
    const QString db = QStringLiteral("corvane3_tsc");
    EXPECT_EQ(reply::resetOffer(QStringLiteral("041"), db, QStringLiteral("9000000001")), ResetOffer::Offer);
    EXPECT_EQ(reply::resetOffer(QStringLiteral("042"), db, QStringLiteral("9000000002")), ResetOffer::AcknowledgementDone);
    EXPECT_EQ(reply::resetOffer(QStringLiteral("041"), db, QStringLiteral("9000000003")), ResetOffer::Offer);
    EXPECT_EQ(reply::resetOffer(QStringLiteral("041"), db, QStringLiteral("9000000004")), ResetOffer::NotOffered);
    EXPECT_EQ(reply::resetOffer(QStringLiteral("041"), db, QString()), ResetOffer::NotOffered);
    // Other installations never offer it, and "04" is not a prefix match.
    EXPECT_EQ(reply::resetOffer(QStringLiteral("003"), db, QStringLiteral("9000000001")), ResetOffer::NotOffered);
    EXPECT_EQ(reply::resetOffer(QStringLiteral("04"), db, QStringLiteral("9000000001")), ResetOffer::NotOffered);
    // A database name from the data that is not a plain name never reaches the server.
    EXPECT_THROW(reply::resetOffer(QStringLiteral("041"), QStringLiteral("x;drop"), QStringLiteral("1")), AppError);
}

TEST_F(Reply, recordWritesDetailCloseReleaseAndResetWithQuotesAsTyped)
{
    reply::Progress progress;
    reply::recordReply(sample(), progress);
    EXPECT_EQ(adminValue(QStringLiteral("select concat_ws('|', ftkttranto, ftkttrancc, ftkttransub, ifnull(ftkttranfile,'NULL'), "
                                        "ftkttrangroup, ffromuser) from corvane3_tkt.tktdetl")),
              QStringLiteral("o'neil@x.in|help@tsc.in|Re: Tkt. No. - 1001 : it's \\done|NULL|XX|DESK31"));
    EXPECT_EQ(adminValue(QStringLiteral("select ftkttranmsg from corvane3_tkt.tktdetl")), sample().body);
    EXPECT_EQ(adminValue(QStringLiteral("select concat(ftktstatus, ffinaluser, date(ffinaldate) = curdate()) "
                                        "from corvane3_tkt.tkthead")),
              QStringLiteral("CDESK311"));
    EXPECT_EQ(adminValue(QStringLiteral("select ifnull(ftktid,'NULL') from corvane3_tkt.masuser")), QStringLiteral("NULL"));
    // The reset touches only the unverified application with a blank status.
    EXPECT_EQ(adminValue(QStringLiteral("select group_concat(concat(fcontact_no,'=',ifnull(ffinsub,'NULL')) order by "
                                        "fslno) from corvane3_tsc.studadm")),
              QStringLiteral("9000000001=NULL,9000000002=T,9000000003=T,9000000004=F"));
}

TEST_F(Reply, pendingStatusIsNotResetButTheWritesStillHappen)
{
    reply::Reply r = sample();
    r.mobile = QStringLiteral("9000000003");
    reply::Progress progress;
    reply::recordReply(r, progress);
    EXPECT_EQ(adminValue(QStringLiteral("select ffinsub from corvane3_tsc.studadm where fcontact_no = '9000000003'")),
              QStringLiteral("T"));
    EXPECT_EQ(adminValue(QStringLiteral("select count(*) from corvane3_tkt.tktdetl")), QStringLiteral("1"));
}

TEST_F(Reply, emptyNumberIsRefusedBeforeAnyWrite)
{
    reply::Reply r = sample();
    r.tktid.clear();
    reply::Progress progress;
    EXPECT_THROW(reply::recordReply(r, progress), AppError);
    EXPECT_EQ(adminValue(QStringLiteral("select count(*) from corvane3_tkt.tktdetl")), QStringLiteral("0"));
    EXPECT_EQ(adminValue(QStringLiteral("select ffinsub from corvane3_tsc.studadm where fslno = '0001'")),
              QStringLiteral("T"));
}

TEST_F(Reply, killedConnectionMidwayWritesOneDetailRow)
{
    reply::Progress progress;
    int runs = 0;
    HandlerOptions options;
    const bool ok = runHandled(options, [&](int) {
        ++runs;
        if (runs == 1) {
            // The reset and the detail row are done, then the link dies.
            reply::Reply partial = sample();
            reply::Progress p;
            reply::recordReply(partial, p);
            progress.reset = progress.logging = progress.logged = true;
            admin(QStringLiteral("update corvane3_tkt.tkthead set ftktstatus = null"));
            killConn();
        }
        reply::recordReply(sample(), progress);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(adminValue(QStringLiteral("select count(*) from corvane3_tkt.tktdetl")), QStringLiteral("1"));
    EXPECT_EQ(adminValue(QStringLiteral("select ftktstatus from corvane3_tkt.tkthead")), QStringLiteral("C"));
}

TEST_F(Reply, lostAnswerToTheInsertDoesNotLogTwice)
{
    reply::Progress progress;
    reply::recordReply(sample(), progress);
    // As if the insert reached the server but its answer was lost.
    reply::Progress lost;
    lost.reset = true;
    lost.logging = true;
    reply::recordReply(sample(), lost);
    EXPECT_EQ(adminValue(QStringLiteral("select count(*) from corvane3_tkt.tktdetl")), QStringLiteral("1"));
}

} // namespace
