#include "deskfixture.h"

#include "core/desk/search.h"
#include "core/desk/trail.h"
#include "core/services/errors.h"
#include "core/services/sqltext.h"
#include "gui/desk/frmfindtkt.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
using desk::SearchBy;
using desk::StatusFilter;

namespace {

class Search : public DeskTest
{
protected:
    void SetUp() override
    {
        DeskTest::SetUp();
        // A second university under an existing code: the lookup names the
        // first in name order and must not repeat grievances.
        addUniversity(u"041"_s, u"Zeta University"_s, u"corvane3_tsc"_s, u"ZU"_s);
        add(11, u"Hall ticket not received"_s,
            u"My hall ticket for semester 3 is missing. Regards, O'Brien"_s, u"9840011111"_s,
            u"o'brien_x%@mail.example"_s, {}, u"041"_s, {}, u"Student"_s);
        add(12, u"50% refund"_s, u"Paid twice; receipt at C:\\docs\\fee_receipt.pdf"_s, u"98400_2222"_s,
            u"a\\b@mail.example"_s, u"alt12@alt.example"_s, u"023"_s, u"C"_s, u"1101"_s);
        add(13, u"Révision des notes"_s, u"தமிழ் தேர்வு hall ticket reçu"_s, u"9840013333"_s,
            u"r@mail.example"_s, {}, u"041"_s, u"A"_s, {});
        add(14, u"Hall tickets"_s, u"Need hall tickets for two students"_s, u"9840011111"_s,
            u"x14@mail.example"_s, u"o'brien_x%@mail.example"_s, u"023"_s, u"C"_s, u"College"_s);
        add(15, u"500 refund"_s, u"feeXreceipt and C:docs"_s, u"98400X2222"_s, u"ab@mail.example"_s, {},
            u"041"_s, {}, u"Student"_s);
        admin(u"update corvane3_tkt.tkthead set ffinaluser = 'DESK1', ffinaldate = '2026-03-05 10:00:00' "
              "where ftktid = 12"_s);
        addUser(u"DESK2"_s, u"2"_s, u"11"_s);
        signIn(u"DESK2"_s, u"2"_s);
    }

    static void add(int id, const QString &subject, const QString &message, const QString &mobile,
                    const QString &email, const QString &alt, const QString &univ, const QString &status,
                    const QString &sender)
    {
        const auto literal = [](const QString &v) { return v.isNull() ? u"null"_s : sql::quote(v); };
        admin(u"insert into corvane3_tkt.tkthead(ftktid, ftktdate, ftktfrom, ftktemail, fstudemail, ftktsub, "
              "ftktmsg, ftktuser, ftktmobile, funivcode, ftktstatus, ftktgroup) values(%1, "
              "'2026-03-04 15:05:09', 'Sender %1', %2, %3, %4, %5, %6, %7, %8, %9, '3')"_s.arg(
                      QString::number(id), literal(email), literal(alt), literal(subject), literal(message),
                      literal(sender), literal(mobile), literal(univ), literal(status)));
    }

    static std::string ids(const desk::SearchRequest &request)
    {
        QStringList out;
        for (const desk::FoundGrievance &g : desk::searchGrievances(request).rows)
            out << g.tktid;
        return out.join(QLatin1Char(',')).toStdString();
    }

    // Statements that change data, counted by the server over all clients.
    static QString writesSoFar()
    {
        return adminValue(u"select sum(variable_value) from information_schema.global_status where "
                          "variable_name in ('COM_INSERT', 'COM_UPDATE', 'COM_DELETE', 'COM_REPLACE', "
                          "'COM_INSERT_SELECT', 'COM_UPDATE_MULTI', 'COM_DELETE_MULTI', 'COM_LOAD')"_s);
    }
};

TEST_F(Search, findsWhatWasTypedAndNothingElse)
{
    struct Case
    {
        SearchBy by;
        QString text;
        QString univ;
        StatusFilter status;
        const char *expected; // newest number first
    };
    const Case cases[] = {
            {SearchBy::Number, u" 12 "_s, {}, StatusFilter::Any, "12"},
            {SearchBy::Number, u"99"_s, {}, StatusFilter::Any, ""},
            {SearchBy::Mobile, u"9840011111"_s, {}, StatusFilter::Any, "14,11"},
            {SearchBy::Mobile, u"98400_2222"_s, {}, StatusFilter::Any, "12"},
            {SearchBy::Email, u"o'brien_x%@mail.example"_s, {}, StatusFilter::Any, "14,11"},
            {SearchBy::Email, u"a\\b@mail.example"_s, {}, StatusFilter::Any, "12"},
            {SearchBy::Email, u" ALT12@alt.example "_s, {}, StatusFilter::Any, "12"},
            {SearchBy::Words, u"hall TICKET"_s, {}, StatusFilter::Any, "14,13,11"},
            {SearchBy::Words, u"ticket refund"_s, {}, StatusFilter::Any, ""},
            {SearchBy::Words, u"o'brien"_s, {}, StatusFilter::Any, "11"},
            {SearchBy::Words, u"50%"_s, {}, StatusFilter::Any, "12"},
            {SearchBy::Words, u"fee_receipt"_s, {}, StatusFilter::Any, "12"},
            {SearchBy::Words, u"C:\\docs"_s, {}, StatusFilter::Any, "12"},
            {SearchBy::Words, u"révision"_s, {}, StatusFilter::Any, "13"},
            {SearchBy::Words, u"தமிழ்"_s, {}, StatusFilter::Any, "13"},
            {SearchBy::Words, u"my hall"_s, {}, StatusFilter::Any, "11"},     // short word
            {SearchBy::Words, u"for hall"_s, {}, StatusFilter::Any, "14,11"}, // stopword
            {SearchBy::Words, u"refund,"_s, {}, StatusFilter::Any, ""},
            {SearchBy::Words, u"hall"_s, u"041"_s, StatusFilter::Any, "13,11"},
            {SearchBy::Words, u"hall"_s, {}, StatusFilter::Open, "13,11"},
            {SearchBy::Words, u"hall"_s, {}, StatusFilter::Replied, "14"},
            {SearchBy::Mobile, u"9840011111"_s, u"041"_s, StatusFilter::Replied, ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ids({c.by, c.text, c.univ, c.status}), c.expected) << c.text.toStdString();
}

TEST_F(Search, badInputIsRefusedWithAMessage)
{
    const std::pair<SearchBy, QString> cases[] = {
            {SearchBy::Number, u"abc"_s}, {SearchBy::Number, u"12a"_s},      {SearchBy::Number, u"-1"_s},
            {SearchBy::Number, u"1.5"_s}, {SearchBy::Number, u"1 or 1=1"_s}, {SearchBy::Number, u"١٢"_s},
            {SearchBy::Number, {}},       {SearchBy::Mobile, u"  "_s},       {SearchBy::Email, {}},
            {SearchBy::Words, u" \t"_s}};
    for (const auto &[by, text] : cases) {
        const desk::SearchRequest request{by, text, {}, StatusFilter::Any};
        EXPECT_FALSE(desk::checkSearch(request).isEmpty()) << text.toStdString();
        EXPECT_THROW(desk::searchGrievances(request), AppError) << text.toStdString();
    }
}

TEST_F(Search, rowsCarryTheirUniversityHolderAndReply)
{
    const desk::SearchResult found =
            desk::searchGrievances({SearchBy::Words, u"hall"_s, {}, StatusFilter::Any});
    ASSERT_EQ(found.rows.size(), 3);
    const desk::FoundGrievance &g11 = found.rows.at(2);
    EXPECT_EQ(g11.univName, u"Alpha University"_s);
    EXPECT_EQ(g11.holder, u"DESK2"_s);
    EXPECT_EQ(desk::statusText(g11.status), u"Open"_s);
    const desk::FoundGrievance &g14 = found.rows.at(0);
    EXPECT_EQ(g14.kind, u"College"_s);
    EXPECT_EQ(found.rows.at(1).kind, u"Student"_s); // NULL sender kind
    const desk::FoundGrievance g12 =
            desk::searchGrievances({SearchBy::Number, u"12"_s, {}, StatusFilter::Any}).rows.value(0);
    EXPECT_EQ(g12.repliedBy, u"DESK1"_s);
    EXPECT_EQ(g12.repliedAt, QDateTime(QDate(2026, 3, 5), QTime(10, 0)));
    EXPECT_EQ(desk::statusText(g12.status), u"Replied"_s);
    EXPECT_TRUE(g12.holder.isEmpty());

    // More than the list holds: the newest are listed and the cut is told.
    admin(u"insert into corvane3_tkt.tkthead(ftktid, ftktmobile) select 1000 + seq, '7000000000' "
          "from corvane3_tkt.seq_1_to_501"_s);
    const desk::SearchResult many =
            desk::searchGrievances({SearchBy::Mobile, u"7000000000"_s, {}, StatusFilter::Any});
    EXPECT_TRUE(many.cut);
    ASSERT_EQ(many.rows.size(), desk::kSearchLimit);
    EXPECT_EQ(many.rows.first().tktid, u"1501"_s);
    EXPECT_FALSE(desk::searchGrievances({SearchBy::Mobile, u"9840011111"_s, {}, StatusFilter::Any}).cut);
}

TEST_F(Search, trailIsInDateOrderWithRepliesNamed)
{
    // Written out of order; two rows share a second and keep the order they
    // were written in.
    admin(u"insert into corvane3_tkt.tktdetl(fdetlid, ftktid, ftkttrandate, ffromuser, ftkttransub, "
          "ftkttrangroup, ftkttranmsg) values "
          "(5, 11, '2026-03-04 10:05:00', 'DESK21', 'Re: Tkt. No. - 11 : Hall', 'XX', "
          "'Dear Student,<br><br>Sent <again> today<br><br>Regards,<br>Help Desk'), "
          "(6, 11, '2026-03-04 10:00:00', 'DESK31', null, '2', 'Check fee; it''s \\\\paid\\\\'), "
          "(7, 11, '2026-03-04 10:05:00', 'DESK21', null, '1', ''), "
          "(8, 12, '2026-03-04 09:00:00', 'DESK31', null, '2', 'other grievance')"_s);
    const QVector<desk::TrailEntry> trail = desk::trailOf(u"11"_s);
    ASSERT_EQ(trail.size(), 3);
    EXPECT_EQ(trail[0].user, u"DESK31"_s);
    EXPECT_EQ(trail[0].level, u"2"_s);
    EXPECT_EQ(trail[0].summary, u"Check fee; it's \\paid\\"_s);
    EXPECT_EQ(trail[0].when, QDateTime(QDate(2026, 3, 4), QTime(10, 0)));
    EXPECT_EQ(trail[1].level, u"Replied"_s);
    EXPECT_EQ(trail[1].summary, u"Re: Tkt. No. - 11 : Hall"_s);
    EXPECT_EQ(trail[1].fullText, u"Dear Student,\n\nSent <again> today\n\nRegards,\nHelp Desk"_s);
    EXPECT_EQ(trail[2].level, u"1"_s);
    EXPECT_TRUE(desk::trailOf(u"13"_s).isEmpty());
    EXPECT_THROW(desk::trailOf(u"11 or 1=1"_s), AppError);
}

TEST_F(Search, screenFindsShowsTheTrailAndWritesNothing)
{
    admin(u"insert into corvane3_tkt.tktdetl(ftktid, ftkttrandate, ffromuser, ftkttrangroup, ftkttranmsg) "
          "values (11, '2026-03-04 10:00:00', 'DESK31', '2', 'Forwarded with <b>remarks</b>\nline two')"_s);
    const QString writesBefore = writesSoFar();
    QPointer<frmfindtkt> form = new frmfindtkt;
    form->show();
    QApplication::processEvents();
    auto *by = form->findChild<QComboBox *>(u"cbosearchby"_s);
    auto *text = form->findChild<QLineEdit *>(u"txtsearch"_s);
    auto *grid = form->findChild<QTableWidget *>(u"grdfound"_s);
    auto *trail = form->findChild<QTreeWidget *>(u"lsttrail"_s);
    auto *message = form->findChild<QPlainTextEdit *>(u"txtmessage"_s);
    ASSERT_TRUE(by && text && grid && trail && message);

    const struct
    {
        SearchBy by;
        QString text;
        QString message; // the box shown, "" for none
        int rows;
    } cases[] = {{SearchBy::Number, u"12x"_s, u"Enter the grievance number in digits."_s, 0},
                 {SearchBy::Number, u"99"_s, u"No grievance found."_s, 0},
                 {SearchBy::Mobile, u"9840011111"_s, {}, 2}};
    for (const auto &c : cases) {
        ui.reset();
        by->setCurrentIndex(by->findData(int(c.by)));
        text->setText(c.text);
        QTest::keyClick(text, Qt::Key_Return);
        EXPECT_EQ(ui.dump(), c.message.toStdString()) << c.text.toStdString();
        EXPECT_EQ(grid->rowCount(), c.rows) << c.text.toStdString();
    }
    // The newest is selected first; it has no trail.
    EXPECT_EQ(grid->item(0, 0)->text(), u"14"_s);
    EXPECT_EQ(trail->topLevelItemCount(), 0);
    grid->selectRow(1);
    EXPECT_EQ(message->toPlainText(), u"My hall ticket for semester 3 is missing. Regards, O'Brien"_s);
    ASSERT_EQ(trail->topLevelItemCount(), 1);
    QTreeWidgetItem *line = trail->topLevelItem(0);
    EXPECT_EQ(line->text(1), u"DESK31"_s);
    EXPECT_EQ(line->text(3), u"Forwarded with <b>remarks</b> line two"_s);
    EXPECT_TRUE(line->toolTip(3).contains(u"&lt;b&gt;remarks"_s)); // shown, not rendered
    trail->setCurrentItem(line);
    EXPECT_EQ(form->findChild<QPlainTextEdit *>(u"txttrail"_s)->toPlainText(),
              u"Forwarded with <b>remarks</b>\nline two"_s);
    EXPECT_EQ(writesSoFar(), writesBefore);
    delete form.data();
}

} // namespace
