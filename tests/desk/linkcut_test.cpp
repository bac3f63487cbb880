#include "deskfixture.h"

#include "core/services/config.h"
#include "core/services/session.h"
#include "gui/desk/frmrectkt.h"
#include "gui/desk/frmreplytkt.h"
#include "gui/desk/frmresetlock.h"
#include "gui/services/formutil.h"

#include "support/faultproxy.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
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
// and after every answer it gets: the tables, the screen and the mails must
// come out as from an uncut run.
class LinkCut : public DeskTest
{
protected:
    void SetUp() override
    {
        DeskTest::SetUp();
        sinkLog = qEnvironmentVariable("GMS_RELAY_LOG");
        ASSERT_FALSE(sinkLog.isEmpty()) << "run with the relay sink (GMS_RELAY, GMS_RELAY_LOG)";
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

    // U1 at level C with grievances 5 to 7 waiting, 7 held by U2; a level
    // below; an applicant of grievance 5 whose final submission may be reset.
    void prepareRows()
    {
        resetCentral();
        addUniversity(u"041"_s, u"Alpha University"_s, u"corvane3_tsc"_s, u"ALU"_s, u"help@alpha.example"_s);
        addUser(u"U1"_s, u"C"_s);
        addUser(u"U2"_s, u"C"_s, u"7"_s);
        addUser(u"U9"_s, u"B"_s);
        for (int id : {5, 6, 7})
            addGrievance(id, u"'C'"_s, u"null"_s);
        admin(QStringList{
                u"delete from corvane3_tsc.studadm"_s,
                u"insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, ffinsub) "
                "values('0001', 'C1', 'BA', '984005', 'T')"_s});
        signIn(u"U1"_s, u"C"_s);
        session().InstUnivCode = u"041"_s;
        ui.reset();
        QFile log(sinkLog);
        logStart = log.exists() ? log.size() : 0;
        delete desk.data();
        desk = new frmrectkt;
        desk->show();
    }
    void pick()
    {
        desk->Timer1_Timer();
        ASSERT_EQ(field(u"text(0)"_s), u"5"_s);
        ui.reset();
    }
    QString field(const QString &name) const { return desk->findChild<QLineEdit *>(name)->text(); }

    QString snapshot() const
    {
        const QString tables = adminValue(
                u"select concat_ws(' / ', "
                "(select group_concat(concat(fusername, '=', ifnull(ftktid, '')) order by fusername) "
                "from corvane3_tkt.masuser), "
                "(select concat('lock=', ifnull(max(fstarted), '')) from corvane3_tkt.control), "
                "(select group_concat(concat_ws(':', ftktid, ftktgroup, ifnull(ftktstatus, ''), "
                "ifnull(ffinaluser, '')) order by ftktid) from corvane3_tkt.tkthead), "
                "(select concat('detail=', ifnull(group_concat(concat_ws(':', ftktid, ffromuser, "
                "ftkttrangroup, "
                "left(ftkttranmsg, 24)) order by fdetlid), '')) from corvane3_tkt.tktdetl), "
                "(select concat('ffinsub=', ifnull(ffinsub, 'NULL')) from corvane3_tsc.studadm))"_s);
        QFile log(sinkLog);
        int mails = 0;
        if (log.open(QIODevice::ReadOnly)) {
            log.seek(logStart);
            mails = int(log.readAll().count("Re: Tkt. No. - 5"));
        }
        return tables +
               u" | shown=%1 poller=%2 mails=%3 | "_s.arg(desk ? field(u"text(0)"_s) : u"-"_s)
                       .arg(desk && desk->findChild<QTimer *>(u"Timer1"_s)->isActive() ? u"on"_s : u"off"_s)
                       .arg(mails) +
               ui.texts().join(QLatin1Char('|'));
    }

    Config saved = Config::instance();
    QString sinkLog;
    qint64 logStart = 0;
    QPointer<frmrectkt> desk;
    std::unique_ptr<frmreplytkt> reply;
    QPointer<frmresetlock> release;
};

TEST_F(LinkCut, everyDeskCommandLandsOnceWhereverTheLinkBreaks)
{
    struct Row
    {
        const char *name;
        std::function<void()> prepare;
        std::function<void()> command;
        QStringList outcome; // parts of the uncut run's snapshot
    };
    const Row rows[] = {
            {"assignment",
             [this] { prepareRows(); },
             [this] { desk->Timer1_Timer(); },
             {u"U1=5,U2=7,U9= / lock= /"_s, u"shown=5 poller=off"_s}},
            {"forward",
             [this] {
                 prepareRows();
                 pick();
                 desk->findChild<QPushButton *>(u"cmd(1)"_s)->click();
                 desk->findChild<QPlainTextEdit *>(u"text(8)"_s)->setPlainText(u"for the registrar"_s);
             },
             [this] { desk->findChild<QPushButton *>(u"cmd(5)"_s)->click(); },
             {u"5:B::,6:C::"_s, u"detail=5:U1:B:for the registrar"_s, u"U1=,U2=7"_s,
              u"poller=on mails=0 | Forwarded to next level"_s}},
            {"reply",
             [this] {
                 prepareRows();
                 pick();
                 reply = std::make_unique<frmreplytkt>(desk->displayed(), ReplyHooks());
                 reply->show();
                 reply->findChild<QCheckBox *>(u"chk(0)"_s)->setChecked(true);
                 reply->findChild<QTextEdit *>(u"rtb"_s)->setPlainText(u"settled"_s);
             },
             [this] { reply->findChild<QPushButton *>(u"cmd(0)"_s)->click(); },
             {u"U1=,U2=7"_s, u"5:C:C:U1,6:C::"_s, u"detail=5:U1:XX:Dear Student"_s, u"ffinsub=NULL"_s,
              u"mails=1 | Reply Sent Successfully"_s}},
            {"lock release",
             [this] {
                 prepareRows();
                 delete release.data();
                 release = new frmresetlock;
                 release->show();
                 release->listUsers();
             },
             [this] {
                 // U2, the second user listed
                 auto *grid = release->findChild<SpreadGrid *>(u"spread"_s);
                 qobject_cast<QPushButton *>(grid->cellWidget(1, 2))->click();
             },
             {u"U1=,U2=,U9="_s, u"Lock Released!!"_s}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        expectSameUnderEveryCut(row.prepare, row.command, [this] { return snapshot(); });
        for (const QString &part : row.outcome)
            EXPECT_TRUE(snapshot().contains(part))
                    << part.toStdString() << " in " << snapshot().toStdString();
    }
}

} // namespace
