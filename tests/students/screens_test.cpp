// One scenario per student-records screen: opened, its main path, a refusal.
#include "core/services/session.h"
#include "gui/services/formutil.h"
#include "gui/students/frmchangedeg.h"
#include "gui/students/frmimpstuddata.h"
#include "gui/students/frmimpstuddataxls.h"

#include "studentsfixture.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The screen opens, as from the menu, inside a main window that is already
// active: it gets no activation of its own, and must list the universities
// all the same.
template<class Screen>
class ScreenTest : public StudentsTest
{
protected:
    void SetUp() override
    {
        StudentsTest::SetUp();
        host.resize(900, 700);
        mdi->resize(900, 700);
        host.show();
        host.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
        screen = new Screen;
        mdi->setActiveSubWindow(mdi->addSubWindow(screen));
        screen->show();
        QApplication::processEvents();
        // Whether the busy pointer was up while each message box was shown.
        ui.onMessage = [this](const MessageRequest &) {
            busy << (QApplication::overrideCursor() != nullptr);
        };
        auto *cmb = screen->template findChild<QComboBox *>(u"cmb"_s);
        ASSERT_EQ(cmb->count(), 3);
        cmb->setCurrentIndex(cmb->findText(u"041"_s, Qt::MatchEndsWith));
    }
    QLineEdit *text(int i) const { return screen->template findChild<QLineEdit *>(u"text(%1)"_s.arg(i)); }
    QPushButton *cmd(int i) const { return screen->template findChild<QPushButton *>(u"cmd(%1)"_s.arg(i)); }

    QWidget host;
    QMdiArea *mdi = new QMdiArea(&host);
    QList<bool> busy;
    Screen *screen = nullptr;
};

using CsvScreen = ScreenTest<frmimpstuddata>;
using ExcelScreen = ScreenTest<frmimpstuddataxls>;
using ChangeScreen = ScreenTest<frmchangedeg>;

TEST_F(CsvScreen, importShowsTheSummaryWithTheNormalPointerAndRefusesAWrongRange)
{
    admin(u"insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname) values"
          "('1', '2001', 'BA', '9000000009', 'Old')"_s);
    text(0)->setText(writeFile(
            u"s.csv"_s, "h1,h2,h3,h4,h5,h6\n1,2001,BA,Anu,9000000001,a@x\n2,2001,BSC,Bala,9000000001,b@x\n"
                        "3,2001,BSC,,9000000003,c@x\n4,2001,BSC,Devi,9000000004,d@x\n"));
    text(1)->setText(u"2001"_s);
    cmd(0)->click();
    EXPECT_EQ(ui.dump(),
              "Importing data completed!!\r\n\r\nExcel Sheet Count : 4\r\n\r\nName Empty Deleted : "
              "1\r\n\r\nWithout Mobile No. : 0\r\n\r\nDuplicate in Excel Sheet : 2\r\n\r\nDuplicate "
              "in DB : 0\r\n\r\nFinal Uploaded : 1\r\n\r\nRecords Before Importing : BA - "
              "1\r\n\r\nRecords After Importing : BA - 1, BSC - 1");
    text(1)->setText(u"6001"_s);
    cmd(0)->click();
    EXPECT_EQ(ui.last().text, u"Error in university selection!!"_s);
    EXPECT_EQ(ui.last().icon, Icon::Critical);
    EXPECT_EQ(busy, (QList<bool>{false, false}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// University 023. A sheet of another layout is asked about; No loads
// nothing. The right sheet becomes applications (a renamed degree joins BA,
// an unticked one stays out) and the workbook moves over an older copy; a
// university looked up by another screen meanwhile does not move the
// import. The same workbook again is caught before anything is stored: No
// stores nothing and keeps the grid, Yes creates them again and the summary
// shows how many existed.
TEST_F(ExcelScreen, applicationsAfterAWrongLayoutAndTheSameWorkbookTwice)
{
    ui.clock = QDateTime(QDate(2026, 3, 9), QTime(10, 0));
    auto *cmb = screen->findChild<QComboBox *>(u"cmb"_s);
    cmb->setCurrentIndex(cmb->findText(u"023"_s, Qt::MatchEndsWith));
    auto *spread = screen->findChild<SpreadGrid *>(u"spread"_s);
    const bool bold = spread->font().bold();
    ui.answers = {Answer::No};
    ui.fileNames = {
            workbook(u"2301.xlsx"_s, {listHeading(), {u"1"_s, u"2301"_s, u"BA"_s, u"Anu"_s, u"9"_s}})};
    cmd(1)->click();
    cmd(0)->click();
    EXPECT_EQ(ui.last().defaultButton, Answer::No);
    EXPECT_EQ(rows(u"corvane3_023.tmpcollstud"_s), 0);
    EXPECT_FALSE(cmd(2)->isEnabled());

    const SheetRows sheet{appHeading(),
                          appRow(u"1"_s, u"BA"_s, u"Anu"_s, u"CATI"_s, 100, {u"ENG"_s}, u"91"_s),
                          appRow(u"2"_s, u"BAX"_s, u"Bala"_s, u"CATI"_s, 100, {u"HIS"_s}, u"92"_s),
                          appRow(u"3"_s, u"BSC"_s, u"Chitra"_s, u"CATI"_s, 100, {}, u"93"_s)};
    const auto importSheet = [&] {
        ui.fileNames = {workbook(u"2301 apps.xlsx"_s, sheet)};
        cmd(1)->click();
        cmd(0)->click();
        spread->item(1, 1)->setText(u"BA"_s);
        spread->item(2, 3)->setCheckState(Qt::Unchecked);
    };
    importSheet();
    writeFile(u"completed/2301 apps.xlsx"_s, "older");
    UnivName(u"042"_s);
    cmd(2)->click();
    EXPECT_EQ(dump(u"corvane3_023.studadm"_s, u"fslno, fadmdate"_s), u"0001|2026-03-09\n0002|2026-03-09"_s);
    EXPECT_GT(QFileInfo(folder + u"/completed/2301 apps.xlsx"_s).size(), 5);
    EXPECT_EQ(spread->font().bold(), bold) << "the grid keeps its look for the next sheet";
    for (const Answer answer : {Answer::No, Answer::Yes}) {
        ui.reset();
        if (answer == Answer::No)
            importSheet();
        ui.answers = {answer};
        cmd(2)->click();
        ASSERT_GE(ui.messages.size(), 1) << ui.dump();
        EXPECT_EQ(ui.messages.first().defaultButton, Answer::No);
        EXPECT_TRUE(
                ui.messages.first().text.startsWith(u"2 of the students in this sheet already have an "_s));
        EXPECT_EQ(ui.messages.size(), answer == Answer::No ? 1 : 2);
        EXPECT_EQ(rows(u"corvane3_023.studadm"_s), answer == Answer::No ? 2 : 4);
        EXPECT_EQ(cmd(2)->isEnabled(), answer == Answer::No) << "No keeps the grid";
    }
    EXPECT_TRUE(ui.last().text.contains(u"College : 2301\r\n\r\n"_s)) << ui.dump();
    EXPECT_TRUE(ui.last().text.contains(u"Duplicate in DB : 2\r\n\r\nFinal Uploaded : 2"_s)) << ui.dump();
    EXPECT_EQ(text(0)->text() + text(1)->text() + text(2)->text(), QString());
}

// Codes typed without a look-up lead nowhere. Found by application number,
// the student changes college in the university looked up, though the
// desk's pick of another university came meanwhile; a second click or Enter
// while the first is in its confirmation or success message is ignored.
TEST_F(ChangeScreen, refusedWithoutALookUpThenOneChangeInTheLookedUpUniversity)
{
    admin(QStringList{u"insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname) "
                      "values('1', 'C101', 'BA', '9100000001', 'Anu')"_s,
                      u"insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, fappno) "
                      "values('0001', 'C101', 'BA', '9100000001', '5231')"_s});
    const char *typed[] = {"C101", "C101", "BA", "BSC", "9100000001"};
    for (int i = 0; i < 5; ++i)
        text(i)->setText(QLatin1String(typed[i]));
    ui.answers = {Answer::Yes};
    cmd(0)->click();
    EXPECT_EQ(ui.dump(), "Look up the student by a valid mobile or application number first!!");
    ui.reset();
    busy.clear();
    text(4)->setText(u"5231"_s);
    text(4)->setFocus();
    text(1)->setFocus(); // leaving the box looks the student up
    EXPECT_EQ(text(4)->text() + text(14)->text() + text(11)->text(),
              u"9100000001AnuHillview Arts College, Tessaly"_s);
    UnivName(u"042"_s);
    text(1)->setText(u"C102"_s);
    ui.answers = {Answer::Yes, Answer::Ok, Answer::Yes, Answer::Yes};
    ui.onMessage = [this](const MessageRequest &) {
        busy << (QApplication::overrideCursor() != nullptr);
        if (ui.messages.size() > 2)
            return; // a change that ran again anyway: enough to fail, without endless nesting
        screen->changeDegree();
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(cmd(0), &enter);
    };
    cmd(0)->click();
    EXPECT_EQ(ui.dump(), "Are you sure about changing the details|Updated!!");
    EXPECT_EQ(ui.messages.at(0).defaultButton, Answer::No);
    EXPECT_EQ(busy, (QList<bool>{true, true}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(text(4)->text() + text(1)->text(), QString());
    EXPECT_EQ(dump(u"corvane3_tsc.studadm"_s, u"fcollcode, fslno"_s), u"C102|0001"_s);
    EXPECT_EQ(rows(u"corvane3_tsc.colldegchange"_s), 1);
}

} // namespace
