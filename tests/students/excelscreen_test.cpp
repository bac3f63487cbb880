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

    QLineEdit *text(int i) const { return screen->findChild<QLineEdit *>(QStringLiteral("text(%1)").arg(i)); }
    QPushButton *cmd(int i) const
    {
        return screen->findChild<QPushButton *>(QStringLiteral("cmd(%1)").arg(i));
    }
    QComboBox *cmb() const { return screen->findChild<QComboBox *>(QStringLiteral("cmb")); }
    QFrame *frame() const { return screen->findChild<QFrame *>(QStringLiteral("Framespr")); }
    SpreadGrid *spread() const { return screen->findChild<SpreadGrid *>(QStringLiteral("spread")); }
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

TEST_F(ExcelScreen, theFileButtonTakesTheCollegeFromTheNameAndMakesBothFolders)
{
    EXPECT_EQ(screen->windowTitle(), QStringLiteral("Import Student Data (Excel). . ."));
    EXPECT_FALSE(frame()->isVisible());
    ui.fileNames = {dir.filePath(QStringLiteral("1234xyz.xlsx")), QString()};
    cmd(1)->click();
    EXPECT_EQ(text(1)->text(), QStringLiteral("1234"));
    EXPECT_EQ(text(0)->text(), dir.filePath(QStringLiteral("1234xyz.xlsx")));
    EXPECT_EQ(screen->windowTitle(), QStringLiteral("Import Student Data (Excel). . .1234"));
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("csv"))).isDir());
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("completed"))).isDir());
    cmd(1)->click();
    EXPECT_EQ(text(1)->text(), QStringLiteral("1234"));
}

TEST_F(ExcelScreen, enterAndUpFollowTheFieldChain)
{
    text(0)->setFocus();
    const struct
    {
        int from;
        int key;
        int to;
    } moves[] = {{0, Qt::Key_Return, 1}, {1, Qt::Key_Return, 2}, {2, Qt::Key_Return, 0},
                 {0, Qt::Key_Up, 2},     {2, Qt::Key_Up, 1},     {1, Qt::Key_Up, 1}};
    for (const auto &m : moves) {
        text(m.from)->setFocus();
        key(text(m.from), m.key);
        EXPECT_TRUE(text(m.to)->hasFocus()) << m.from << " " << m.key;
    }
}

TEST_F(ExcelScreen, anUnknownCollegeLoadsNothing)
{
    admin(QStringLiteral(
            "insert into corvane3_tsc.tmpcollstud(fname, fdegree) values ('Earlier upload', 'BA')"));
    const QString path = workbook(QStringLiteral("2009.xlsx"), {listHeading()});
    importSheet(QStringLiteral("041"), path);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, QStringLiteral("Invalid college code"));
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    EXPECT_EQ(count(QStringLiteral("tmpcollstud")), 1);
    EXPECT_FALSE(frame()->isVisible());
    EXPECT_TRUE(text(0)->hasFocus());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ExcelScreen, aFileThatIsNoWorkbookIsNamedAndNothingIsLoaded)
{
    admin(QStringLiteral(
            "insert into corvane3_tsc.tmpcollstud(fname, fdegree) values ('Earlier upload', 'BA')"));
    QFile fake(dir.filePath(QStringLiteral("2001 list.xlsx")));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("not a workbook");
    fake.close();
    importSheet(QStringLiteral("041"), fake.fileName());
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text,
              QStringLiteral("1004, The file 2001 list.xlsx is not an Excel workbook (.xlsx) or is "
                             "damaged, and cannot be read."));
    EXPECT_EQ(count(QStringLiteral("tmpcollstud")), 1);
    EXPECT_FALSE(frame()->isVisible());
}

// The whole student-list path on the screen: grid, an unticked degree, the
// completion text, the move into "completed" and the reset.
TEST_F(ExcelScreen, studentListImportShowsTheGridThenTheExactSummaryAndResets)
{
    admin(QStringLiteral(
            "insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname) values"
            "('1', '2001', 'BA', '9000000009', 'Old')"));
    const QString path = workbook(
            QStringLiteral("2001 list.xlsx"),
            {listHeading(),
             {QStringLiteral("1"), QStringLiteral("2001"), QStringLiteral("BA"), QStringLiteral("Anu"),
              9000000001.0, QStringLiteral("a@x")},
             {QStringLiteral("2"), QStringLiteral("2001"), QStringLiteral("BA"), QStringLiteral("Bala"),
              QStringLiteral(" "), QStringLiteral("b@x")},
             {QStringLiteral("3"), QStringLiteral("2001"), QStringLiteral("BSC"), QStringLiteral("Chitra"),
              9000000003.0, QStringLiteral("c@x")},
             {QStringLiteral("4"), QStringLiteral("2001"), QStringLiteral("MA"), QString(), 9000000004.0}});
    importSheet(QStringLiteral("041"), path);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('|')).toStdString();
    ASSERT_TRUE(frame()->isVisible());
    EXPECT_EQ(text(2)->text(), QStringLiteral("lakeside@colleges.example"));
    ASSERT_EQ(spread()->rowCount(), 2);
    EXPECT_EQ(spread()->horizontalHeaderItem(3)->text(), QStringLiteral("Import ?"));
    EXPECT_EQ(cell(0, 0) + cell(0, 1) + cell(0, 2), QStringLiteral("BABA2"));
    EXPECT_EQ(cell(1, 0) + cell(1, 1) + cell(1, 2), QStringLiteral("BSCBSC1"));
    EXPECT_EQ(spread()->item(1, 3)->checkState(), Qt::Checked);
    spread()->item(1, 3)->setCheckState(Qt::Unchecked);
    cmd(2)->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Information);
    EXPECT_EQ(
            ui.last().text,
            QStringLiteral(
                    "Importing data completed!!\r\n\r\nCollege : 2001\r\n\r\nExcel Sheet Count : 3\r\n\r\n"
                    "Name Empty Deleted : 1\r\n\r\nWithout Mobile No. : 1\r\n\r\nDuplicate in Excel Sheet : "
                    "0\r\n\r\nDuplicate in DB : 0\r\n\r\nFinal Uploaded : 1\r\n\r\nRecords Before Importing "
                    ": BA - 1\r\n\r\nRecords After Importing : BA - 2"));
    EXPECT_EQ(count(QStringLiteral("collstud"), QStringLiteral("fdegree = 'BSC'")), 0);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("completed/2001 list.xlsx"))));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("csv/2001 list.csv"))));
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
    const SheetRows rows{listHeading(),
                         {QStringLiteral("1"), QStringLiteral("2001"), QStringLiteral("BA"),
                          QStringLiteral("Anu"), QStringLiteral("9000000001"), QStringLiteral("a@x")}};
    const QString chosen = workbook(QStringLiteral("2001 chosen.xlsx"), rows);
    const QString typed = workbook(QStringLiteral("2001 typed.xlsx"), rows);
    chooseUniversity(QStringLiteral("041"));
    ui.fileNames = {chosen};
    cmd(1)->click();
    text(0)->setText(typed);
    cmd(0)->click();
    ASSERT_TRUE(frame()->isVisible()) << ui.texts().join(QLatin1Char('|')).toStdString();
    cmd(2)->click();
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("csv/2001 typed.csv"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("csv/2001 chosen.csv"))));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("completed/2001 typed.xlsx"))));
    EXPECT_FALSE(QFile::exists(typed));
    EXPECT_TRUE(QFile::exists(chosen));
}

// The desk looks universities up while the operator checks the grid; the
// grid and the import stay with the sheet's university.
TEST_F(ExcelScreen, aLookUpByAnotherScreenDoesNotMoveTheImport)
{
    const QString path =
            workbook(QStringLiteral("2001.xlsx"),
                     {listHeading(),
                      {QStringLiteral("1"), QStringLiteral("2001"), QStringLiteral("BA"),
                       QStringLiteral("Anu"), QStringLiteral("9000000001"), QStringLiteral("a@x")}});
    importSheet(QStringLiteral("041"), path);
    ASSERT_TRUE(frame()->isVisible());
    const int elsewhere = adminValue(QStringLiteral("select count(*) from corvane3_tnu.collstud")).toInt();
    UnivName(QStringLiteral("042"));
    chooseUniversity(QStringLiteral("042"));
    spread()->item(0, 1)->setText(QStringLiteral("BCOM"));
    cmd(2)->click();
    ASSERT_EQ(ui.messages.size(), 1) << ui.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(count(QStringLiteral("collstud"), QStringLiteral("fdegree = 'BCOM' and fname = 'Anu'")), 1);
    EXPECT_EQ(adminValue(QStringLiteral("select count(*) from corvane3_tnu.collstud")).toInt(), elsewhere);
}

// University 023: applications, with the counts the screen last recorded.
TEST_F(ExcelScreen, applicationImportEndsWithTheApplicationCountAndTheDateOfTheWorkstation)
{
    ui.clock = QDateTime(QDate(2026, 3, 9), QTime(10, 0));
    const QString path = workbook(
            QStringLiteral("2301.xlsx"),
            {appHeading(),
             appRow(QStringLiteral("1"), QStringLiteral("BA"), QStringLiteral("Anu"), QStringLiteral("CATI"),
                    100, {QStringLiteral("ENG")}, QStringLiteral("9000000001")),
             appRow(QStringLiteral("2"), QStringLiteral("BAX"), QStringLiteral("Bala"),
                    QStringLiteral("CATI"), 100, {QStringLiteral("HIS")}, QStringLiteral("9000000002")),
             appRow(QStringLiteral("3"), QStringLiteral("BSC"), QString(), QStringLiteral("CATI"), 100, {},
                    QStringLiteral("9000000003"))});
    importSheet(QStringLiteral("023"), path);
    ASSERT_EQ(spread()->rowCount(), 2);
    spread()->item(1, 1)->setText(QStringLiteral("BA"));
    cmd(2)->click();
    ASSERT_EQ(ui.messages.size(), 1) << ui.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(
            ui.last().text,
            QStringLiteral(
                    "Importing data completed!!\r\n\r\nCollege : 2301\r\n\r\nExcel Sheet Count : 2\r\n\r\n"
                    "Name Empty Deleted : 1\r\n\r\nWithout Mobile No. : 0\r\n\r\nDuplicate in Excel Sheet : "
                    "0\r\n\r\nDuplicate in DB : 0\r\n\r\nFinal Uploaded : 2\r\n\r\nRecords Before Importing "
                    ": 0\r\n\r\nRecords After Importing : BA - 2"));
    EXPECT_EQ(appValue(QStringLiteral("select group_concat(concat(fslno, fadmdate) order by fslno) from "
                                      "corvane3_023.studadm")),
              QStringLiteral("00012026-03-09,00022026-03-09"));
    EXPECT_EQ(appCount(QStringLiteral("options")), 2);
}

// A sheet of another layout: the operator sees both heading rows and may
// decline; nothing is loaded, and the error mail goes to the college.
TEST_F(ExcelScreen, aWrongLayoutIsShownBeforeLoadingAndTheErrorMailCanBeSent)
{
    admin(QStringLiteral(
            "insert into corvane3_023.tmpcollstud(fname, fdegree) values ('Earlier upload', 'BA')"));
    const QString path =
            workbook(QStringLiteral("2301.xlsx"),
                     {listHeading(),
                      {QStringLiteral("1"), QStringLiteral("2301"), QStringLiteral("BA"),
                       QStringLiteral("Anu"), QStringLiteral("9000000001"), QStringLiteral("a@x")}});
    ui.answers = {Answer::No};
    importSheet(QStringLiteral("023"), path);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().buttons, Buttons::YesNo);
    EXPECT_EQ(ui.last().defaultButton, Answer::No);
    EXPECT_TRUE(ui.last().text.contains(QLatin1String("Found: Sl No, College, Degree, Name, Mobile, Email")));
    EXPECT_EQ(appCount(QStringLiteral("tmpcollstud")), 1);
    ASSERT_TRUE(frame()->isVisible());
    EXPECT_FALSE(cmd(2)->isEnabled());
    EXPECT_EQ(spread()->rowCount(), 0);

    cmd(4)->click();
    ASSERT_EQ(relay.requests.size(), 1);
    const QUrl url(QStringLiteral("http://x") + QString::fromLatin1(relay.requests.at(0).target));
    const auto q = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
    ASSERT_EQ(q.size(), 4);
    EXPECT_EQ(q[0].second, QStringLiteral("h2301@colleges.example"));
    EXPECT_EQ(q[1].second, QStringLiteral("023: Error in Uploaded Excel File"));
    EXPECT_EQ(q[2].second,
              QStringLiteral("Dear Sir / Madam,<br><br> The excel sheet uploaded by you is not matching "
                             "with our format. Requesting you to download the fresh format from college "
                             "portal and upload it.<br><br>Regards,<br>Help Desk<br>TSC"));
    EXPECT_EQ(q[3].second, kHelpDeskMailbox);
    EXPECT_EQ(ui.messages.size(), 1) << "a mail handed over shows nothing";

    cmd(3)->click();
    EXPECT_FALSE(frame()->isVisible());
}

TEST_F(ExcelScreen, aCollegeWithoutEmailGetsNoMailAndAFailedMailIsReported)
{
    importSheet(QStringLiteral("023"), workbook(QStringLiteral("2302.xlsx"), {appHeading()}));
    ASSERT_TRUE(frame()->isVisible());
    EXPECT_EQ(text(2)->text(), QString());
    cmd(4)->click();
    EXPECT_TRUE(relay.requests.isEmpty());
    EXPECT_TRUE(ui.messages.isEmpty());

    relay.status = 500;
    text(2)->setText(QStringLiteral("moor@colleges.example"));
    cmd(4)->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Exclamation);
    EXPECT_TRUE(
            ui.last().text.startsWith(QLatin1String("The error mail to moor@colleges.example was not sent")));
}

// A legacy workbook goes through LibreOffice and the same reader; the
// capital extension stays in the CSV's name.
TEST_F(ExcelScreen, aLegacyXlsWorkbookIsImportedLikeAnXlsxOne)
{
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed";
    const QString xlsx = workbook(QStringLiteral("2001legacy.xlsx"),
                                  {listHeading(),
                                   {QStringLiteral("1"), QStringLiteral("2001"), QStringLiteral("BA"),
                                    QStringLiteral("Anu"), 987654321012.0, QStringLiteral("a@x")}});
    QDir(dir.path()).mkdir(QStringLiteral("made"));
    QProcess make;
    make.start(soffice, {QStringLiteral("-env:UserInstallation=") +
                                 QUrl::fromLocalFile(dir.filePath(QStringLiteral("profile"))).toString(),
                         QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("xls"),
                         QStringLiteral("--outdir"), dir.filePath(QStringLiteral("made")), xlsx});
    ASSERT_TRUE(make.waitForFinished(180000));
    const QString xls = dir.filePath(QStringLiteral("2001legacy.XLS"));
    ASSERT_TRUE(QFile::rename(dir.filePath(QStringLiteral("made/2001legacy.xls")), xls));
    importSheet(QStringLiteral("041"), xls);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("csv/2001legacy.XLS"))));
    EXPECT_EQ(adminValue(QStringLiteral("select fmobileno from corvane3_tsc.tmpcollstud")),
              QStringLiteral("987654321012"));
    EXPECT_EQ(cell(0, 0), QStringLiteral("BA"));
}

} // namespace
