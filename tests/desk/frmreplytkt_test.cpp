#include "gui/desk/frmreplytkt.h"

#include "core/services/config.h"
#include "core/services/session.h"
#include "gui/services/formutil.h"

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
#include <QTimer>
#include <QUrlQuery>
#include <QtTest/QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Stands in for the desk screen: the reply screen reads these fields by name.
struct DeskFields
{
    QWidget desk;
    QTimer *timer = new QTimer(&desk);
    QPushButton *refresh = new QPushButton(&desk);
    int refreshes = 0;

    DeskFields(const QString &type, const QString &altEmail)
    {
        timer->setObjectName(u"Timer1"_s);
        refresh->setObjectName(u"cmd(6)"_s);
        QObject::connect(refresh, &QPushButton::clicked, [this] { ++refreshes; });
        const QList<QPair<QString, QString>> values = {{u"text(0)"_s, u"1001"_s},
                                                       {u"text(1)"_s, type},
                                                       {u"text(5)"_s, u"REG1"_s},
                                                       {u"text(2)"_s, u"Asha"_s},
                                                       {u"text(3)"_s, u"Fee & refund"_s},
                                                       {u"text(6)"_s, u"9000000001"_s},
                                                       {u"text(7)"_s, u"asha@mail.in"_s},
                                                       {u"text(10)"_s, altEmail},
                                                       {u"text(11)"_s, u"041 - Tessaly Central University"_s},
                                                       {u"mskdt"_s, u"01/12/2026"_s}};
        for (const auto &v : values) {
            auto *edit = new QLineEdit(v.second, &desk);
            edit->setObjectName(v.first);
        }
        auto *message = new QPlainTextEdit(u"Please refund"_s, &desk);
        message->setObjectName(u"text(4)"_s);
        auto *db = new QLabel(u"corvane3_tsc"_s, &desk);
        db->setObjectName(u"lbdbname"_s);
    }
};

class ReplyScreen : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        resetCentral();
        admin(QStringList{
                u"insert into corvane3_tkt.masuser(fusername, fgroup, ftktid) values('DESK31', '3', '1001')"_s,
                u"insert into corvane3_tkt.tkthead(ftktid, ftktsub, ftktgroup, funivcode) "
                "values(1001, 'Fee & refund', '3', '041')"_s,
                u"delete from corvane3_tsc.studadm"_s,
                u"insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, ffinsub, "
                u"fappstatus) "
                "values('0001', 'C1', 'BA', '9000000001', 'T', null)"_s});
        session().LoginUser = u"DESK31"_s;
        session().InstUnivCode = u"041"_s;
        session().SelUnivEmail = u"help@tsc.in"_s;
        Config::instance().relay = relay.address();
        Config::instance().relayTimeoutMs = 700;
        Config::instance().programDir = dir.path();
    }
    void TearDown() override
    {
        Config::instance() = saved;
        DbTest::TearDown();
    }

    QString detailCount() { return adminValue(u"select count(*) from corvane3_tkt.tktdetl"_s); }
    // The reply screen over the stand-in desk, shown, with a reply typed.
    std::unique_ptr<frmreplytkt> open(DeskFields &d, const QString &tktid, const QString &reply = u"ok"_s)
    {
        auto screen = std::make_unique<frmreplytkt>(&d.desk, tktid);
        screen->show();
        screen->findChild<QTextEdit *>(u"rtb"_s)->setPlainText(reply);
        return screen;
    }
    QString mailed(const QString &key)
    {
        const QUrl url(u"http://x"_s + QString::fromLatin1(relay.requests.at(0).target));
        return QUrlQuery(url).queryItemValue(key, QUrl::FullyDecoded);
    }

    Config saved = Config::instance();
    FakeRelay relay;
    QTemporaryDir dir;
};

TEST_F(ReplyScreen, sendRecordsClosesMailsAndRestartsTheDesk)
{
    DeskFields d(u"Student"_s, u"alt@mail.in"_s);
    frmreplytkt screen(&d.desk, u"1001"_s);
    screen.show();
    EXPECT_EQ(screen.findChild<QLineEdit *>(u"text(0)"_s)->text(), u"alt@mail.in"_s);
    EXPECT_EQ(screen.findChild<QLineEdit *>(u"text(1)"_s)->text(), u"help@tsc.in"_s);
    EXPECT_EQ(screen.findChild<QLineEdit *>(u"text(2)"_s)->text(), u"Re: Tkt. No. - 1001 : Fee & refund"_s);
    auto *reset = screen.findChild<QCheckBox *>(u"chk(0)"_s);
    EXPECT_TRUE(reset->isVisible());
    reset->setChecked(true);
    screen.findChild<QTextEdit *>(u"rtb"_s)->setPlainText(u"It's done; 100% & more"_s);

    screen.findChild<QPushButton *>(u"cmd(0)"_s)->click();

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
    EXPECT_EQ(adminValue(u"select ifnull(ffinsub,'NULL') from corvane3_tsc.studadm"_s), u"NULL"_s);
    EXPECT_TRUE(d.timer->isActive());
    EXPECT_TRUE(screen.sent());
    EXPECT_FALSE(screen.isVisible());
}

TEST_F(ReplyScreen, collegeWithoutRecipientIsRecordedButNotMailed)
{
    DeskFields d(u"College"_s, u"x@y"_s);
    d.desk.findChild<QLineEdit *>(u"text(7)"_s)->clear();
    session().InstUnivCode = u"003"_s;
    const auto screen = open(d, u"1001"_s);
    EXPECT_FALSE(screen->findChild<QCheckBox *>(u"chk(0)"_s)->isVisible());
    EXPECT_EQ(screen->findChild<QLineEdit *>(u"text(0)"_s)->text(), QString());
    screen->send();
    EXPECT_EQ(ui.texts(), QStringList{u"Reply Sent Successfully"_s});
    EXPECT_TRUE(relay.requests.isEmpty());
    EXPECT_EQ(detailCount(), u"1"_s);
    EXPECT_TRUE(adminValue(u"select ftkttranmsg from corvane3_tkt.tktdetl"_s)
                        .startsWith(QLatin1String("Dear Sir / Madam,<br><br>ok")));
}

TEST_F(ReplyScreen, noEmailLogAnsweredNoSkipsTheMail)
{
    QFile flag(dir.filePath(u"noemail.log"_s));
    ASSERT_TRUE(flag.open(QIODevice::WriteOnly));
    flag.close();
    DeskFields d(u"Student"_s, QString());
    ui.answers = {Answer::No};
    open(d, u"1001"_s)->send();
    ASSERT_EQ(ui.messages.size(), 2);
    EXPECT_EQ(ui.messages[0].text, u"Send Email / SMS?"_s);
    EXPECT_EQ(ui.messages[0].icon, Icon::Question);
    EXPECT_EQ(ui.messages[0].defaultButton, Answer::No);
    EXPECT_EQ(ui.messages[1].text, u"Reply Sent Successfully"_s);
    EXPECT_TRUE(relay.requests.isEmpty());
    EXPECT_EQ(adminValue(u"select ftktstatus from corvane3_tkt.tkthead"_s), u"C"_s);
}

TEST_F(ReplyScreen, relayFailureIsToldNotHidden)
{
    relay.status = 500;
    DeskFields d(u"Student"_s, QString());
    open(d, u"1001"_s)->send();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    EXPECT_TRUE(ui.last().text.startsWith(QLatin1String(
            "The reply was saved and the grievance closed, but the mail to asha@mail.in was not sent: ")))
            << ui.last().text.toStdString();
    EXPECT_TRUE(ui.last().text.contains(QLatin1String("500")));
    EXPECT_EQ(detailCount(), u"1"_s);
}

TEST_F(ReplyScreen, refusalsWriteNothing)
{
    DeskFields d(u"Student"_s, QString());
    {
        // Empty reply without the reset.
        frmreplytkt screen(&d.desk, u"1001"_s);
        screen.show();
        screen.send();
        EXPECT_EQ(ui.texts(), QStringList{u"Enter email message!!"_s});
        // Esc closes without writing.
        QTest::keyClick(&screen, Qt::Key_Escape);
        EXPECT_FALSE(screen.isVisible());
        EXPECT_FALSE(screen.sent());
    }
    {
        // An empty desk.
        ui.reset();
        open(d, QString())->send();
        EXPECT_EQ(ui.texts(), QStringList{u"There is no grievance on the desk to reply to."_s});
    }
    {
        // Released by the administrator while displayed.
        ui.reset();
        admin(u"update corvane3_tkt.masuser set ftktid = null"_s);
        const auto screen = open(d, u"1001"_s);
        screen->send();
        ASSERT_EQ(ui.messages.size(), 1);
        EXPECT_EQ(ui.last().text,
                  u"This grievance has been released by the administrator and may be handled by "
                  "another user; the reply has not been sent."_s);
        EXPECT_EQ(d.refreshes, 1);
        EXPECT_FALSE(screen->isVisible());
    }
    EXPECT_EQ(detailCount(), u"0"_s);
    EXPECT_EQ(adminValue(u"select ifnull(ftktstatus,'') from corvane3_tkt.tkthead"_s), QString());
    EXPECT_TRUE(relay.requests.isEmpty());
}

TEST_F(ReplyScreen, verifiedApplicationShowsAcknowledgement)
{
    admin(u"update corvane3_tsc.studadm set fappstatus = 'verified'"_s);
    DeskFields d(u"Student"_s, QString());
    frmreplytkt screen(&d.desk, u"1001"_s);
    screen.show();
    EXPECT_FALSE(screen.findChild<QCheckBox *>(u"chk(0)"_s)->isVisible());
    EXPECT_TRUE(screen.findChild<QLabel *>(u"lback"_s)->isVisible());
}

} // namespace
