#include "core/services/config.h"
#include "core/services/session.h"
#include "gui/services/formutil.h"
#include "gui/students/frmimpstuddataxls.h"

#include "excelfixture.h"
#include "support/fakerelay.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

using namespace students;

namespace {

void key(QWidget *target, int k)
{
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

class ExcelScreen : public ExcelTest
{
protected:
    void SetUp() override
    {
        ExcelTest::SetUp();
        Config::instance().relay = relay.address();
        Config::instance().relayTimeoutMs = 700;
        screen = new frmimpstuddataxls;
        screen->show();
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(screen, &activate);
        QApplication::processEvents();
    }
    void TearDown() override
    {
        delete screen;
        Config::instance() = savedConfig;
        ExcelTest::TearDown();
    }

    QLineEdit *text(int i) const { return screen->findChild<QLineEdit *>(u"text(%1)"_s.arg(i)); }
    QPushButton *cmd(int i) const { return screen->findChild<QPushButton *>(u"cmd(%1)"_s.arg(i)); }
    QComboBox *cmb() const { return screen->findChild<QComboBox *>(u"cmb"_s); }
    QFrame *frame() const { return screen->findChild<QFrame *>(u"Framespr"_s); }
    SpreadGrid *spread() const { return screen->findChild<SpreadGrid *>(u"spread"_s); }
    QString cell(int r, int c) const
    {
        return spread()->item(r, c) ? spread()->item(r, c)->text() : QString();
    }

    void chooseUniversity(const QString &code)
    {
        for (int i = 0; i < cmb()->count(); ++i)
            if (cmb()->itemText(i).endsWith(code))
                cmb()->setCurrentIndex(i);
    }
    // Chooses the workbook in the file dialog and presses "&Import".
    void importSheet(const QString &univ, const QString &path)
    {
        chooseUniversity(univ);
        ui.fileNames = {path};
        cmd(1)->click();
        cmd(0)->click();
    }

    Config savedConfig = Config::instance();
    FakeRelay relay;
    frmimpstuddataxls *screen = nullptr;
};

TEST_F(ExcelScreen, fileButtonTakesTheCollegeFromTheNameAndEnterAndUpFollowTheFields)
{
    EXPECT_EQ(screen->windowTitle(), u"Import Student Data (Excel). . ."_s);
    EXPECT_FALSE(frame()->isVisible());
    ui.fileNames = {dir.filePath(u"1234xyz.xlsx"_s), QString()};
    cmd(1)->click();
    EXPECT_EQ(text(1)->text(), u"1234"_s);
    EXPECT_EQ(text(0)->text(), dir.filePath(u"1234xyz.xlsx"_s));
    EXPECT_EQ(screen->windowTitle(), u"Import Student Data (Excel). . .1234"_s);
    EXPECT_TRUE(QFileInfo(dir.filePath(u"csv"_s)).isDir());
    EXPECT_TRUE(QFileInfo(dir.filePath(u"completed"_s)).isDir());
    cmd(1)->click();
    EXPECT_EQ(text(1)->text(), u"1234"_s);

    const struct
    {
        int from, key, to;
    } moves[] = {{0, Qt::Key_Return, 1}, {1, Qt::Key_Return, 2}, {2, Qt::Key_Return, 0},
                 {0, Qt::Key_Up, 2},     {2, Qt::Key_Up, 1},     {1, Qt::Key_Up, 1}};
    for (const auto &m : moves) {
        text(m.from)->setFocus();
        key(text(m.from), m.key);
        EXPECT_TRUE(text(m.to)->hasFocus()) << m.from << " " << m.key;
    }
}

// An unknown college, and a file that is no workbook (the CSV of an earlier
// run of that name removed): named, and the staging table untouched.
TEST_F(ExcelScreen, anUnknownCollegeOrAFileThatIsNoWorkbookLoadsNothing)
{
    admin("insert into corvane3_tsc.tmpcollstud(fname, fdegree) values ('Earlier upload', 'BA')");
    QDir(dir.path()).mkdir("csv");
    const QString stale = dir.filePath("csv/2001 list.csv");
    for (const QString &name : {dir.filePath("2001 list.xlsx"), stale}) {
        QFile fake(name);
        ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
        fake.write("Sl No,College\n1,2001\n");
    }
    const struct
    {
        QString path, message;
        Icon icon;
    } cases[] = {
            {workbook("2009.xlsx", {listHeading()}), "Invalid college code", Icon::Exclamation},
            {dir.filePath("2001 list.xlsx"),
             "1004, The file 2001 list.xlsx is not an Excel workbook (.xlsx) or is damaged, and cannot be "
             "read.",
             Icon::None},
    };
    for (const auto &c : cases) {
        ui.reset();
        importSheet("041", c.path);
        ASSERT_EQ(ui.messages.size(), 1);
        EXPECT_EQ(ui.last().text, c.message);
        EXPECT_EQ(ui.last().icon, c.icon);
        EXPECT_EQ(count("tmpcollstud"), 1);
        EXPECT_FALSE(frame()->isVisible());
        EXPECT_TRUE(text(0)->hasFocus());
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    EXPECT_FALSE(QFile::exists(stale));
}

// The whole student-list path on the screen: grid, an unticked degree, the
// completion text, the move into "completed" and the reset.
TEST_F(ExcelScreen, studentListImportShowsTheGridThenTheExactSummaryAndResets)
{
    admin(u"insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname) values"
          "('1', '2001', 'BA', '9000000009', 'Old')"_s);
    const QString path =
            workbook(u"2001 list.xlsx"_s, {listHeading(),
                                           {u"1"_s, u"2001"_s, u"BA"_s, u"Anu"_s, 9000000001.0, u"a@x"_s},
                                           {u"2"_s, u"2001"_s, u"BA"_s, u"Bala"_s, u" "_s, u"b@x"_s},
                                           {u"3"_s, u"2001"_s, u"BSC"_s, u"Chitra"_s, 9000000003.0, u"c@x"_s},
                                           {u"4"_s, u"2001"_s, u"MA"_s, QString(), 9000000004.0}});
    importSheet(u"041"_s, path);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
    ASSERT_TRUE(frame()->isVisible());
    EXPECT_EQ(text(2)->text(), u"lakeside@colleges.example"_s);
    ASSERT_EQ(spread()->rowCount(), 2);
    EXPECT_EQ(spread()->horizontalHeaderItem(3)->text(), u"Import ?"_s);
    EXPECT_EQ(cell(0, 0) + cell(0, 1) + cell(0, 2), u"BABA2"_s);
    EXPECT_EQ(cell(1, 0) + cell(1, 1) + cell(1, 2), u"BSCBSC1"_s);
    EXPECT_EQ(spread()->item(1, 3)->checkState(), Qt::Checked);
    spread()->item(1, 3)->setCheckState(Qt::Unchecked);
    cmd(2)->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Information);
    EXPECT_EQ(ui.last().text,
              u"Importing data completed!!\r\n\r\nCollege : 2001\r\n\r\nExcel Sheet Count : 3\r\n\r\n"
              "Name Empty Deleted : 1\r\n\r\nWithout Mobile No. : 1\r\n\r\nDuplicate in Excel Sheet : "
              "0\r\n\r\nDuplicate in DB : 0\r\n\r\nFinal Uploaded : 1\r\n\r\nRecords Before Importing "
              ": BA - 1\r\n\r\nRecords After Importing : BA - 2"_s);
    EXPECT_EQ(count(u"collstud"_s, u"fdegree = 'BSC'"_s), 0);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(QFile::exists(dir.filePath(u"completed/2001 list.xlsx"_s)));
    EXPECT_TRUE(QFile::exists(dir.filePath(u"csv/2001 list.csv"_s)));
    EXPECT_FALSE(frame()->isVisible());
    EXPECT_EQ(text(0)->text() + text(1)->text() + text(2)->text(), QString());
    EXPECT_EQ(spread()->rowCount(), 1);
    EXPECT_EQ(cell(0, 0) + cell(0, 1), QString());
    EXPECT_TRUE(text(0)->hasFocus());
}

// A path typed after choosing another file: the CSV and the move into
// "completed" follow the workbook actually read; the chosen file is untouched.
TEST_F(ExcelScreen, aTypedPathIsTheWorkbookReadCopiedAndMoved)
{
    const SheetRows rows{listHeading(), {u"1"_s, u"2001"_s, u"BA"_s, u"Anu"_s, u"9000000001"_s, u"a@x"_s}};
    const QString chosen = workbook(u"2001 chosen.xlsx"_s, rows);
    const QString typed = workbook(u"2001 typed.xlsx"_s, rows);
    chooseUniversity(u"041"_s);
    ui.fileNames = {chosen};
    cmd(1)->click();
    text(0)->setText(typed);
    cmd(0)->click();
    ASSERT_TRUE(frame()->isVisible()) << ui.dump();
    cmd(2)->click();
    EXPECT_TRUE(QFile::exists(dir.filePath(u"csv/2001 typed.csv"_s)));
    EXPECT_FALSE(QFile::exists(dir.filePath(u"csv/2001 chosen.csv"_s)));
    EXPECT_TRUE(QFile::exists(dir.filePath(u"completed/2001 typed.xlsx"_s)));
    EXPECT_FALSE(QFile::exists(typed));
    EXPECT_TRUE(QFile::exists(chosen));
}

// The desk looks universities up while the operator checks the grid; the
// grid and the import stay with the sheet's university.
TEST_F(ExcelScreen, aLookUpByAnotherScreenDoesNotMoveTheImport)
{
    const QString path =
            workbook(u"2001.xlsx"_s,
                     {listHeading(), {u"1"_s, u"2001"_s, u"BA"_s, u"Anu"_s, u"9000000001"_s, u"a@x"_s}});
    importSheet(u"041"_s, path);
    ASSERT_TRUE(frame()->isVisible());
    const int elsewhere = adminValue(u"select count(*) from corvane3_tnu.collstud"_s).toInt();
    UnivName(u"042"_s);
    chooseUniversity(u"042"_s);
    spread()->item(0, 1)->setText(u"BCOM"_s);
    cmd(2)->click();
    ASSERT_EQ(ui.messages.size(), 1) << ui.dump();
    EXPECT_EQ(count(u"collstud"_s, u"fdegree = 'BCOM' and fname = 'Anu'"_s), 1);
    EXPECT_EQ(adminValue(u"select count(*) from corvane3_tnu.collstud"_s).toInt(), elsewhere);
}

// University 023: applications, with the counts the screen last recorded.
TEST_F(ExcelScreen, applicationImportEndsWithTheApplicationCountAndTheDateOfTheWorkstation)
{
    ui.clock = QDateTime(QDate(2026, 3, 9), QTime(10, 0));
    const QString path = workbook(
            u"2301.xlsx"_s,
            {appHeading(), appRow(u"1"_s, u"BA"_s, u"Anu"_s, u"CATI"_s, 100, {u"ENG"_s}, u"9000000001"_s),
             appRow(u"2"_s, u"BAX"_s, u"Bala"_s, u"CATI"_s, 100, {u"HIS"_s}, u"9000000002"_s),
             appRow(u"3"_s, u"BSC"_s, QString(), u"CATI"_s, 100, {}, u"9000000003"_s)});
    importSheet(u"023"_s, path);
    ASSERT_EQ(spread()->rowCount(), 2);
    spread()->item(1, 1)->setText(u"BA"_s);
    cmd(2)->click();
    ASSERT_EQ(ui.messages.size(), 1) << ui.dump();
    EXPECT_EQ(ui.last().text,
              u"Importing data completed!!\r\n\r\nCollege : 2301\r\n\r\nExcel Sheet Count : 2\r\n\r\n"
              "Name Empty Deleted : 1\r\n\r\nWithout Mobile No. : 0\r\n\r\nDuplicate in Excel Sheet : "
              "0\r\n\r\nDuplicate in DB : 0\r\n\r\nFinal Uploaded : 2\r\n\r\nRecords Before Importing "
              ": 0\r\n\r\nRecords After Importing : BA - 2"_s);
    EXPECT_EQ(adminValue(u"select group_concat(concat(fslno, fadmdate) order by fslno) from "
                         "corvane3_023.studadm"_s),
              u"00012026-03-09,00022026-03-09"_s);
    EXPECT_EQ(appCount(u"options"_s), 2);
}

// A sheet of another layout: the operator sees both heading rows and may
// decline; nothing is loaded, and the error mail goes to the college.
TEST_F(ExcelScreen, aWrongLayoutIsShownBeforeLoadingAndTheErrorMailCanBeSent)
{
    admin(u"insert into corvane3_023.tmpcollstud(fname, fdegree) values ('Earlier upload', 'BA')"_s);
    const QString path =
            workbook(u"2301.xlsx"_s,
                     {listHeading(), {u"1"_s, u"2301"_s, u"BA"_s, u"Anu"_s, u"9000000001"_s, u"a@x"_s}});
    ui.answers = {Answer::No};
    importSheet(u"023"_s, path);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().buttons, Buttons::YesNo);
    EXPECT_EQ(ui.last().defaultButton, Answer::No);
    EXPECT_TRUE(ui.last().text.contains(QLatin1String("Found: Sl No, College, Degree, Name, Mobile, Email")));
    EXPECT_EQ(appCount(u"tmpcollstud"_s), 1);
    ASSERT_TRUE(frame()->isVisible());
    EXPECT_FALSE(cmd(2)->isEnabled());
    EXPECT_EQ(spread()->rowCount(), 0);

    cmd(4)->click();
    ASSERT_EQ(relay.requests.size(), 1);
    const QUrl url(u"http://x"_s + QString::fromLatin1(relay.requests.at(0).target));
    const auto q = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
    ASSERT_EQ(q.size(), 4);
    EXPECT_EQ(q[0].second, u"h2301@colleges.example"_s);
    EXPECT_EQ(q[1].second, u"023: Error in Uploaded Excel File"_s);
    EXPECT_EQ(q[2].second, u"Dear Sir / Madam,<br><br> The excel sheet uploaded by you is not matching "
                           "with our format. Requesting you to download the fresh format from college "
                           "portal and upload it.<br><br>Regards,<br>Help Desk<br>TSC"_s);
    EXPECT_EQ(q[3].second, kHelpDeskMailbox);
    EXPECT_EQ(ui.messages.size(), 1) << "a mail handed over shows nothing";

    cmd(3)->click();
    EXPECT_FALSE(frame()->isVisible());
}

TEST_F(ExcelScreen, aCollegeWithoutEmailGetsNoMailAndAFailedMailIsReported)
{
    importSheet(u"023"_s, workbook(u"2302.xlsx"_s, {appHeading()}));
    ASSERT_TRUE(frame()->isVisible());
    EXPECT_EQ(text(2)->text(), QString());
    cmd(4)->click();
    EXPECT_TRUE(relay.requests.isEmpty());
    EXPECT_TRUE(ui.messages.isEmpty());

    relay.status = 500;
    text(2)->setText(u"moor@colleges.example"_s);
    cmd(4)->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    EXPECT_TRUE(
            ui.last().text.startsWith(QLatin1String("The error mail to moor@colleges.example was not sent")));
}

} // namespace
