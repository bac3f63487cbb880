#include "deskfixture.h"

#include "core/desk/replytemplates.h"
#include "gui/admin/templatesscreen.h"
#include "gui/desk/replydialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

using namespace Qt::StringLiterals;
namespace rt = replytemplates;

namespace {

// Templates for every university, for 041 and for 023.
class Templates : public DeskTest
{
protected:
    void SetUp() override
    {
        DeskTest::SetUp();
        admin({u"delete from corvane3_tkt.masreply"_s,
               u"insert into corvane3_tkt.masreply(freplyname, freplytext, funivcode) values "
               "('Zeal', 'z', '041'), ('result withheld', 'r', '023'), ('apology', 'Sorry, {student}.', "
               "null), "
               "('Hall ticket', 'Your hall ticket for {number} ({student}, {university}) is ready.', '041')"_s});
    }
    static QString stored()
    {
        return adminValue(u"select group_concat(concat_ws(':', freplyname, length(freplytext), "
                          "ifnull(funivcode, '*')) order by freplyid) from corvane3_tkt.masreply"_s);
    }
    static QStringList names(const QVector<rt::Template> &list)
    {
        QStringList out;
        for (const rt::Template &t : list)
            out << t.name;
        return out;
    }
};

TEST(TemplateFill, everyPlaceholderIsFilledAndNoValueIsReadAsOne)
{
    // text, student, number, university, filled
    const std::tuple<QString, QString, QString, QString, QString> cases[] = {
            {u"Dear {student}, {number} at {university}."_s, u"Asha"_s, u"9"_s, u"Alpha"_s,
             u"Dear Asha, 9 at Alpha."_s},
            {u"{STUDENT}/{Number}{number}"_s, u" Asha "_s, u"7"_s, u""_s, u"Asha/77"_s},
            {u"Dear {student}, at {university}."_s, u""_s, u"5"_s, u""_s, u"Dear , at ."_s},
            {u"{student} {number}"_s, u"{number}"_s, u"12"_s, u"x"_s, u"{number} 12"_s},
            {u"{studnet} {} {university"_s, u"A"_s, u"1"_s, u"U"_s, u"{studnet} {} {university"_s}};
    for (const auto &[text, student, number, university, filled] : cases) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(rt::fill(text, {student, number, university}), filled);
    }
    EXPECT_EQ(rt::unknownPlaceholders(u"{student} {studnet} {Number} {x_y}"_s),
              QStringList({u"{studnet}"_s, u"{x_y}"_s}));
}

TEST_F(Templates, offeredForEveryUniversityAndTheGrievancesOwnByName)
{
    const std::pair<QString, QStringList> cases[] = {{u"041"_s, {u"apology"_s, u"Hall ticket"_s, u"Zeal"_s}},
                                                     {u"023"_s, {u"apology"_s, u"result withheld"_s}},
                                                     {u"04"_s, {u"apology"_s}},
                                                     {u""_s, {u"apology"_s}}};
    for (const auto &[code, offered] : cases) {
        SCOPED_TRACE(code.toStdString());
        EXPECT_EQ(names(rt::forUniversity(code)), offered);
    }
}

TEST_F(Templates, badInputAndNamesTheCollationTakesAsOneAreRefusedUnwritten)
{
    const QString name61 = QString(61, u'é'),
                  long61 = u"The name \"%1\" is too long: a template's name may hold "
                           "at most 60 characters."_s.arg(name61);
    const QString dup = u"A template named \"Hall ticket\" exists already; choose another name."_s;
    // id ("" adds; "hall" is Hall ticket's), name, text, refusal ("" saves)
    const std::tuple<QString, QString, QString, QString> cases[] = {
            {u""_s, u"  "_s, u"x"_s, u"Enter the template's name."_s},
            {u""_s, name61, u"x"_s, long61},
            {u""_s, name61.left(60), u"x"_s, u""_s},
            {u""_s, u"Empty"_s, u" \n "_s, u"Enter the text of \"Empty\"."_s},
            {u""_s, u"Big"_s, QString(65535, u'a'), u""_s},
            {u""_s, u"Bigger"_s, QString(32768, u'é'),
             u"The text of \"Bigger\" is too long: it takes 65536 bytes, a template's text at most 65535."_s},
            {u""_s, u"Typo"_s, u"Dear {Student}, {studnet}"_s,
             u"The text of \"Typo\" holds {studnet}, which is no placeholder; use {student}, {number}, {university}."_s},
            {u""_s, u" HALL TICKET "_s, u"x"_s, dup},
            {u""_s, u"Hall tickets"_s, u"x"_s, u""_s},
            {u"hall"_s, u"ZEAL"_s, u"x"_s,
             u"A template named \"Zeal\" exists already; choose another name."_s},
            {u"hall"_s, u"HALL TICKET"_s, u"y"_s, u""_s}, // its own name in another case
            {u"999"_s, u"Gone"_s, u"x"_s,
             u"\"Gone\" was not saved: the template has been deleted meanwhile."_s}};
    const QString hall =
            adminValue(u"select freplyid from corvane3_tkt.masreply where freplyname = 'Hall ticket'"_s);
    for (const auto &[id, name, text, refusal] : cases) {
        SCOPED_TRACE(name.left(20).toStdString());
        const rt::SaveOutcome outcome = rt::save({id == u"hall"_s ? hall : id, name, text, u"023"_s});
        EXPECT_EQ(outcome.refusal, refusal);
        EXPECT_EQ(outcome.saved, refusal.isEmpty());
    }
    EXPECT_EQ(stored(),
              u"Zeal:1:041,result withheld:1:023,apology:17:*,HALL TICKET:1:023,%1:1:023,Big:65535:023,"
              "Hall tickets:1:023"_s.arg(name61.left(60)));
}

TEST_F(Templates, theScreenAddsAndDeletesOnlyTheChosenOneAfterAsking)
{
    TemplatesScreen screen;
    screen.show();
    auto *list = screen.findChild<QTreeWidget *>(u"templateList"_s);
    ASSERT_EQ(list->topLevelItemCount(), 4);
    EXPECT_EQ(list->topLevelItem(3)->text(1), u"041 - Alpha University"_s);
    list->setCurrentItem(list->topLevelItem(2)); // neither the first nor the last stored
    ui.answers = {Answer::No, Answer::Yes};
    for (int i = 0; i < 2; ++i)
        screen.findChild<QPushButton *>(u"deleteButton"_s)->click();
    EXPECT_EQ(ui.texts(), QStringList(2, u"Delete the template \"result withheld\"?"_s));

    screen.findChild<QPushButton *>(u"addButton"_s)->click();
    QTest::keyClicks(screen.findChild<QLineEdit *>(u"templateName"_s), u"Final submission"_s);
    ui.answers = {Answer::No}; // choosing another keeps the unsaved form
    list->setCurrentItem(list->topLevelItem(0));
    EXPECT_EQ(ui.last().text, u"The changes to the new template are not saved. Leave them?"_s);
    auto *university = screen.findChild<QComboBox *>(u"templateUniversity"_s);
    university->setCurrentIndex(university->findText(u"023 - Beta University"_s));
    screen.findChild<QTextEdit *>(u"templateText"_s)->setPlainText(u"Reset."_s);
    screen.findChild<QPushButton *>(u"saveButton"_s)->click();
    EXPECT_EQ(stored(), u"Zeal:1:041,apology:17:*,Hall ticket:65:041,Final submission:6:023"_s);
    EXPECT_EQ(list->currentItem()->text(0), u"Final submission"_s);
}

// Chosen by the keyboard, the filled template goes in at the cursor; the reply
// as edited afterwards is what the trail records.
TEST_F(Templates, theReplyOffersFiltersAndSendsTheEditedTemplate)
{
    addUser(u"U1"_s, u"C"_s, u"5"_s);
    addGrievance(5, u"'C'"_s, u"null"_s);
    signIn(u"U1"_s, u"C"_s);
    desk::Grievance g;
    g.tktid = u"5"_s, g.from = u"Asha Rao"_s, g.univCode = u"041"_s, g.kind = u"Student"_s;
    g.univ = desk::selectUniversity(g.univCode);
    ReplyDialog dialog(g, ReplyHooks());
    dialog.show();
    auto *list = dialog.findChild<QListWidget *>(u"templateList"_s);
    const auto visible = [list] {
        QStringList shown;
        for (int i = 0; i < list->count(); ++i)
            if (!list->item(i)->isHidden())
                shown << list->item(i)->text();
        return shown;
    };
    EXPECT_EQ(visible(), QStringList({u"apology"_s, u"Hall ticket"_s, u"Zeal"_s}));
    auto *reply = dialog.findChild<QTextEdit *>(u"replyText"_s);
    reply->setPlainText(u"Hello.\nBye."_s);
    reply->moveCursor(QTextCursor::NextBlock);
    auto *filter = dialog.findChild<QLineEdit *>(u"templateFilter"_s);
    QTest::keyClicks(filter, u"TIC"_s);
    EXPECT_EQ(visible(), QStringList({u"Hall ticket"_s}));
    QTest::keyClick(filter, Qt::Key_Return);
    QTest::keyClicks(reply, u" Edited."_s);
    QTest::keyClick(reply, Qt::Key_Return);
    dialog.findChild<QLineEdit *>(u"recipient"_s)->clear(); // no mail
    dialog.send();
    EXPECT_EQ(adminValue(u"select ftkttranmsg from corvane3_tkt.tktdetl where ftktid = 5"_s),
              u"Dear Student,<br><br>Hello.\nYour hall ticket for 5 (Asha Rao, Alpha University) is ready. "
              "Edited.\nBye.<br><br>Regards,<br>Help Desk<br>Alpha University"_s);
}

} // namespace
