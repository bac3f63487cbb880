#include "deskfixture.h"

#include "core/services/config.h"
#include "gui/desk/deskscreen.h"
#include "gui/desk/lockreleasescreen.h"
#include "gui/desk/replydialog.h"
#include "gui/services/formutil.h"

#include "support/fakerelay.h"
#include "support/faultproxy.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Each desk command run through a link cut before every statement it sends
// and after every answer it gets: the tables, the screen and the mails at the
// relay must come out as from an uncut run.
class LinkCut : public DeskTest
{
protected:
    void SetUp() override
    {
        DeskTest::SetUp();
        ASSERT_FALSE(qEnvironmentVariable("GMS_RELAY_LOG").isEmpty())
                << "run with the relay sink (GMS_RELAY, GMS_RELAY_LOG)";
        Config::instance().relay = qEnvironmentVariable("GMS_RELAY");
        Config::instance().relayTimeoutMs = 5000;
    }
    void TearDown() override
    {
        delete desk.data();
        reply.reset();
        delete release.data();
        Config::instance() = saved;
        DeskTest::TearDown();
    }

    // U1 at level C with 5 to 7 waiting, 7 held by U2 (at C2, listed under C); a level below; the
    // applicant of 5, whose final submission may be reset, and another. With
    // `picked` U1's desk shows 5, then `meanwhile` runs.
    void prepareRows(bool picked, const QString &meanwhile = {})
    {
        resetCentral();
        addUniv(u"041"_s, u"Alpha University"_s, u"corvane3_tsc"_s, u"help@alpha.example"_s);
        addUser(u"U1"_s, u"C"_s);
        addUser(u"U2"_s, u"C2"_s, u"7"_s);
        addUser(u"U9"_s, u"B"_s);
        for (int id : {5, 6, 7})
            addGrievance(id, u"'C'"_s, u"null"_s);
        admin(QStringList{
                u"update corvane3_tkt.tkthead set ftktsub = 'Fee''s \\\\ refund', "
                "fstudemail = ' alt@mail.example' where ftktid = 5"_s,
                u"delete from corvane3_tsc.studadm"_s,
                u"insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, ffinsub) "
                "values('0001', 'C1', 'BA', '984005', 'T'), ('0002', 'C1', 'BA', '984006', 'T')"_s});
        signIn(u"U1"_s, u"C"_s);
        session().installationCode = u"041"_s;
        logStart = sinkLogSize();
        delete desk.data();
        desk = new DeskScreen;
        desk->show();
        if (picked) {
            desk->pollTick();
            ASSERT_EQ(desk->displayed().tktid, u"5"_s);
        }
        if (!meanwhile.isEmpty())
            admin(meanwhile);
        ui.reset();
    }
    QPushButton *button(const QString &name) const { return desk->findChild<QPushButton *>(name); }
    // Forward with remarks typed; a second press while its message is up.
    void forward()
    {
        button(u"forwardButton"_s)->click();
        desk->findChild<QPlainTextEdit *>(u"remarks"_s)->setPlainText(u"It's \\ for the registrar"_s);
        ui.onMessage = [this](const MessageRequest &) { emit button(u"sendForwardButton"_s)->clicked(); };
        button(u"sendForwardButton"_s)->click();
    }
    // The reply screen over the shown grievance with the reset ticked and a
    // reply typed; Send, and Send again while its message is up.
    void sendReply()
    {
        reply = std::make_unique<ReplyDialog>(desk->displayed(), ReplyHooks());
        reply->show();
        reply->findChild<QCheckBox *>(u"resetFinalSubmission"_s)->setChecked(true);
        reply->findChild<QTextEdit *>(u"replyText"_s)->setPlainText(u"It's done; 100% & more"_s);
        ui.onMessage = [this](const MessageRequest &) { reply->send(); };
        reply->findChild<QPushButton *>(u"sendButton"_s)->click();
    }

    QString snapshot() const
    {
        QString s = adminValue(
                u"select concat_ws(' / ', "
                "(select group_concat(concat(fusername, '=', ifnull(ftktid, '')) order by fusername) "
                "from corvane3_tkt.masuser), "
                "(select concat('lock=', ifnull(max(fstarted), '')) from corvane3_tkt.control), "
                "(select group_concat(concat_ws(':', ftktid, ftktgroup, ifnull(ftktstatus, ''), "
                "ifnull(ffinaluser, '')) order by ftktid) from corvane3_tkt.tkthead), "
                "(select concat('detail=', ifnull(group_concat(concat_ws(':', ftktid, ffromuser, "
                "ftkttrangroup, "
                "ifnull(ftkttransub, ''), ftkttranmsg) order by fdetlid), '')) from corvane3_tkt.tktdetl), "
                "(select group_concat(concat(fslno, '=', ifnull(ffinsub, 'NULL')) order by fslno) "
                "from corvane3_tsc.studadm))"_s);
        s += u" | shown=%1 poller=%2 | "_s.arg(desk ? desk->displayed().tktid : u"-"_s)
                     .arg(desk && desk->findChild<QTimer *>(u"poller"_s)->isActive() ? u"on"_s : u"off"_s) +
             ui.texts().join(QLatin1Char('|')) + sinkRequests(logStart);
        return s;
    }

    Config saved = Config::instance();
    qint64 logStart = 0;
    QPointer<DeskScreen> desk;
    std::unique_ptr<ReplyDialog> reply;
    QPointer<LockReleaseScreen> release;
};

TEST_F(LinkCut, everyDeskCommandLandsOnceWhereverTheLinkBreaks)
{
    const QString notHeld = u"This grievance has been released by the administrator and may be handled by "
                            "another user; "_s;
    const QString giveBack = u"update corvane3_tkt.masuser set ftktid = null where fusername = 'U1'"_s;
    const QString body =
            u"Dear Student,<br><br>It's done; 100% & more<br>We are resetting the final submission "
            "that you have made on your request. Login and make the corrections and do the final "
            "submission once again.<br><br>Regards,<br>Help Desk<br>Alpha University"_s;
    struct Row
    {
        const char *name;
        std::function<void()> prepare;
        std::function<void()> command;
        QStringList outcome; // parts of the uncut run's snapshot
    };
    const Row rows[] = {
            {"assignment",
             [this] { prepareRows(false); },
             [this] { desk->pollTick(); },
             {u"U1=5,U2=7,U9= / lock= /"_s, u"shown=5 poller=off | "_s}},
            {"forward",
             [this] { prepareRows(true); },
             [this] { forward(); },
             {u"5:B::,6:C::"_s, u"detail=5:U1:B::It's \\ for the registrar /"_s, u"U1=,U2=7"_s,
              u"poller=on | Forwarded to next level"_s}},
            {"forward of a grievance no longer held",
             [&] { prepareRows(true, giveBack); },
             [this] { forward(); },
             {u"5:C::,6:C::"_s, u"detail= /"_s,
              u"poller=on | "_s + notHeld + u"it has not been forwarded."_s}},
            {"forward at the smallest level",
             [this] { prepareRows(true, u"delete from corvane3_tkt.masuser where fusername = 'U9'"_s); },
             [this] { forward(); },
             {u"5:C::,6:C::"_s, u"detail= /"_s,
              u"shown=5 poller=off | No More levels to attend the issue!!"_s}},
            {"reply",
             [this] { prepareRows(true); },
             [this] { sendReply(); },
             {u"U1=,U2=7"_s, u"5:C:C:U1,6:C::"_s, u"0001=NULL,0002=T"_s,
              u"detail=5:U1:XX:Re: Tkt. No. - 5 : Fee's \\ refund:"_s + body + u" / "_s,
              u" | Reply Sent Successfully | emailid=alt@mail.example | subject=Re: Tkt. No. - 5 : Fee's \\ "
              "refund | body="_s +
                      body + u" | cc=help@alpha.example"_s}},
            {"reply to a grievance no longer held",
             [&] { prepareRows(true, giveBack); },
             [this] { sendReply(); },
             {u"5:C::,6:C::"_s, u"detail= /"_s, u"0001=T,0002=T"_s,
              notHeld + u"the reply has not been sent."_s}},
            {"lock release of a level's users",
             [this] {
                 prepareRows(false);
                 delete release.data();
                 release = new LockReleaseScreen;
                 release->show();
                 release->findChild<QLineEdit *>(u"level"_s)->setText(u"C"_s);
                 release->listUsers();
             },
             [this] { // U2, the second user at a level starting with C
                 auto *grid = release->findChild<SheetGrid *>(u"lockedUsers"_s);
                 ASSERT_EQ(grid->rowCount(), 2);
                 EXPECT_EQ(grid->item(1, 0)->text() + u'|' + grid->item(1, 1)->text(), u"U2|7"_s);
                 qobject_cast<QPushButton *>(grid->cellWidget(1, 3))->click();
             },
             {u"U1=,U2=,U9= / lock= /"_s, u"Lock Released!!"_s}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        expectSameUnderEveryCut(row.prepare, row.command, [this] { return snapshot(); });
        const QString uncut = snapshot();
        for (const QString &part : row.outcome)
            EXPECT_TRUE(uncut.contains(part)) << part.toStdString() << " in " << uncut.toStdString();
        EXPECT_EQ(uncut.count(u"emailid="_s), std::string(row.name) == "reply" ? 1 : 0);
    }
}

} // namespace
