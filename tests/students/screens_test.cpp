#include "core/services/session.h"
#include "gui/students/frmchangedeg.h"
#include "gui/students/frmimpstuddata.h"
#include "gui/students/frmimpstuddataxls.h"

#include "studentsfixture.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;

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
    QLineEdit *text(int i) const { return screen->template findChild<QLineEdit *>(u"text(%1)"_s.arg(i)); }
    QPushButton *cmd(int i) const { return screen->template findChild<QPushButton *>(u"cmd(%1)"_s.arg(i)); }
    QComboBox *cmb() const { return screen->template findChild<QComboBox *>(u"cmb"_s); }
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

// The list (code behind 100 blanks, kept when a closing message box
// activates the screen again), Enter/Up, upper-casing, the file dialog, Esc.
TEST_F(ImportScreen, listKeysFileDialogAndEscape)
{
    chooseUniversity(u"042"_s);
    ASSERT_EQ(cmb()->count(), 2);
    EXPECT_EQ(cmb()->itemText(0),
              u"Tessaly Central University"_s + QString(100, QLatin1Char(' ')) + u"041"_s);
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(screen, &activate);
    EXPECT_TRUE(cmb()->currentText().endsWith(u"042"_s));
    cmb()->setCurrentIndex(-1);
    QApplication::sendEvent(screen, &activate);
    EXPECT_EQ(cmb()->currentIndex(), -1);

    text(0)->setFocus();
    const struct
    {
        int from, key, to;
    } moves[] = {{0, Qt::Key_Return, 1}, {1, Qt::Key_Return, 0}, {0, Qt::Key_Up, 1}, {1, Qt::Key_Up, 1}};
    for (const auto &m : moves) {
        key(text(m.from), m.key);
        EXPECT_TRUE(text(m.to)->hasFocus()) << m.from << " " << m.key;
    }
    type(text(1), u"ab1"_s);
    EXPECT_EQ(text(1)->text(), u"AB1"_s);

    ui.fileNames = {u"/data/college 2001.csv"_s, QString()};
    cmd(1)->click();
    EXPECT_EQ(text(0)->text(), u"/data/college 2001.csv"_s);
    cmd(1)->click();
    EXPECT_EQ(text(0)->text(), u"/data/college 2001.csv"_s) << "a cancelled dialog keeps the path";
    key(text(1), Qt::Key_Escape);
    EXPECT_FALSE(screen->isVisible());
}

TEST_F(ImportScreen, importShowsTheExactSummaryWithTheNormalPointer)
{
    admin(u"insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname) values"
          "('1', '2001', 'BA', '9000000009', 'Old')"_s);
    chooseUniversity(u"041"_s);
    text(0)->setText(
            writeCsv(u"s.csv"_s, {u"h1,h2,h3,h4,h5,h6"_s, u"1,2001,BA,Anu,9000000001,a@x"_s,
                                  u"2,2001,BSC,Bala,9000000001,b@x"_s, u"3,2001,BSC,,9000000003,c@x"_s,
                                  u"4,2001,BSC,Devi,9000000004,d@x"_s}));
    text(1)->setText(u"2001"_s);
    watchPointer();
    cmd(0)->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Information);
    const QString summary =
            u"Importing data completed!!\r\n\r\nExcel Sheet Count : 4\r\n\r\nName Empty Deleted : 1\r\n\r\n"
            "Without Mobile No. : 0\r\n\r\nDuplicate in Excel Sheet : 2\r\n\r\nDuplicate in DB : 0"
            "\r\n\r\nFinal Uploaded : 1\r\n\r\nRecords Before Importing : BA - 1\r\n\r\nRecords After "
            "Importing : "_s;
    // group_concat has no order of its own: either order of the degrees is the server's answer.
    EXPECT_TRUE(ui.last().text == summary + u"BA - 1, BSC - 1"_s ||
                ui.last().text == summary + u"BSC - 1, BA - 1"_s)
            << ui.last().text.toStdString();
    EXPECT_EQ(busyDuringMessages, QList<bool>{false});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(text(0)->text().isEmpty()) << "the fields keep their contents";
}

TEST_F(ImportScreen, refusalsUseTheirIconsAndRestoreThePointer)
{
    chooseUniversity(u"041"_s);
    const QString file = writeCsv(u"r.csv"_s, {u"h1,h2,h3,h4,h5,h6"_s});
    struct Case
    {
        QString path;
        QString college;
        QString message;
        Icon icon;
    };
    const Case cases[] = {
            {file, u" "_s, u"Information should be entered!!"_s, Icon::Exclamation},
            {file, u"6001"_s, u"Error in university selection!!"_s, Icon::Critical},
            {file, u"ABC"_s, u"13, Type mismatch"_s, Icon::None},
            {file + u".gone"_s, u"6000"_s,
             u"53, The file %1.gone cannot be imported: it does not exist."_s.arg(file), Icon::None},
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

class ChangeScreenRows : public ChangeScreen
{
protected:
    void SetUp() override
    {
        ChangeScreen::SetUp();
        addCollegesAndDegrees();
        admin(QStringList{u"insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname) "
                          "values('1', 'C101', 'BA', '9100000001', 'Anu')"_s,
                          u"insert into corvane3_tsc.studadm(fslno, fcollcode, fdegree, fcontact_no, fappno) "
                          "values('0001', 'C101', 'BA', '9100000001', '5231')"_s});
    }
};

TEST_F(ChangeScreenRows, lookUpSaysSoWithoutUniversityOrNumberAndFillsByApplicationNumber)
{
    session().SelUnivDb.clear();
    text(4)->setText(u"9100000001"_s);
    screen->lookupStudent();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, u"Select the university first!!"_s);
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    chooseUniversity(u"041"_s);
    text(4)->setText(QString());
    screen->lookupStudent();
    EXPECT_EQ(ui.last().text, u"Invalid Mobile No.!!"_s);
    ui.reset();
    text(4)->setText(u"5231"_s);
    screen->lookupStudent();
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
    QStringList shown;
    for (int i : {4, 0, 1, 3, 14, 11, 13})
        shown << text(i)->text();
    EXPECT_EQ(shown, QStringList({"9100000001", "C101", "C101", "BA", "Anu", "Hillview Arts College, Tessaly",
                                  "Bachelor of Arts"}));
}

// A second click or Enter on Change while the first is in its confirmation
// or its success message is ignored: one change, one log row.
TEST_F(ChangeScreenRows, changeAsksWithNoAsDefaultThenClearsTheFormOnce)
{
    chooseUniversity(u"041"_s);
    text(4)->setText(u"9100000001"_s);
    screen->lookupStudent();
    text(1)->setText(u"C102"_s);
    ui.answers = {Answer::Yes, Answer::Ok, Answer::Yes, Answer::Yes};
    ui.onMessage = [this](const MessageRequest &) {
        busyDuringMessages << (QApplication::overrideCursor() != nullptr);
        if (ui.messages.size() > 2)
            return; // a change that ran again anyway: enough to fail, without endless nesting
        screen->changeDegree();
        key(cmd(0), Qt::Key_Return);
    };
    cmd(0)->click();
    ASSERT_EQ(ui.messages.size(), 2) << ui.dump();
    EXPECT_EQ(ui.messages.at(0).text, u"Are you sure about changing the details"_s);
    EXPECT_EQ(ui.messages.at(0).defaultButton, Answer::No);
    EXPECT_EQ(ui.messages.at(0).icon, Icon::Question);
    EXPECT_EQ(ui.messages.at(1).text, u"Updated!!"_s);
    EXPECT_EQ(ui.messages.at(1).icon, Icon::Information);
    EXPECT_EQ(busyDuringMessages, (QList<bool>{true, true}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    for (int i : {4, 0, 1, 2, 3, 10, 11, 12, 13, 14, 15})
        EXPECT_TRUE(text(i)->text().isEmpty()) << i;
    EXPECT_EQ(cmb()->currentIndex(), -1);
    EXPECT_TRUE(cmd(0)->isEnabled());
    EXPECT_EQ(adminValue(u"select fslno from corvane3_tsc.studadm where fcollcode = 'C102'"_s), u"0001"_s);
    EXPECT_EQ(count(u"colldegchange"_s), 1);
}

// The change goes to the university the student was looked up in, even
// after the desk's pick of a grievance of another university selected that
// one.
TEST_F(ChangeScreenRows, changeWritesIntoTheLookedUpUniversityOnly)
{
    const QStringList tnu = {u"collstud"_s, u"studadm"_s, u"college"_s, u"degree"_s, u"colldegchange"_s};
    const auto empty = [&tnu] {
        for (const QString &table : tnu)
            admin(u"delete from corvane3_tnu.%1"_s.arg(table));
    };
    empty();
    for (const QString &table : tnu.mid(0, 4))
        admin(u"insert into corvane3_tnu.%1 select * from corvane3_tsc.%1"_s.arg(table));
    chooseUniversity(u"041"_s);
    text(4)->setText(u"9100000001"_s);
    screen->lookupStudent();
    UnivName(u"042"_s);
    text(1)->setText(u"C102"_s);
    ui.answers = {Answer::Yes};
    cmd(0)->click();
    EXPECT_EQ(ui.dump(), "Are you sure about changing the details|Updated!!");
    EXPECT_EQ(count(u"collstud"_s, u"fcollcode = 'C102'"_s) + count(u"colldegchange"_s), 2);
    EXPECT_EQ(adminValue(u"select concat((select count(*) from corvane3_tnu.colldegchange), "
                         "(select group_concat(fcollcode) from corvane3_tnu.collstud), "
                         "(select group_concat(fcollcode) from corvane3_tnu.studadm))"_s),
              u"0C101C101"_s);
    empty();
}

// Refusals at the screen: no success, nothing written, the pointer back. The
// boxes still show the previous student after a failed look-up, and codes
// typed without a look-up lead nowhere. A verified application is refused
// with its number and the new degree already shown.
TEST_F(ChangeScreenRows, refusalsWriteNothing)
{
    const QString lookUpFirst = u"Look up the student by a valid mobile or application number first!!"_s;
    const struct
    {
        const char *name, *lookedUp, *typed, *status;
        QString text;
        Icon icon;
    } cases[] = {
            {"failed look-up after a good one", "9100000001", "9100000009", "", lookUpFirst,
             Icon::Exclamation},
            {"no look-up at all", nullptr, "9100000001", "", lookUpFirst, Icon::Exclamation},
            {"verified application", "9100000001", nullptr, "verified",
             u"Application is already submitted. Modification is not allowed!!"_s, Icon::Critical},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        admin(u"update corvane3_tsc.studadm set fappstatus = '%1'"_s.arg(QLatin1String(c.status)));
        chooseUniversity(u"041"_s);
        for (int i : {0, 1, 2})
            text(i)->setText(i == 2 ? u"BA"_s : u"C101"_s);
        if (c.lookedUp) {
            text(4)->setText(QLatin1String(c.lookedUp));
            screen->lookupStudent();
        }
        if (c.typed) {
            text(4)->setText(QLatin1String(c.typed));
            if (c.lookedUp)
                screen->lookupStudent();
        }
        text(3)->setText(u"BSC"_s);
        ui.reset();
        ui.answers = {Answer::Yes};
        cmd(0)->click();
        ASSERT_EQ(ui.messages.size(), 1) << ui.dump();
        EXPECT_EQ(ui.last().text, c.text);
        EXPECT_EQ(ui.last().icon, c.icon);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(count(u"colldegchange"_s) + count(u"collstud"_s, u"fdegree = 'BSC'"_s), 0);
        if (c.icon == Icon::Critical) {
            EXPECT_EQ(QStringList({text(15)->text(), text(13)->text()}),
                      QStringList({"5231", "Bachelor of Science"}));
        }
    }
}

TEST_F(ChangeScreenRows, enterAndUpWalkTheBoxesInTheirOrder)
{
    chooseUniversity(u"041"_s);
    text(4)->setText(u"9100000001"_s);
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
    type(text(1), u"c1"_s);
    EXPECT_EQ(text(1)->text(), u"C1"_s);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
    EXPECT_EQ(text(14)->text(), u"Anu"_s) << "leaving the mobile box looked the student up";
    EXPECT_EQ(text(4)->maxLength(), 11);
    EXPECT_EQ(text(3)->maxLength(), 5);
}

// A student screen opened, or opened again, inside a main window that is
// already active gets no activation of its own; its list must be filled all
// the same.
class StudentScreens : public StudentsTest
{};

TEST_F(StudentScreens, listUniversitiesWhenOpenedInAnActiveWindow)
{
    QWidget host;
    auto *mdi = new QMdiArea(&host);
    host.resize(900, 700);
    mdi->resize(900, 700);
    host.show();
    host.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    const struct
    {
        const char *name;
        std::function<QWidget *()> open;
    } screens[] = {
            {"change of degree", [] { return new frmchangedeg; }},
            {"CSV import", [] { return new frmimpstuddata; }},
            {"Excel import", [] { return new frmimpstuddataxls; }},
    };
    for (const auto &s : screens) {
        for (int round = 1; round <= 2; ++round) {
            QMdiSubWindow *sub = mdi->addSubWindow(s.open());
            sub->setAttribute(Qt::WA_DeleteOnClose);
            sub->show();
            mdi->setActiveSubWindow(sub);
            QApplication::processEvents();
            EXPECT_EQ(sub->widget()->findChild<QComboBox *>(u"cmb"_s)->count(), 2) << s.name << " " << round;
            sub->close();
            QApplication::processEvents();
        }
    }
}

} // namespace
