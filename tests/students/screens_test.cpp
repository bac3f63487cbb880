#include "core/services/session.h"
#include "gui/students/frmchangedeg.h"
#include "gui/students/frmimpstuddata.h"

#include "studentsfixture.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace {

void key(QWidget *target, int k, const QString &text = QString())
{
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
}

void type(QLineEdit *edit, const QString &text)
{
    for (const QChar c : text)
        key(edit, 0, QString(c));
}

template<class Screen>
class ScreenTest : public StudentsTest
{
protected:
    void SetUp() override
    {
        StudentsTest::SetUp();
        screen = new Screen;
        screen->show();
        screen->activateWindow();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        delete screen;
        StudentsTest::TearDown();
    }
    QLineEdit *text(int i) const { return screen->template findChild<QLineEdit *>(QStringLiteral("text(%1)").arg(i)); }
    QPushButton *cmd(int i) const
    {
        return screen->template findChild<QPushButton *>(QStringLiteral("cmd(%1)").arg(i));
    }
    QComboBox *cmb() const { return screen->template findChild<QComboBox *>(QStringLiteral("cmb")); }
    void chooseUniversity(const QString &code)
    {
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(screen, &activate);
        for (int i = 0; i < cmb()->count(); ++i)
            if (cmb()->itemText(i).endsWith(code))
                cmb()->setCurrentIndex(i);
    }
    // Whether the busy pointer was up while each message box was shown.
    QList<bool> busyDuringMessages;
    void watchPointer()
    {
        ui.onMessage = [this](const MessageRequest &) {
            busyDuringMessages << (QApplication::overrideCursor() != nullptr);
        };
    }

    Screen *screen = nullptr;
};

using ImportScreen = ScreenTest<frmimpstuddata>;
using ChangeScreen = ScreenTest<frmchangedeg>;

TEST_F(ImportScreen, listsUniversitiesWithTheCodeBehind100Blanks)
{
    chooseUniversity(QStringLiteral("042"));
    ASSERT_EQ(cmb()->count(), 2);
    EXPECT_EQ(cmb()->itemText(0), QStringLiteral("Tessaly Central University") + QString(100, QLatin1Char(' ')) +
                                          QStringLiteral("041"));
    EXPECT_EQ(screen->windowTitle(), QStringLiteral("Import Student Data . . ."));
}

// A message box closing activates the screen again; the list is read again
// but the person's choice stays.
TEST_F(ImportScreen, reactivationKeepsTheChosenUniversity)
{
    chooseUniversity(QStringLiteral("042"));
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(screen, &activate);
    EXPECT_TRUE(cmb()->currentText().endsWith(QStringLiteral("042")));
    cmb()->setCurrentIndex(-1);
    QApplication::sendEvent(screen, &activate);
    EXPECT_EQ(cmb()->currentIndex(), -1);
}

TEST_F(ImportScreen, enterAndUpMoveBetweenFileAndCollegeAndCollegeIsUpperCased)
{
    text(0)->setFocus();
    key(text(0), Qt::Key_Return);
    EXPECT_TRUE(text(1)->hasFocus());
    key(text(1), Qt::Key_Return);
    EXPECT_TRUE(text(0)->hasFocus());
    key(text(0), Qt::Key_Up);
    EXPECT_TRUE(text(1)->hasFocus());
    key(text(1), Qt::Key_Up);
    EXPECT_TRUE(text(1)->hasFocus());
    type(text(1), QStringLiteral("ab1"));
    EXPECT_EQ(text(1)->text(), QStringLiteral("AB1"));
}

TEST_F(ImportScreen, fileButtonFillsThePathOnlyWhenAFileIsChosen)
{
    ui.fileNames = {QStringLiteral("/data/college 2001.csv"), QString()};
    cmd(1)->click();
    EXPECT_EQ(text(0)->text(), QStringLiteral("/data/college 2001.csv"));
    cmd(1)->click();
    EXPECT_EQ(text(0)->text(), QStringLiteral("/data/college 2001.csv"));
}

TEST_F(ImportScreen, importShowsTheExactSummaryWithTheNormalPointer)
{
    admin(QStringLiteral("insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname) values"
                         "('1', '2001', 'BA', '9000000009', 'Old')"));
    chooseUniversity(QStringLiteral("041"));
    text(0)->setText(writeCsv(QStringLiteral("s.csv"), {QStringLiteral("h1,h2,h3,h4,h5,h6"),
                                                         QStringLiteral("1,2001,BA,Anu,9000000001,a@x"),
                                                         QStringLiteral("2,2001,BSC,Bala,9000000001,b@x"),
                                                         QStringLiteral("3,2001,BSC,,9000000003,c@x"),
                                                         QStringLiteral("4,2001,BSC,Devi,9000000004,d@x")}));
    text(1)->setText(QStringLiteral("2001"));
    watchPointer();
    cmd(0)->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Information);
    const QString summary =
            QStringLiteral("Importing data completed!!\r\n\r\nExcel Sheet Count : 4\r\n\r\nName Empty Deleted : 1\r\n\r\n"
                           "Without Mobile No. : 0\r\n\r\nDuplicate in Excel Sheet : 2\r\n\r\nDuplicate in DB : 0"
                           "\r\n\r\nFinal Uploaded : 1\r\n\r\nRecords Before Importing : BA - 1\r\n\r\nRecords After "
                           "Importing : ");
    // group_concat has no order of its own: either order of the degrees is the server's answer.
    EXPECT_TRUE(ui.last().text == summary + QStringLiteral("BA - 1, BSC - 1") ||
                ui.last().text == summary + QStringLiteral("BSC - 1, BA - 1"))
            << ui.last().text.toStdString();
    EXPECT_EQ(busyDuringMessages, QList<bool>{false});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(text(0)->text().isEmpty()) << "the fields keep their contents";
}

TEST_F(ImportScreen, refusalsUseTheirIconsAndRestoreThePointer)
{
    chooseUniversity(QStringLiteral("041"));
    const QString file = writeCsv(QStringLiteral("r.csv"), {QStringLiteral("h1,h2,h3,h4,h5,h6")});
    struct Case
    {
        QString path;
        QString college;
        QString message;
        Icon icon;
    };
    const Case cases[] = {
            {file, QStringLiteral(" "), QStringLiteral("Information should be entered!!"), Icon::Exclamation},
            {file, QStringLiteral("6001"), QStringLiteral("Error in university selection!!"), Icon::Critical},
            {file, QStringLiteral("ABC"), QStringLiteral("13, Type mismatch"), Icon::None},
            {file + QStringLiteral(".gone"), QStringLiteral("6000"),
             QStringLiteral("53, The file %1.gone cannot be imported: it does not exist.").arg(file), Icon::None},
    };
    for (const Case &c : cases) {
        ui.reset();
        text(0)->setText(c.path);
        text(1)->setText(c.college);
        cmd(0)->click();
        ASSERT_EQ(ui.messages.size(), 1) << c.college.toStdString();
        EXPECT_EQ(ui.last().text, c.message);
        EXPECT_EQ(ui.last().icon, c.icon);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
}

TEST_F(ImportScreen, escapeClosesTheScreen)
{
    key(text(1), Qt::Key_Escape);
    EXPECT_FALSE(screen->isVisible());
}

class ChangeScreenRows : public ChangeScreen
{
protected:
    void SetUp() override
    {
        ChangeScreen::SetUp();
        addCollegesAndDegrees();
        admin(QStringList{
                QStringLiteral("insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname) "
                               "values('1', 'C101', 'BA', '9100000001', 'Anu')"),
                QStringLiteral("insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, fappno) "
                               "values('0001', 'C101', 'BA', '9100000001', '5231')")});
    }
};

TEST_F(ChangeScreenRows, leavingTheMobileBoxFindsTheStudentByApplicationNumber)
{
    chooseUniversity(QStringLiteral("041"));
    text(4)->setText(QStringLiteral("5231"));
    screen->lookupStudent();
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(text(4)->text(), QStringLiteral("9100000001"));
    EXPECT_EQ(text(0)->text(), QStringLiteral("C101"));
    EXPECT_EQ(text(1)->text(), QStringLiteral("C101"));
    EXPECT_EQ(text(3)->text(), QStringLiteral("BA"));
    EXPECT_EQ(text(14)->text(), QStringLiteral("Anu"));
    EXPECT_EQ(text(11)->text(), QStringLiteral("Hillview Arts College, Tessaly"));
    EXPECT_EQ(text(13)->text(), QStringLiteral("Bachelor of Arts"));
}

TEST_F(ChangeScreenRows, lookUpWithoutUniversityOrWithUnknownNumberSaysSo)
{
    session().SelUnivDb.clear();
    text(4)->setText(QStringLiteral("9100000001"));
    screen->lookupStudent();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, QStringLiteral("Select the university first!!"));
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    chooseUniversity(QStringLiteral("041"));
    text(4)->setText(QString());
    screen->lookupStudent();
    EXPECT_EQ(ui.last().text, QStringLiteral("Invalid Mobile No.!!"));
}

TEST_F(ChangeScreenRows, changeAsksWithNoAsDefaultThenClearsTheForm)
{
    chooseUniversity(QStringLiteral("041"));
    text(4)->setText(QStringLiteral("9100000001"));
    screen->lookupStudent();
    text(1)->setText(QStringLiteral("C102"));
    ui.answers = {Answer::Yes};
    watchPointer();
    cmd(0)->click();
    ASSERT_EQ(ui.messages.size(), 2) << ui.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(ui.messages.at(0).text, QStringLiteral("Are you sure about changing the details"));
    EXPECT_EQ(ui.messages.at(0).defaultButton, Answer::No);
    EXPECT_EQ(ui.messages.at(0).icon, Icon::Question);
    EXPECT_EQ(ui.messages.at(1).text, QStringLiteral("Updated!!"));
    EXPECT_EQ(ui.messages.at(1).icon, Icon::Information);
    EXPECT_EQ(busyDuringMessages, (QList<bool>{true, true}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    for (int i : {4, 0, 1, 2, 3, 10, 11, 12, 13, 14, 15})
        EXPECT_TRUE(text(i)->text().isEmpty()) << i;
    EXPECT_EQ(cmb()->currentIndex(), -1);
    EXPECT_EQ(adminValue(QStringLiteral("select fslno from corvane3_tsc.studadm where fcollcode = 'C102'")),
              QStringLiteral("0001"));
}

TEST_F(ChangeScreenRows, verifiedApplicationIsRefusedWithTheCriticalIcon)
{
    admin(QStringLiteral("update corvane3_tsc.studadm set fappstatus = 'verified'"));
    chooseUniversity(QStringLiteral("041"));
    text(4)->setText(QStringLiteral("9100000001"));
    screen->lookupStudent();
    text(3)->setText(QStringLiteral("BSC"));
    cmd(0)->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, QStringLiteral("Application is already submitted. Modification is not allowed!!"));
    EXPECT_EQ(ui.last().icon, Icon::Critical);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(count(QStringLiteral("colldegchange")), 0);
}

TEST_F(ChangeScreenRows, enterAndUpWalkTheBoxesInTheirOrder)
{
    chooseUniversity(QStringLiteral("041"));
    text(4)->setText(QStringLiteral("9100000001"));
    text(4)->setFocus();
    const int forward[] = {0, 1, 2, 3};
    QLineEdit *at = text(4);
    for (int next : forward) {
        key(at, Qt::Key_Return);
        EXPECT_TRUE(text(next)->hasFocus()) << next;
        at = text(next);
    }
    key(at, Qt::Key_Return);
    EXPECT_TRUE(cmd(0)->hasFocus());
    text(1)->setFocus();
    key(text(1), Qt::Key_Up);
    EXPECT_TRUE(text(0)->hasFocus());
    text(1)->clear();
    type(text(1), QStringLiteral("c1"));
    EXPECT_EQ(text(1)->text(), QStringLiteral("C1"));
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(text(14)->text(), QStringLiteral("Anu")) << "leaving the mobile box looked the student up";
    EXPECT_EQ(text(4)->maxLength(), 11);
    EXPECT_EQ(text(3)->maxLength(), 5);
}

} // namespace
