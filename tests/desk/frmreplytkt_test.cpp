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
        timer->setObjectName(QStringLiteral("Timer1"));
        refresh->setObjectName(QStringLiteral("cmd(6)"));
        QObject::connect(refresh, &QPushButton::clicked, [this] { ++refreshes; });
        const QList<QPair<QString, QString>> values = {
            {QStringLiteral("text(0)"), QStringLiteral("1001")},
            {QStringLiteral("text(1)"), type},
            {QStringLiteral("text(5)"), QStringLiteral("REG1")},
            {QStringLiteral("text(2)"), QStringLiteral("Asha")},
            {QStringLiteral("text(3)"), QStringLiteral("Fee & refund")},
            {QStringLiteral("text(6)"), QStringLiteral("9000000001")},
            {QStringLiteral("text(7)"), QStringLiteral("asha@mail.in")},
            {QStringLiteral("text(10)"), altEmail},
            {QStringLiteral("text(11)"), QStringLiteral("041 - Tessaly Central University")},
            {QStringLiteral("mskdt"), QStringLiteral("01/12/2026")}};
        for (const auto &v : values) {
            auto *edit = new QLineEdit(v.second, &desk);
            edit->setObjectName(v.first);
        }
        auto *message = new QPlainTextEdit(QStringLiteral("Please refund"), &desk);
        message->setObjectName(QStringLiteral("text(4)"));
        auto *db = new QLabel(QStringLiteral("corvane3_tsc"), &desk);
        db->setObjectName(QStringLiteral("lbdbname"));
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
            QStringLiteral("insert into corvane3_tkt.masuser(fusername, fgroup, ftktid) values('DESK31', '3', '1001')"),
            QStringLiteral("insert into corvane3_tkt.tkthead(ftktid, ftktsub, ftktgroup, funivcode) "
                           "values(1001, 'Fee & refund', '3', '041')"),
            QStringLiteral("delete from corvane3_tsc.studadm"),
            QStringLiteral("insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, ffinsub, fappstatus) "
                           "values('0001', 'C1', 'BA', '9000000001', 'T', null)")});
        session().LoginUser = QStringLiteral("DESK31");
        session().InstUnivCode = QStringLiteral("041");
        session().SelUnivEmail = QStringLiteral("help@tsc.in");
        Config::instance().relay = relay.address();
        Config::instance().relayTimeoutMs = 700;
        Config::instance().programDir = dir.path();
    }
    void TearDown() override
    {
        Config::instance() = saved;
        DbTest::TearDown();
    }

    QString detailCount() { return adminValue(QStringLiteral("select count(*) from corvane3_tkt.tktdetl")); }
    QString mailed(const QString &key)
    {
        const QUrl url(QStringLiteral("http://x") + QString::fromLatin1(relay.requests.at(0).target));
        return QUrlQuery(url).queryItemValue(key, QUrl::FullyDecoded);
    }

    Config saved = Config::instance();
    FakeRelay relay;
    QTemporaryDir dir;
};

TEST_F(ReplyScreen, sendRecordsClosesMailsAndRestartsTheDesk)
{
    DeskFields d(QStringLiteral("Student"), QStringLiteral("alt@mail.in"));
    frmreplytkt screen(&d.desk, QStringLiteral("1001"));
    screen.show();
    EXPECT_EQ(screen.findChild<QLineEdit *>(QStringLiteral("text(0)"))->text(), QStringLiteral("alt@mail.in"));
    EXPECT_EQ(screen.findChild<QLineEdit *>(QStringLiteral("text(1)"))->text(), QStringLiteral("help@tsc.in"));
    EXPECT_EQ(screen.findChild<QLineEdit *>(QStringLiteral("text(2)"))->text(),
              QStringLiteral("Re: Tkt. No. - 1001 : Fee & refund"));
    auto *reset = screen.findChild<QCheckBox *>(QStringLiteral("chk(0)"));
    EXPECT_TRUE(reset->isVisible());
    reset->setChecked(true);
    screen.findChild<QTextEdit *>(QStringLiteral("rtb"))->setPlainText(QStringLiteral("It's done; 100% & more"));

    screen.findChild<QPushButton *>(QStringLiteral("cmd(0)"))->click();

    EXPECT_EQ(ui.texts(), QStringList{QStringLiteral("Reply Sent Successfully")});
    EXPECT_EQ(ui.last().icon, Icon::Information);
    const QString body = QStringLiteral("Dear Student,<br><br>It's done; 100% & more<br>We are resetting the final "
                                        "submission that you have made on your request. Login and make the corrections "
                                        "and do the final submission once again.<br><br>Regards,<br>Help Desk<br>"
                                        "Tessaly Central University");
    ASSERT_EQ(relay.requests.size(), 1);
    EXPECT_EQ(mailed(QStringLiteral("body")), body);
    EXPECT_EQ(mailed(QStringLiteral("subject")), QStringLiteral("Re: Tkt. No. - 1001 : Fee & refund"));
    EXPECT_EQ(mailed(QStringLiteral("cc")), QStringLiteral("help@tsc.in"));
    EXPECT_EQ(adminValue(QStringLiteral("select ftkttranmsg from corvane3_tkt.tktdetl")), body);
    EXPECT_EQ(adminValue(QStringLiteral("select ftktstatus from corvane3_tkt.tkthead")), QStringLiteral("C"));
    EXPECT_EQ(adminValue(QStringLiteral("select ifnull(ffinsub,'NULL') from corvane3_tsc.studadm")), QStringLiteral("NULL"));
    EXPECT_TRUE(d.timer->isActive());
    EXPECT_TRUE(screen.sent());
    EXPECT_FALSE(screen.isVisible());
}

TEST_F(ReplyScreen, collegeWithoutRecipientIsRecordedButNotMailed)
{
    DeskFields d(QStringLiteral("College"), QStringLiteral("x@y"));
    d.desk.findChild<QLineEdit *>(QStringLiteral("text(7)"))->clear();
    session().InstUnivCode = QStringLiteral("003");
    frmreplytkt screen(&d.desk, QStringLiteral("1001"));
    screen.show();
    EXPECT_FALSE(screen.findChild<QCheckBox *>(QStringLiteral("chk(0)"))->isVisible());
    EXPECT_EQ(screen.findChild<QLineEdit *>(QStringLiteral("text(0)"))->text(), QString());
    screen.findChild<QTextEdit *>(QStringLiteral("rtb"))->setPlainText(QStringLiteral("ok"));
    screen.send();
    EXPECT_EQ(ui.texts(), QStringList{QStringLiteral("Reply Sent Successfully")});
    EXPECT_TRUE(relay.requests.isEmpty());
    EXPECT_EQ(detailCount(), QStringLiteral("1"));
    EXPECT_TRUE(adminValue(QStringLiteral("select ftkttranmsg from corvane3_tkt.tktdetl"))
                    .startsWith(QLatin1String("Dear Sir / Madam,<br><br>ok")));
}

TEST_F(ReplyScreen, noEmailLogAnsweredNoSkipsTheMail)
{
    QFile flag(dir.filePath(QStringLiteral("noemail.log")));
    ASSERT_TRUE(flag.open(QIODevice::WriteOnly));
    flag.close();
    DeskFields d(QStringLiteral("Student"), QString());
    frmreplytkt screen(&d.desk, QStringLiteral("1001"));
    screen.show();
    screen.findChild<QTextEdit *>(QStringLiteral("rtb"))->setPlainText(QStringLiteral("ok"));
    ui.answers = {Answer::No};
    screen.send();
    ASSERT_EQ(ui.messages.size(), 2);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Send Email / SMS?"));
    EXPECT_EQ(ui.messages[0].icon, Icon::Question);
    EXPECT_EQ(ui.messages[0].defaultButton, Answer::No);
    EXPECT_EQ(ui.messages[1].text, QStringLiteral("Reply Sent Successfully"));
    EXPECT_TRUE(relay.requests.isEmpty());
    EXPECT_EQ(adminValue(QStringLiteral("select ftktstatus from corvane3_tkt.tkthead")), QStringLiteral("C"));
}

TEST_F(ReplyScreen, relayFailureIsToldNotHidden)
{
    relay.status = 500;
    DeskFields d(QStringLiteral("Student"), QString());
    frmreplytkt screen(&d.desk, QStringLiteral("1001"));
    screen.show();
    screen.findChild<QTextEdit *>(QStringLiteral("rtb"))->setPlainText(QStringLiteral("ok"));
    screen.send();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    EXPECT_TRUE(ui.last().text.startsWith(
        QLatin1String("The reply was saved and the grievance closed, but the mail to asha@mail.in was not sent: ")))
        << ui.last().text.toStdString();
    EXPECT_TRUE(ui.last().text.contains(QLatin1String("500")));
    EXPECT_EQ(detailCount(), QStringLiteral("1"));
}

TEST_F(ReplyScreen, refusalsWriteNothing)
{
    DeskFields d(QStringLiteral("Student"), QString());
    {
        // Empty reply without the reset.
        frmreplytkt screen(&d.desk, QStringLiteral("1001"));
        screen.show();
        screen.send();
        EXPECT_EQ(ui.texts(), QStringList{QStringLiteral("Enter email message!!")});
        // Esc closes without writing.
        QTest::keyClick(&screen, Qt::Key_Escape);
        EXPECT_FALSE(screen.isVisible());
        EXPECT_FALSE(screen.sent());
    }
    {
        // An empty desk.
        ui.reset();
        frmreplytkt screen(&d.desk, QString());
        screen.show();
        screen.findChild<QTextEdit *>(QStringLiteral("rtb"))->setPlainText(QStringLiteral("ok"));
        screen.send();
        EXPECT_EQ(ui.texts(), QStringList{QStringLiteral("There is no grievance on the desk to reply to.")});
    }
    {
        // Released by the administrator while displayed.
        ui.reset();
        admin(QStringLiteral("update corvane3_tkt.masuser set ftktid = null"));
        frmreplytkt screen(&d.desk, QStringLiteral("1001"));
        screen.show();
        screen.findChild<QTextEdit *>(QStringLiteral("rtb"))->setPlainText(QStringLiteral("ok"));
        screen.send();
        ASSERT_EQ(ui.messages.size(), 1);
        EXPECT_TRUE(ui.last().text.startsWith(QLatin1String("This grievance has been released by the administrator")));
        EXPECT_EQ(d.refreshes, 1);
        EXPECT_FALSE(screen.isVisible());
    }
    EXPECT_EQ(detailCount(), QStringLiteral("0"));
    EXPECT_EQ(adminValue(QStringLiteral("select ifnull(ftktstatus,'') from corvane3_tkt.tkthead")), QString());
    EXPECT_TRUE(relay.requests.isEmpty());
}

TEST_F(ReplyScreen, verifiedApplicationShowsAcknowledgement)
{
    admin(QStringLiteral("update corvane3_tsc.studadm set fappstatus = 'verified'"));
    DeskFields d(QStringLiteral("Student"), QString());
    frmreplytkt screen(&d.desk, QStringLiteral("1001"));
    screen.show();
    EXPECT_FALSE(screen.findChild<QCheckBox *>(QStringLiteral("chk(0)"))->isVisible());
    EXPECT_TRUE(screen.findChild<QLabel *>(QStringLiteral("lback"))->isVisible());
}

} // namespace
