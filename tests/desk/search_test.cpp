#include "deskfixture.h"

#include "core/desk/overdue.h"
#include "core/desk/search.h"
#include "core/services/database.h"
#include "core/services/errors.h"
#include "gui/desk/findgrievancescreen.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
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
        addUniv(u"041"_s, u"Zeta University"_s);
        admin(u"insert into corvane3_tkt.tkthead(ftktid, ftktsub, ftktmsg, ftktmobile, ftktemail, "
              "fstudemail, funivcode, ftktstatus, ftktuser, ftktgroup) values (11, 'Hall ticket not "
              "received', 'My hall ticket for semester 3 is missing. Regards, O''Brien', '9840011111', "
              "'o''brien_x%@mail.example', null, '041', null, 'Student', '3'), (12, '50% refund', 'Paid "
              "twice; receipt at C:\\\\docs\\\\fee_receipt.pdf', '98400_2222', 'a\\\\b@mail.example', "
              "'alt12@alt.example', '023', 'C', '1101', '3'), (13, 'Révision des notes', 'தமிழ் தேர்வு "
              "hall ticket reçu', '9840013333', 'r@mail.example', null, '041', 'A', null, '3'), (14, "
              "'Hall tickets', 'Need hall tickets for two students (mismatch_tc)', '9840011111', "
              "'x14@mail.example', 'o''brien_x%@mail.example', '023', 'C', 'College', '3'), (15, '500 "
              "refund', 'feeXreceipt and C:docs; TC pending', '98400X2222', 'ab@mail.example', null, "
              "'041', null, 'Student', '3')"_s);
        signIn(u"DESK2"_s, u"2"_s);
    }

    // Statements that change data, counted by the server over all clients.
    static QString writesSoFar()
    {
        return adminValue(u"select sum(variable_value) from information_schema.global_status where "
                          "variable_name in ('COM_INSERT', 'COM_UPDATE', 'COM_DELETE', 'COM_REPLACE', "
                          "'COM_INSERT_SELECT', 'COM_UPDATE_MULTI', 'COM_DELETE_MULTI', 'COM_LOAD')"_s);
    }
};

// The plain whole-word match: the rows whose subject or message holds `word`,
// letter case aside, with no letter, mark, digit or underscore beside it.
QString plainMatch(const QString &word)
{
    const auto isWordChar = [](QChar c) { return c.isLetterOrNumber() || c.isMark() || c == u'_'; };
    const Rows rows = Conn::query(
            u"select ftktid, concat_ws('\n', ftktsub, ftktmsg) as t from tkthead order by ftktid desc"_s);
    QStringList found;
    for (int i = 0; i < rows.size(); ++i) {
        const QString text = u' ' + rows.value(u"t"_s, i) + u' '; // every occurrence has two neighbours
        bool holds = false;
        for (qsizetype at = text.indexOf(word, 1, Qt::CaseInsensitive); at > 0 && !holds;
             at = text.indexOf(word, at + 1, Qt::CaseInsensitive))
            holds = !isWordChar(text[at - 1]) && !isWordChar(text[at + word.size()]);
        if (holds)
            found << rows.value(u"ftktid"_s, i);
    }
    return found.join(u',');
}

QString foundNumbers(const desk::SearchRequest &request)
{
    QStringList found;
    for (const desk::FoundGrievance &g : desk::searchGrievances(request).rows)
        found << g.tktid;
    return found.join(u',');
}

// Found as typed: quotes, backslashes, "%" and "_" are data, other scripts
// match, short and common words count as whole words only, a mobile's blanks
// and dashes are left out; bad input is refused with a message and never
// reaches the server. Nothing is written.
TEST_F(Search, findsWhatWasTypedAndNothingElse)
{
    constexpr auto N = SearchBy::Number, M = SearchBy::Mobile, E = SearchBy::Email, W = SearchBy::Words;
    constexpr auto Open = StatusFilter::Open, Replied = StatusFilter::Replied;
    struct Case
    {
        SearchBy by;
        QString text;
        const char *expected; // newest number first; null: refused
        QString univ = {};
        StatusFilter status = StatusFilter::Any;
    };
    const Case cases[] = {{N, u" 12 "_s, "12"},
                          {M, u"98400 11-111"_s, "14,11"},
                          {M, u"98400_2222"_s, "12"},
                          {E, u"o'brien_x%@mail.example"_s, "14,11"},
                          {E, u"a\\b@mail.example"_s, "12"},
                          {E, u" ALT12@alt.example "_s, "12"},
                          {W, u"hall TICKET"_s, "13,11"},
                          {W, u"tc"_s, "15"},
                          {W, u"ticket refund"_s, ""},
                          {W, u"révision"_s, "13"},
                          {W, u"தமிழ்"_s, "13"},
                          {W, u"for hall"_s, "14,11"},
                          {W, u"refund,"_s, ""},
                          {W, u"hall"_s, "13,11", u"041"_s},
                          {W, u"hall"_s, "13,11", {}, Open},
                          {W, u"hall"_s, "14", {}, Replied},
                          {N, u"1 or 1=1"_s, nullptr},
                          {N, u"١٢"_s, nullptr},
                          {N, {}, nullptr},
                          {M, u" - "_s, nullptr},
                          {W, u" \t"_s, nullptr}};
    // Words with punctuation find what the plain match finds, no more, no less.
    const QStringList punctuated = {u"o'brien"_s,     u"brien"_s,   u"50%"_s,      u"%"_s,
                                    u"fee_receipt"_s, u"receipt"_s, u"C:\\docs"_s, u"docs"_s};
    // Once on a short history, read whole, and once on one too long for that
    // (a newer row far on), where the full-text index narrows the rows.
    for (const bool longHistory : {false, true}) {
        if (longHistory)
            admin(u"insert into corvane3_tkt.tkthead(ftktid, ftktsub) values (1000000, 'later')"_s);
        const QString writesBefore = writesSoFar();
        for (const Case &c : cases) {
            SCOPED_TRACE(
                    u"'%1' %2 %3 %4"_s.arg(c.text, c.univ).arg(int(c.status)).arg(longHistory).toStdString());
            const desk::SearchRequest request{c.by, c.text, c.univ, c.status};
            if (!c.expected) {
                EXPECT_FALSE(desk::checkSearch(request).isEmpty());
                EXPECT_THROW(desk::searchGrievances(request), AppError);
                continue;
            }
            EXPECT_EQ(foundNumbers(request), QString::fromUtf8(c.expected));
        }
        for (const QString &word : punctuated) {
            SCOPED_TRACE(word.toStdString());
            EXPECT_EQ(foundNumbers({W, word, {}, StatusFilter::Any}), plainMatch(word));
        }
        EXPECT_EQ(writesSoFar(), writesBefore);
    }
    // Thousands of newer rows: a word in every 60th is read newest first past
    // the newest rows, a rare one through the index, one in every row from the
    // newest alone; each the newest 500 of what the plain match finds.
    admin(u"insert into corvane3_tkt.tkthead(ftktid, ftktsub) select 3000000 + seq, if(seq % 60 = 0, "
          "'TC filler', 'filler') from corvane3_tkt.seq_1_to_6000"_s);
    for (const QString &word : {u"tc"_s, u"hall"_s, u"filler"_s, u"o'brien"_s}) {
        SCOPED_TRACE(word.toStdString());
        EXPECT_EQ(foundNumbers({W, word, {}, StatusFilter::Any}), plainMatch(word).section(u',', 0, 499));
    }
    // 500 are listed whole; one more: the newest 500 are listed and the cut is told.
    for (const int n : {500, 501}) {
        admin(u"insert ignore into corvane3_tkt.tkthead(ftktid, ftktmobile) select 1000 + seq, '7000000000' "
              "from corvane3_tkt.seq_1_to_%1"_s.arg(n));
        const desk::SearchResult many = desk::searchGrievances({M, u"7000000000"_s, {}, StatusFilter::Any});
        EXPECT_EQ(u"%1 %2 %3"_s.arg(int(many.cut)).arg(many.rows.size()).arg(many.rows.value(0).tktid),
                  n == 500 ? u"0 500 1500"_s : u"1 500 1501"_s);
    }
    // The university list holds the first 500 by name.
    admin(u"insert into corvane3_tkt.masuniv(funivcode, funivname, fdbname) select seq, concat('U', 1000 + "
          "seq), 'x' from corvane3_tkt.seq_1_to_499"_s);
    readUniversities();
    EXPECT_EQ(QString::number(session().universities.size()) + session().universities.last().name,
              u"500U1498"_s);
    // A dense history with a word in one row of twelve: read newest first,
    // the whole-word check only on the rows the index holds.
    admin(QStringList{
            u"delete from corvane3_tkt.tkthead"_s,
            u"insert into corvane3_tkt.tkthead(ftktid, ftktsub) select seq, if(seq % 12 = 0, 'TC x', "
            "'x tcx') from corvane3_tkt.seq_1_to_13000"_s});
    EXPECT_EQ(foundNumbers({W, u"tc"_s, {}, StatusFilter::Any}), plainMatch(u"tc"_s).section(u',', 0, 499));
}

// A minute each side of 48 h and 72 h by the server's clock; the latest forward
// restarts the wait (3), a reply does not (5); one without a level counts (8).
TEST_F(Search, overdueFilterFindsOpenGrievancesThatWaitedLongerThanTheLimitAtTheirLevel)
{
    admin(QStringList{
            u"delete from corvane3_tkt.massetting"_s,
            u"insert into corvane3_tkt.tkthead(ftktid, ftktdate, ftktstatus, ftktgroup, ftktsub) values (1, "
            "now() - interval 2879 minute, null, '3', 'hall'), (2, now() - interval 2881 minute, null, '3', "
            "'hall'), (3, now() - interval 9000 minute, 'A', '2', 'fee'), (4, now() - interval 9000 minute, "
            "'', '1', 'a hall'), (5, now() - interval 4000 minute, 'A', '3', 'fee'), (6, now() - interval "
            "9000 "
            "minute, 'C', '3', 'hall'), (7, now() - interval 4319 minute, null, '3', 'fee'), (8, now() - "
            "interval 4321 minute, null, null, 'fee')"_s,
            u"insert into corvane3_tkt.tktdetl(ftktid, ftkttrandate, ftkttrangroup) values (3, now() - "
            "interval 8000 minute, '2'), (3, now() - interval 2820 minute, '2'), (4, now() - interval 2940 "
            "minute, '1'), (5, now() - interval 60 minute, 'XX')"_s});
    constexpr auto N = desk::SearchBy::Number, W = desk::SearchBy::Words;
    constexpr auto Any = desk::StatusFilter::Any;
    const std::pair<desk::SearchRequest, const char *> cases[] = {
            {{N, {}, {}, Any, true}, "8,7,5,4,2"},
            {{W, u"HALL"_s, {}, Any, true}, "4,2"},
            {{N, u"3"_s, {}, Any, true}, ""},
            {{W, u"hall"_s, {}, desk::StatusFilter::Replied, true}, ""}};
    for (const auto &[request, expected] : cases) {
        SCOPED_TRACE(request.text.toStdString() + std::to_string(int(request.status)));
        EXPECT_EQ(foundNumbers(request), QString::fromLatin1(expected));
    }
    desk::setOverdueHours(u"72"_s);
    EXPECT_EQ(foundNumbers({N, {}, {}, Any, true}), u"8"_s);
}

// The screen finds by mobile, shows a dozen rows and every column at its
// opening size, the selected grievance's message and trail (markup shown,
// not rendered) beside a long contact line, and writes nothing.
TEST_F(Search, screenFindsShowsTheTrailAndWritesNothing)
{
    admin(u"insert into corvane3_tkt.tktdetl(ftktid, ftkttrandate, ffromuser, ftkttrangroup, ftkttranmsg) "
          "values (11, '2026-03-04 10:00:00', 'DESK31', '2', 'Forwarded with <b>remarks</b>\nline two')"_s);
    admin(u"insert into corvane3_tkt.tkthead(ftktid, ftktmobile, ftktfrom, fstudemail) select seq, "
          u"'9840011111', "
          "repeat('Sender ', 12), repeat('x', 90) from corvane3_tkt.seq_1_to_10"_s);
    const QString writesBefore = writesSoFar();
    FindGrievanceScreen form;
    form.resize(form.sizeHint()); // as the main window opens it
    form.show();
    auto *by = form.findChild<QComboBox *>(u"searchBy"_s);
    auto *text = form.findChild<QLineEdit *>(u"searchText"_s);
    auto *grid = form.findChild<QTableWidget *>(u"results"_s);
    auto *trail = form.findChild<QTreeWidget *>(u"trailEntries"_s);
    by->setCurrentIndex(by->findData(int(SearchBy::Mobile)));
    text->setText(u"9840011111"_s);
    QTest::keyClick(text, Qt::Key_Return);
    ASSERT_EQ(grid->rowCount(), 12) << ui.dump();
    EXPECT_EQ(grid->rowAt(grid->viewport()->height() - 1), -1); // all twelve in view
    EXPECT_EQ(grid->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(grid->item(0, 0)->text() + u"|"_s + QString::number(trail->topLevelItemCount()), u"14|0"_s);
    grid->selectRow(1);
    EXPECT_EQ(form.findChild<QPlainTextEdit *>(u"message"_s)->toPlainText(),
              u"My hall ticket for semester 3 is missing. Regards, O'Brien"_s);
    ASSERT_EQ(trail->topLevelItemCount(), 1);
    EXPECT_EQ(trail->topLevelItem(0)->text(3), u"Forwarded with <b>remarks</b> line two"_s);
    EXPECT_TRUE(trail->topLevelItem(0)->toolTip(3).contains(u"&lt;b&gt;remarks"_s));
    EXPECT_EQ(writesSoFar(), writesBefore);
}

} // namespace
