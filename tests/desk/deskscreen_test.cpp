#include "deskfixture.h"

#include "core/services/config.h"
#include "gui/desk/deskscreen.h"
#include "gui/desk/pastgrievancedialog.h"
#include "gui/desk/replydialog.h"
#include "gui/shell/waitdialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

class Desk : public DeskTest
{
protected:
    void SetUp() override
    {
        DeskTest::SetUp();
        addUser(u"U1"_s, u"C"_s);
        addUser(u"U9"_s, u"B"_s); // the next level: the nearest below C, not the lowest
        addUser(u"U0"_s, u"A"_s);
        addUser(u"UD"_s, u"D"_s);
        signIn(u"U1"_s, u"C"_s);
        open();
    }
    void TearDown() override
    {
        delete form.data();
        WaitDialog::closeIfOpen();
        DeskTest::TearDown();
    }
    void open()
    {
        delete form.data();
        form = new DeskScreen;
        form->show();
    }
    QString shown() const { return form->displayed().tktid; }
    QPushButton *button(const QString &name) const { return form->findChild<QPushButton *>(name); }
    bool polling() const { return form->findChild<QTimer *>(u"poller"_s)->isActive(); }
    QStringList trail() const
    {
        QStringList lines;
        auto *list = form->findChild<QTreeWidget *>(u"trailEntries"_s);
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            for (int c : {1, 2, 3})
                lines << list->topLevelItem(i)->text(c);
        return lines;
    }
    // What the user reads: the summary grid by line, the status bar's totals
    // and the alert when it shows.
    QString summary() const
    {
        QStringList lines;
        const auto *grid = form->findChild<QTableWidget *>();
        for (int r = 0; r < grid->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < grid->columnCount(); ++c)
                cells << grid->item(r, c)->text();
            lines << cells.join(u'|');
        }
        for (const QLabel *label : form->findChildren<QLabel *>())
            if (label->isVisible() &&
                (qobject_cast<QStatusBar *>(label->parent()) || label->text() == u"No Inquiries!!"_s))
                lines << label->text();
        return lines.join(u'\n');
    }

    QPointer<DeskScreen> form;
};

// U1 picks 5 and forwards it with remarks, then picks 6, whose
// university is missing from the list, and replies; U9 at the next level
// receives 5 with the remarks in its trail, which goes when it waits again.
TEST_F(Desk, pickForwardReplyAndTheTrailAtTheNextLevel)
{
    addGrievance(6, u"'C'"_s, u"null"_s, u"777"_s);
    addGrievance(5, u"'C'"_s, u"null"_s, u"041"_s, u"null"_s);
    form->pollTick();
    EXPECT_EQ(shown() + form->displayed().kind + heldBy(u"U1"_s) + lockFlag(), u"5Student5"_s);
    EXPECT_TRUE(!polling() && trail().isEmpty());
    button(u"forwardButton"_s)->click();
    const QString remark = u"It's for the registrar\nline two"_s + u" xxxxxxxxxxxxxxxxxxxx"_s.repeated(16);
    form->findChild<QPlainTextEdit *>(u"remarks"_s)->setPlainText(remark);
    button(u"sendForwardButton"_s)->click();
    EXPECT_EQ(ui.texts(), QStringList{u"Forwarded to next level"_s});

    // An unknown university selects none: the reply gets no copy address and
    // no reset offer looked up in the previous university's database.
    form->pollTick();
    const QLineEdit *university = form->findChild<QLineEdit *>(u"university"_s);
    EXPECT_EQ(university->text() + QString::number(university->cursorPosition()),
              u"777 - 0"_s); // from its start
    EXPECT_EQ(session().chosenUniversityEmail + session().chosenUniversityDb, QString());
    session().installationCode = u"041"_s;
    admin(QStringList{u"delete from corvane3_tsc.studadm"_s,
                      u"insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, ffinsub) "
                      "values('0001', 'C1', 'BA', '984006', 'T')"_s});
    bool send = false;
    QString seen;
    ui.onModal = [&](QObject *w) {
        if (auto *reply = qobject_cast<ReplyDialog *>(w)) {
            reply->show();
            const bool offered = reply->findChild<QCheckBox *>(u"resetFinalSubmission"_s)->isVisible();
            seen = reply->findChild<QLineEdit *>(u"copyTo"_s)->text() + (offered ? u"reset"_s : u""_s);
            reply->findChild<QTextEdit *>(u"replyText"_s)->setPlainText(u"done"_s);
            if (send) {
                reply->findChild<QLineEdit *>(u"recipient"_s)->clear(); // no mail
                reply->send();
            }
        } else if (w == WaitDialog::instance()) { // the next tick closes it
            WaitDialog::instance()->show();
            form->pollTick();
            seen += WaitDialog::isOpen() ? u"wait left open"_s : u"wait closed"_s;
        }
        return 0;
    };
    button(u"replyButton"_s)->click(); // closed without sending: no wait window, the grievance stays
    EXPECT_EQ(seen + shown() + (polling() ? u" polling"_s : QString()), u"6"_s);
    send = true;
    button(u"replyButton"_s)->click();
    EXPECT_EQ(seen, u"wait closed"_s);

    signIn(u"U9"_s, u"B"_s);
    open();
    form->pollTick();
    ASSERT_EQ(shown(), u"5"_s);
    EXPECT_EQ(trail(),
              (QStringList{u"U1"_s, u"as raised → level B"_s, QString(remark).replace(u'\n', u' ')}));
    // Whole and wrapped: the row as tall as the lines.
    auto *entries = form->findChild<QTreeWidget *>(u"trailEntries"_s);
    const QRect row = entries->visualItemRect(entries->topLevelItem(0));
    EXPECT_GE(row.height(), 4 * entries->fontMetrics().lineSpacing());
    button(u"refreshButton"_s)->click();
    EXPECT_TRUE(shown().isEmpty() && polling() && trail().isEmpty());
}

// Picked, a grievance shows its waits and the sender's other grievances;
// Enter on one opens it, with its trail.
TEST_F(Desk, theWaitAndTheSendersOtherGrievances)
{
    admin({u"insert into corvane3_tkt.tkthead(ftktid, ftktdate, ftktgroup, ftktmobile, ftktmsg, ftktstatus) "
           "values (5, now() - interval 76 hour - interval 30 second, 'C', '98', '', null), "
           "(2, now(), 'B', '98', 'Fee not paid', 'C'), (4, now(), 'B', '99', '', null)"_s,
           u"insert into corvane3_tkt.tktdetl(ftktid, ftkttrandate, ftkttrangroup, ftkttranmsg) values "
           "(5, now() - interval 5 hour - interval 30 second, 'C', ''), (2, now(), 'B', 'see fee')"_s});
    form->pollTick();
    ASSERT_EQ(shown(), u"5"_s);
    EXPECT_EQ(form->findChild<QLineEdit *>(u"waiting"_s)->text(),
              u"3 d 4 h since raised, 5 h 0 min at this level"_s);
    auto *history = form->findChild<QTreeWidget *>(u"senderHistory"_s);
    ASSERT_EQ(history->topLevelItemCount(), 1);
    QString seen;
    ui.onModal = [&](QObject *w) {
        if (auto *past = qobject_cast<PastGrievanceDialog *>(w))
            seen = past->findChild<QPlainTextEdit *>(u"pastMessage"_s)->toPlainText() + u'|' +
                   past->findChild<QTreeWidget *>(u"trailEntries"_s)->topLevelItem(0)->text(3);
        return 0;
    };
    history->setCurrentItem(history->topLevelItem(0));
    QTest::keyClick(history, Qt::Key_Return);
    EXPECT_EQ(seen, u"Fee not paid|see fee"_s);
}

// A failure is reported once, not on every tick, and frees the lock; a lock
// left by a stopped client is cleared after a minute of held ticks. While no
// server answers, one message, quiet retries shown in the status bar, and the
// desk can be left; it picks again when the server is back.
TEST_F(Desk, aFailingTickAndAStaleLockDoNotStopTheDesk)
{
    addGrievance(5, u"'C'"_s, u"null"_s);
    {
        const TableAway away(u"corvane3_tkt.tkthead"_s);
        for (int i = 0; i < 3; ++i)
            form->pollTick();
    }
    EXPECT_EQ(lockFlag(), QString());
    ASSERT_EQ(ui.messages.size(), 2) << ui.dump(); // the assignment step and the summary
    EXPECT_TRUE(ui.messages.at(0).text.endsWith(QLatin1String(" 1146"))) << ui.dump();

    admin(u"update corvane3_tkt.control set fstarted = 'T'"_s);
    const QDateTime t0(QDate(2026, 3, 4), QTime(10, 0, 0));
    for (int s : {0, 59, 60}) {
        EXPECT_EQ(lockFlag(), u"T"_s) << s;
        ui.clock = t0.addSecs(s);
        form->pollTick();
    }
    EXPECT_EQ(lockFlag(), QString());
    form->pollTick();
    EXPECT_EQ(shown(), u"5"_s);
    EXPECT_EQ(ui.messages.size(), 2);

    const QString port = Config::instance().port;
    const auto serverDies = [] { killConn(), Config::instance().port = u"1"_s; };
    button(u"refreshButton"_s)->click();
    serverDies();
    for (int i = 0; i < 3; ++i)
        form->pollTick();
    EXPECT_FALSE(form->findChild<QStatusBar *>()->currentMessage().isEmpty());
    Config::instance().port = port;
    form->pollTick();
    EXPECT_EQ(shown() + form->findChild<QStatusBar *>()->currentMessage(), u"5"_s);
    serverDies();
    button(u"closeButton"_s)->click();
    Config::instance().port = port;
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(ui.messages.size(), 4) << ui.dump();
}

// Lines by university (in code order) and sender, today's replies of this
// user, the totals twice, and "No Inquiries!!" only while none waits; with no
// level, one message instead and no pick, not even of a grievance sent to none.
TEST_F(Desk, theSummaryTotalsAndAlertAsShown)
{
    const QString add =
            u"insert into corvane3_tkt.tkthead(ftktid, ftktgroup, ftktstatus, ftktuser, funivcode, "
            "ffinaluser, ffinaldate) values "_s;
    admin(add +
          u"(5, 'C', 'C', 'Student', '041', 'U1', now()), (6, 'C', 'C', 'College X', '041', 'U1', now()), "
          "(7, 'B', null, 'Student', '023', null, null), (4, 'C', 'C', 'Student', '041', 'U9', now())"_s);
    form->pollTick();
    EXPECT_EQ(
            summary(),
            u"University|Pend.|Reply|Over|Oldest\nBet - Student|0|0|0|\nALU - College|0|1|0|\n"
            "ALU - Student|0|1|0|\nTotal|0|2|0|\nNo Inquiries!!\nGrievance Pending : 0\nGrievances Replied : 2"_s);
    admin(add +
          u"(9, 'C', 'A', 'College', '023', null, null), (8, 'C', null, 'Student', '023', null, null)"_s);
    admin(u"update corvane3_tkt.tkthead set ftktdate = now() - interval 300 hour where ftktid = 9"_s);
    const QDateTime t0(QDate(2026, 3, 4), QTime(10, 0, 0));
    ui.clock = t0;
    form->pollTick();
    EXPECT_EQ(shown() + u'\n' + summary(),
              u"8\nUniversity|Pend.|Reply|Over|Oldest\nBet - College|1|0|1|12 d 12 h\nBet - Student|1|0|0|\n"
              "ALU - College|0|1|0|\nALU - Student|0|1|0|\nTotal|2|2|1|12 d 12 h\n"
              "Grievance Pending : 2\nGrievances Replied : 2"_s);
    QCoreApplication::processEvents(); // the grid lays its columns out
    EXPECT_EQ(form->findChild<QTableWidget *>()->horizontalScrollBar()->maximum(), 0); // every column in view
    // Same counts: the overdue columns are read again a minute later, not before.
    admin(u"update corvane3_tkt.tkthead set ftktdate = now() - interval 49 hour where ftktid = 8"_s);
    for (const auto &[s, over] : {std::pair{59, u"Total|2|2|1|"_s}, std::pair{60, u"Total|2|2|2|"_s}}) {
        ui.clock = t0.addSecs(s);
        form->pollTick();
        EXPECT_TRUE(summary().contains(over)) << s << summary().toStdString();
    }
    addGrievance(3, u"null"_s, u"null"_s);
    signIn(u"UN"_s, QString());
    open();
    for (int i = 0; i < 3; ++i)
        form->pollTick();
    EXPECT_EQ(ui.texts() << shown() + lockFlag() + form->findChild<QStatusBar *>()->currentMessage(),
              QStringList(2, u"No level is set for your account; ask the administrator"_s));
}

} // namespace
