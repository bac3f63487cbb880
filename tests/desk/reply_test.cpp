#include "core/desk/reply.h"
#include "core/services/database.h"
#include "core/services/handler.h"

#include "support/testdb.h"

using namespace Qt::StringLiterals;

namespace {

TEST(ReplyText, recipientSubjectAndBody)
{
    EXPECT_EQ(reply::recipient(u" alt@x.in "_s, u"s@x.in"_s), u"alt@x.in"_s);
    EXPECT_EQ(reply::recipient(u"alt@xin"_s, u"s@x.in"_s), u"s@x.in"_s);
    EXPECT_EQ(reply::recipient(u"alt.x.in"_s, u"s@x.in"_s), u"s@x.in"_s);
    EXPECT_EQ(reply::recipient(u"   "_s, u"s@x.in"_s), u"s@x.in"_s);

    EXPECT_EQ(reply::subject(u"1001"_s, u"Fee receipt"_s), u"Re: Tkt. No. - 1001 : Fee receipt"_s);
    EXPECT_EQ(reply::subject(u"1001"_s, u"  "_s), QString());

    const QString univ = u"041 - Tessaly Central University"_s;
    EXPECT_EQ(
            reply::composeReplyBody(u"Student"_s, u"Done.\nBye"_s, false, univ),
            u"Dear Student,<br><br>Done.\nBye<br><br>Regards,<br>Help Desk<br>Tessaly Central University"_s);
    EXPECT_EQ(reply::composeReplyBody(u"College"_s, QString(), true, univ),
              u"Dear Sir / Madam,<br><br><br>We are resetting the final submission that you have made on "
              "your request. Login and make the corrections and do the final submission once again."
              "<br><br>Regards,<br>Help Desk<br>Tessaly Central University"_s);
    // Only exactly "Student" is greeted as a student; an unknown code gives "{code} - " and no name.
    EXPECT_TRUE(reply::composeReplyBody(u"student"_s, u"x"_s, false, u"777 - "_s)
                        .startsWith(QLatin1String("Dear Sir / Madam,")));
    EXPECT_TRUE(reply::composeReplyBody(u"Student"_s, u"x"_s, false, u"777 - "_s)
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
                u"insert into corvane3_tkt.masuser(fusername, fgroup, ftktid) values('DESK31', '3', '1001')"_s,
                u"insert into corvane3_tkt.tkthead(ftktid, ftktsub, ftktgroup, funivcode) "
                "values(1001, 'Fee', '3', '041')"_s,
                u"delete from corvane3_tsc.studadm"_s,
                u"insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, ffinsub, "
                u"fappstatus) "
                "values('0001', 'C1', 'BA', '9000000001', 'T', null), "
                "('0002', 'C1', 'BA', '9000000002', 'T', 'verified'), "
                "('0003', 'C1', 'BA', '9000000003', 'T', 'pending'), "
                "('0004', 'C1', 'BA', '9000000004', 'F', null)"_s});
    }

    reply::Reply sample() const
    {
        reply::Reply r;
        r.tktid = u"1001"_s;
        r.user = u"DESK31"_s;
        r.to = u"o'neil@x.in"_s;
        r.cc = u"help@tsc.in"_s;
        r.subject = u"Re: Tkt. No. - 1001 : it's \\done"_s;
        r.body = reply::composeReplyBody(u"Student"_s, u"Don't worry & relax"_s, true, u"041 - Tessaly"_s);
        r.db = u"corvane3_tsc"_s;
        r.mobile = u"9000000001"_s;
        r.reset = true;
        return r;
    }
};

TEST_F(Reply, resetOfferDependsOnInstallationAndApplication)
{
    using reply::ResetOffer;
    const QString db = u"corvane3_tsc"_s;
    EXPECT_EQ(reply::resetOffer(u"041"_s, db, u"9000000001"_s), ResetOffer::Offer);
    EXPECT_EQ(reply::resetOffer(u"042"_s, db, u"9000000002"_s), ResetOffer::AcknowledgementDone);
    EXPECT_EQ(reply::resetOffer(u"041"_s, db, u"9000000003"_s), ResetOffer::Offer);
    EXPECT_EQ(reply::resetOffer(u"041"_s, db, u"9000000004"_s), ResetOffer::NotOffered);
    EXPECT_EQ(reply::resetOffer(u"041"_s, db, QString()), ResetOffer::NotOffered);
    // Other installations never offer it, and "04" is not a prefix match.
    EXPECT_EQ(reply::resetOffer(u"003"_s, db, u"9000000001"_s), ResetOffer::NotOffered);
    EXPECT_EQ(reply::resetOffer(u"04"_s, db, u"9000000001"_s), ResetOffer::NotOffered);
    // A database name from the data that is not a plain name never reaches the server.
    EXPECT_THROW(reply::resetOffer(u"041"_s, u"x;drop"_s, u"1"_s), AppError);
}

TEST_F(Reply, recordWritesDetailCloseReleaseAndResetWithQuotesAsTyped)
{
    reply::Progress progress;
    reply::recordReply(sample(), progress);
    EXPECT_EQ(adminValue(u"select concat_ws('|', ftkttranto, ftkttrancc, ftkttransub, "
                         u"ifnull(ftkttranfile,'NULL'), "
                         "ftkttrangroup, ffromuser) from corvane3_tkt.tktdetl"_s),
              u"o'neil@x.in|help@tsc.in|Re: Tkt. No. - 1001 : it's \\done|NULL|XX|DESK31"_s);
    EXPECT_EQ(adminValue(u"select ftkttranmsg from corvane3_tkt.tktdetl"_s), sample().body);
    EXPECT_EQ(adminValue(u"select concat(ftktstatus, ffinaluser, date(ffinaldate) = curdate()) "
                         "from corvane3_tkt.tkthead"_s),
              u"CDESK311"_s);
    EXPECT_EQ(adminValue(u"select ifnull(ftktid,'NULL') from corvane3_tkt.masuser"_s), u"NULL"_s);
    // The reset touches only the unverified application with a blank status.
    EXPECT_EQ(adminValue(u"select group_concat(concat(fcontact_no,'=',ifnull(ffinsub,'NULL')) order by "
                         "fslno) from corvane3_tsc.studadm"_s),
              u"9000000001=NULL,9000000002=T,9000000003=T,9000000004=F"_s);
}

TEST_F(Reply, pendingStatusIsNotResetButTheWritesStillHappen)
{
    reply::Reply r = sample();
    r.mobile = u"9000000003"_s;
    reply::Progress progress;
    reply::recordReply(r, progress);
    EXPECT_EQ(adminValue(u"select ffinsub from corvane3_tsc.studadm where fcontact_no = '9000000003'"_s),
              u"T"_s);
    EXPECT_EQ(adminValue(u"select count(*) from corvane3_tkt.tktdetl"_s), u"1"_s);
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
            admin(u"update corvane3_tkt.tkthead set ftktstatus = null"_s);
            killConn();
        }
        reply::recordReply(sample(), progress);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(adminValue(u"select count(*) from corvane3_tkt.tktdetl"_s), u"1"_s);
    EXPECT_EQ(adminValue(u"select ftktstatus from corvane3_tkt.tkthead"_s), u"C"_s);
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
    EXPECT_EQ(adminValue(u"select count(*) from corvane3_tkt.tktdetl"_s), u"1"_s);
}

} // namespace
