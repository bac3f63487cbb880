#include "core/desk/reply.h"
#include "core/services/config.h"
#include "core/services/database.h"
#include "core/services/handler.h"
#include "core/services/session.h"
#include "gui/desk/frmreplytkt.h"

#include "support/fakerelay.h"
#include "support/testdb.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QUrlQuery>
#include <QtTest/QTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

TEST(ReplyText, recipientSubjectAndBody)
{
    const std::pair<const char *, const char *> recipients[] = {
            {" alt@x.in ", "alt@x.in"}, {"alt@xin", "s@x.in"}, {"alt.x.in", "s@x.in"}, {"   ", "s@x.in"}};
    for (const auto &[alt, to] : recipients)
        EXPECT_EQ(reply::recipient(QString::fromLatin1(alt), u"s@x.in"_s), QString::fromLatin1(to)) << alt;
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

// DESK31 holds grievance 1001; four applications in the university database.
class Reply : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        resetRows();
    }
    static void resetRows()
    {
        resetCentral();
        admin(QStringList{
                u"insert into corvane3_tkt.masuser(fusername, fgroup, ftktid) values('DESK31', '3', '1001')"_s,
                u"insert into corvane3_tkt.tkthead(ftktid, ftktsub, ftktgroup, funivcode) "
                "values(1001, 'Fee & refund', '3', '041')"_s,
                u"delete from corvane3_tsc.studadm"_s,
                u"insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, ffinsub, "
                "fappstatus) values('0001', 'C1', 'BA', '9000000001', 'T', null), "
                "('0002', 'C1', 'BA', '9000000002', 'T', 'verified'), "
                "('0003', 'C1', 'BA', '9000000003', 'T', 'pending'), "
                "('0004', 'C1', 'BA', '9000000004', 'F', null)"_s});
    }
    static QString details() { return adminValue(u"select count(*) from corvane3_tkt.tktdetl"_s); }

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
    const std::tuple<const char *, const char *, ResetOffer> cases[] = {
            {"041", "9000000001", ResetOffer::Offer},
            {"042", "9000000002", ResetOffer::AcknowledgementDone},
            {"041", "9000000003", ResetOffer::Offer},
            {"041", "9000000004", ResetOffer::NotOffered},
            {"041", "", ResetOffer::NotOffered},
            // Other installations never offer it, and "04" is not a prefix match.
            {"003", "9000000001", ResetOffer::NotOffered},
            {"04", "9000000001", ResetOffer::NotOffered}};
    for (const auto &[inst, mobile, offer] : cases)
        EXPECT_EQ(reply::resetOffer(QString::fromLatin1(inst), db, QString::fromLatin1(mobile)), offer)
                << inst << " " << mobile;
    // A database name from the data that is not a plain name never reaches the server.
    EXPECT_THROW(reply::resetOffer(u"041"_s, u"x;drop"_s, u"1"_s), AppError);
}

TEST_F(Reply, recordWritesDetailCloseReleaseAndResetWithQuotesAsTyped)
{
    EXPECT_EQ(reply::recordReply(sample()), reply::RecordOutcome::Recorded);
    EXPECT_EQ(
            adminValue(u"select concat_ws('|', ftkttranto, ftkttrancc, ftkttransub, "
                       "ifnull(ftkttranfile,'NULL'), ftkttrangroup, ffromuser) from corvane3_tkt.tktdetl"_s),
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

desk::Grievance grievance(const QString &type, const QString &altEmail)
{
    desk::Grievance g;
    g.tktid = u"1001"_s;
    g.kind = type;
    g.regno = u"REG1"_s;
    g.from = u"Asha"_s;
    g.subject = u"Fee & refund"_s;
    g.mobile = u"9000000001"_s;
    g.email = u"asha@mail.in"_s;
    g.studEmail = altEmail;
    g.message = u"Please refund"_s;
    g.univ = desk::University{
            u"041"_s, u"Tessaly Central University"_s, u"corvane3_tsc"_s, u"TCU"_s, u"help@tsc.in"_s, true};
    return g;
}

class ReplyScreen : public Reply
{
protected:
    void SetUp() override
    {
        Reply::SetUp();
        session().LoginUser = u"DESK31"_s;
        session().InstUnivCode = u"041"_s;
        Config::instance().relay = relay.address();
        Config::instance().relayTimeoutMs = 700;
        Config::instance().programDir = dir.path();
        hooks.sent = [this] { ++sentCalls; };
        hooks.notHeld = [this] { ++notHeldCalls; };
    }
    void TearDown() override
    {
        Config::instance() = saved;
        Reply::TearDown();
    }

    // The reply screen over a grievance, shown, with a reply typed.
    std::unique_ptr<frmreplytkt> open(const desk::Grievance &g, const QString &reply = u"ok"_s)
    {
        auto screen = std::make_unique<frmreplytkt>(g, hooks);
        screen->show();
        screen->findChild<QTextEdit *>(u"rtb"_s)->setPlainText(reply);
        return screen;
    }
    QString mailed(const QString &key)
    {
        const QUrl url(u"http://x"_s + QString::fromLatin1(relay.requests.at(0).target));
        return QUrlQuery(url).queryItemValue(key, QUrl::FullyDecoded);
    }
    QString field(const frmreplytkt &s, int i)
    {
        return s.findChild<QLineEdit *>(u"text(%1)"_s.arg(i))->text();
    }

    Config saved = Config::instance();
    FakeRelay relay;
    QTemporaryDir dir;
    ReplyHooks hooks;
    int sentCalls = 0;
    int notHeldCalls = 0;
};

// Send records, closes, mails once and tells the desk; a second Send while
// the first one's last message is up is ignored.
TEST_F(ReplyScreen, sendRecordsClosesMailsOnceAndTellsTheDesk)
{
    const auto screen = open(grievance(u"Student"_s, u"alt@mail.in"_s), u"It's done; 100% & more"_s);
    EXPECT_EQ(field(*screen, 0), u"alt@mail.in"_s);
    EXPECT_EQ(field(*screen, 1), u"help@tsc.in"_s);
    EXPECT_EQ(field(*screen, 2), u"Re: Tkt. No. - 1001 : Fee & refund"_s);
    auto *reset = screen->findChild<QCheckBox *>(u"chk(0)"_s);
    EXPECT_TRUE(reset->isVisible());
    reset->setChecked(true);

    ui.onMessage = [&](const MessageRequest &) { screen->send(); };
    screen->findChild<QPushButton *>(u"cmd(0)"_s)->click();

    EXPECT_EQ(ui.texts(), QStringList{u"Reply Sent Successfully"_s});
    EXPECT_EQ(ui.last().icon, Icon::Information);
    const QString body = u"Dear Student,<br><br>It's done; 100% & more<br>We are resetting the final "
                         "submission that you have made on your request. Login and make the corrections "
                         "and do the final submission once again.<br><br>Regards,<br>Help Desk<br>"
                         "Tessaly Central University"_s;
    ASSERT_EQ(relay.requests.size(), 1);
    EXPECT_EQ(mailed(u"body"_s), body);
    EXPECT_EQ(mailed(u"subject"_s), u"Re: Tkt. No. - 1001 : Fee & refund"_s);
    EXPECT_EQ(mailed(u"cc"_s), u"help@tsc.in"_s);
    EXPECT_EQ(adminValue(u"select ftkttranmsg from corvane3_tkt.tktdetl"_s), body);
    EXPECT_EQ(adminValue(u"select ftktstatus from corvane3_tkt.tkthead"_s), u"C"_s);
    EXPECT_EQ(adminValue(u"select ifnull(ffinsub,'NULL') from corvane3_tsc.studadm where fslno = '0001'"_s),
              u"NULL"_s);
    EXPECT_EQ(sentCalls, 1);
    EXPECT_TRUE(screen->sent());
    EXPECT_FALSE(screen->isVisible());
}

// Sends recorded without a mail, or whose mail failed: the records stand and
// the message says what happened to the mail.
TEST_F(ReplyScreen, recordedWithoutAMail)
{
    struct Case
    {
        const char *name;
        std::function<void(desk::Grievance &)> setUp;
        QStringList texts;
    };
    const Case cases[] = {
            {"a college without recipient",
             [this](desk::Grievance &g) {
                 g.kind = u"College"_s;
                 g.email.clear();
                 session().InstUnivCode = u"003"_s;
             },
             {u"Reply Sent Successfully"_s}},
            {"noemail.log answered No",
             [this](desk::Grievance &) {
                 QFile flag(dir.filePath(u"noemail.log"_s));
                 ASSERT_TRUE(flag.open(QIODevice::WriteOnly));
                 ui.answers = {Answer::No};
             },
             {u"Send Email / SMS?"_s, u"Reply Sent Successfully"_s}},
            {"the relay fails",
             [this](desk::Grievance &) { relay.status = 500; },
             {u"The reply was saved and the grievance closed, but the mail to asha@mail.in was not sent: the "
              "mail relay answered 500 Internal Server Error."_s}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        resetRows();
        ui.reset();
        relay.status = 200;
        relay.requests.clear();
        session().InstUnivCode = u"041"_s;
        desk::Grievance g = grievance(u"Student"_s, QString());
        c.setUp(g);
        open(g)->send();
        EXPECT_EQ(ui.texts(), c.texts);
        EXPECT_EQ(relay.requests.size(), relay.status == 500 ? 1 : 0);
        EXPECT_EQ(details(), u"1"_s);
        EXPECT_EQ(adminValue(u"select ftktstatus from corvane3_tkt.tkthead"_s), u"C"_s);
        QFile::remove(dir.filePath(u"noemail.log"_s));
    }
    EXPECT_TRUE(adminValue(u"select ftkttranmsg from corvane3_tkt.tktdetl"_s)
                        .startsWith(QLatin1String("Dear Student,<br><br>ok")));
}

TEST_F(ReplyScreen, refusalsWriteNothing)
{
    {
        // Empty reply without the reset; Esc then closes without writing.
        const auto screen = open(grievance(u"Student"_s, QString()), QString());
        screen->send();
        EXPECT_EQ(ui.texts(), QStringList{u"Enter email message!!"_s});
        QTest::keyClick(screen.get(), Qt::Key_Escape);
        EXPECT_FALSE(screen->isVisible());
        EXPECT_FALSE(screen->sent());
    }
    ui.reset();
    open(desk::Grievance())->send(); // an empty desk
    EXPECT_EQ(ui.texts(), QStringList{u"There is no grievance on the desk to reply to."_s});
    {
        // Released by the administrator while displayed.
        ui.reset();
        admin(u"update corvane3_tkt.masuser set ftktid = null"_s);
        const auto screen = open(grievance(u"Student"_s, QString()));
        screen->findChild<QCheckBox *>(u"chk(0)"_s)->setChecked(true);
        screen->send();
        ASSERT_EQ(ui.messages.size(), 1);
        EXPECT_EQ(ui.last().text,
                  u"This grievance has been released by the administrator and may be handled by "
                  "another user; the reply has not been sent."_s);
        EXPECT_EQ(notHeldCalls, 1);
        EXPECT_FALSE(screen->isVisible());
    }
    EXPECT_EQ(details(), u"0"_s);
    EXPECT_EQ(adminValue(u"select ifnull(ftktstatus,'') from corvane3_tkt.tkthead"_s), QString());
    EXPECT_EQ(adminValue(u"select ffinsub from corvane3_tsc.studadm where fslno = '0001'"_s), u"T"_s);
    EXPECT_TRUE(relay.requests.isEmpty());
    EXPECT_EQ(sentCalls, 0);

    // A verified application shows the acknowledgement instead of the reset box.
    admin(u"update corvane3_tsc.studadm set fappstatus = 'verified'"_s);
    const auto verified = open(grievance(u"Student"_s, QString()));
    EXPECT_FALSE(verified->findChild<QCheckBox *>(u"chk(0)"_s)->isVisible());
    EXPECT_TRUE(verified->findChild<QLabel *>(u"lback"_s)->isVisible());
}

} // namespace
