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
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

using namespace students;

namespace {

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
    QString row(int r) const
    {
        QString out;
        for (int c = 0; c < 3; ++c)
            out += (spread()->item(r, c) ? spread()->item(r, c)->text() : QString()) + u'|';
        return out;
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

// The student-list path on the screen: the file chosen in the dialog names
// the college, a path typed afterwards is the workbook read and moved, a
// university looked up by another screen meanwhile does not move the
// import, the summary comes after the commit, and the screen resets with the
// grid looking as before.
TEST_F(ExcelScreen, studentListFromTheFileDialogToTheSummary)
{
    admin(u"insert into corvane3_tsc.collstud(fslno, fcollcode, fdegree, fmobileno, fname) values"
          "('1', '2001', 'BA', '9000000009', 'Old')"_s);
    const SheetRows rows{listHeading(),
                         {u"1"_s, u"2001"_s, u"BA"_s, u"Anu"_s, 9000000001.0, u"a@x"_s},
                         {u"2"_s, u"2001"_s, u"BA"_s, u"Bala"_s, u" "_s, u"b@x"_s},
                         {u"3"_s, u"2001"_s, u"BSC"_s, u"Chitra"_s, 9000000003.0, u"c@x"_s},
                         {u"4"_s, u"2001"_s, u"MA"_s, QString(), 9000000004.0}};
    const QString chosen = workbook(u"2001 chosen.xlsx"_s, rows);
    const QString typed = workbook(u"2001 typed.xlsx"_s, rows);
    const bool bold = spread()->font().bold();
    chooseUniversity(u"041"_s);
    ui.fileNames = {chosen};
    cmd(1)->click();
    EXPECT_EQ(text(1)->text(), u"2001"_s);
    EXPECT_EQ(screen->windowTitle(), u"Import Student Data (Excel). . .2001"_s);
    EXPECT_TRUE(QFileInfo(dir.filePath(u"completed"_s)).isDir());
    text(0)->setText(typed);
    cmd(0)->click();
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
    ASSERT_TRUE(frame()->isVisible());
    EXPECT_EQ(text(2)->text(), u"lakeside@colleges.example"_s);
    ASSERT_EQ(spread()->rowCount(), 2);
    EXPECT_EQ(row(0) + row(1), u"BA|BA|2|BSC|BSC|1|"_s);
    spread()->item(1, 3)->setCheckState(Qt::Unchecked);

    UnivName(u"042"_s);
    chooseUniversity(u"042"_s);
    cmd(2)->click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().icon, Icon::Information);
    EXPECT_EQ(ui.last().text,
              u"Importing data completed!!\r\n\r\nCollege : 2001\r\n\r\nExcel Sheet Count : 3\r\n\r\n"
              "Name Empty Deleted : 1\r\n\r\nWithout Mobile No. : 1\r\n\r\nDuplicate in Excel Sheet : "
              "0\r\n\r\nDuplicate in DB : 0\r\n\r\nFinal Uploaded : 1\r\n\r\nRecords Before Importing "
              ": BA - 1\r\n\r\nRecords After Importing : BA - 2"_s);
    EXPECT_EQ(count(u"collstud"_s, u"fdegree = 'BSC'"_s), 0);
    EXPECT_EQ(adminValue(u"select count(*) from corvane3_tnu.collstud where fname = 'Anu'"_s).toInt(), 0);
    EXPECT_FALSE(QFile::exists(typed));
    EXPECT_TRUE(QFile::exists(dir.filePath(u"completed/2001 typed.xlsx"_s)));
    EXPECT_TRUE(QFile::exists(dir.filePath(u"csv/2001 typed.csv"_s)));
    EXPECT_TRUE(QFile::exists(chosen));
    EXPECT_FALSE(QFile::exists(dir.filePath(u"csv/2001 chosen.csv"_s)));
    EXPECT_FALSE(frame()->isVisible());
    EXPECT_EQ(text(0)->text() + text(1)->text() + text(2)->text(), QString());
    EXPECT_EQ(spread()->rowCount(), 1);
    EXPECT_EQ(spread()->font().bold(), bold) << "the grid keeps its look for the next sheet";
    EXPECT_TRUE(text(0)->hasFocus());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// University 023: applications. The same workbook again is caught before
// anything is stored: the operator is told how many students already have
// an application, No stores nothing and keeps the grid, Yes creates them
// again and the summary shows how many existed.
TEST_F(ExcelScreen, theSameApplicationWorkbookTwiceAsksFirst)
{
    ui.clock = QDateTime(QDate(2026, 3, 9), QTime(10, 0));
    const SheetRows rows{appHeading(),
                         appRow(u"1"_s, u"BA"_s, u"Anu"_s, u"CATI"_s, 100, {u"ENG"_s}, u"9000000001"_s),
                         appRow(u"2"_s, u"BAX"_s, u"Bala"_s, u"CATI"_s, 100, {u"HIS"_s}, u"9000000002"_s),
                         appRow(u"3"_s, u"BSC"_s, QString(), u"CATI"_s, 100, {}, u"9000000003"_s)};
    const QString summary =
            u"Importing data completed!!\r\n\r\nCollege : 2301\r\n\r\nExcel Sheet Count : 2\r\n\r\n"
            "Name Empty Deleted : 1\r\n\r\nWithout Mobile No. : 0\r\n\r\nDuplicate in Excel Sheet : "
            "0\r\n\r\nDuplicate in DB : %1\r\n\r\nFinal Uploaded : 2\r\n\r\nRecords Before Importing "
            ": %2\r\n\r\nRecords After Importing : BA - %3"_s;
    importSheet(u"023"_s, workbook(u"2301.xlsx"_s, rows));
    ASSERT_EQ(spread()->rowCount(), 2);
    spread()->item(1, 1)->setText(u"BA"_s);
    cmd(2)->click();
    ASSERT_EQ(ui.messages.size(), 1) << ui.dump();
    EXPECT_EQ(ui.last().text, summary.arg(u"0"_s, u"0"_s, u"2"_s));
    EXPECT_EQ(
            adminValue(
                    u"select group_concat(concat(fslno, fadmdate) order by fslno) from corvane3_023.studadm"_s),
            u"00012026-03-09,00022026-03-09"_s);

    for (const Answer answer : {Answer::No, Answer::Yes}) {
        ui.reset();
        if (answer == Answer::No) {
            importSheet(u"023"_s, workbook(u"2301.xlsx"_s, rows));
            spread()->item(1, 1)->setText(u"BA"_s);
        }
        ui.answers = {answer};
        cmd(2)->click();
        ASSERT_GE(ui.messages.size(), 1) << ui.dump();
        const MessageRequest &question = ui.messages.first();
        EXPECT_EQ(question.buttons, Buttons::YesNo);
        EXPECT_EQ(question.defaultButton, Answer::No);
        EXPECT_TRUE(
                question.text.startsWith(u"2 of the students in this sheet already have an application"_s))
                << question.text.toStdString();
        if (answer == Answer::No) {
            EXPECT_EQ(ui.messages.size(), 1);
            EXPECT_EQ(appCount(u"studadm"_s), 2);
            EXPECT_TRUE(frame()->isVisible());
            EXPECT_TRUE(cmd(2)->isEnabled());
        } else {
            ASSERT_EQ(ui.messages.size(), 2);
            EXPECT_EQ(ui.last().text, summary.arg(u"2"_s, u"BA - 2"_s, u"4"_s));
            EXPECT_EQ(appCount(u"studadm"_s), 4);
        }
    }
}

// A sheet of another layout: the question comes while the progress window,
// titled like the screen, is up; declining loads nothing and offers only
// the error mail, which a second click while it is sent does not repeat.
TEST_F(ExcelScreen, aWrongLayoutIsAskedAboutAndTheErrorMailGoesOnce)
{
    admin(u"insert into corvane3_023.tmpcollstud(fname, fdegree) values ('Earlier upload', 'BA')"_s);
    const QString path =
            workbook(u"2301.xlsx"_s, {listHeading(), listRow(1, u"BA"_s, u"Anu"_s, u"9000000001"_s)});
    QStringList progressTitles;
    ui.onMessage = [&](const MessageRequest &) {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *p = qobject_cast<QProgressDialog *>(w); p && p->isVisible())
                progressTitles << p->windowTitle();
    };
    ui.answers = {Answer::No};
    importSheet(u"023"_s, path);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().defaultButton, Answer::No);
    EXPECT_TRUE(ui.last().text.contains(QLatin1String("Found: Sl No, College, Degree, Name, Mobile, Email")));
    EXPECT_EQ(progressTitles, QStringList{u"Import Student Data (Excel). . .2301"_s});
    EXPECT_EQ(appCount(u"tmpcollstud"_s), 1);
    ASSERT_TRUE(frame()->isVisible());
    EXPECT_FALSE(cmd(2)->isEnabled());

    relay.delayMs = 200;
    QTimer::singleShot(50, cmd(4), [this] { cmd(4)->click(); });
    cmd(4)->click();
    ASSERT_EQ(relay.requests.size(), 1);
    const auto q = QUrlQuery(QUrl(u"http://x"_s + QString::fromLatin1(relay.requests.at(0).target)))
                           .queryItems(QUrl::FullyDecoded);
    ASSERT_EQ(q.size(), 4);
    EXPECT_EQ(q[0].second, u"h2301@colleges.example"_s);
    EXPECT_EQ(q[1].second, u"023: Error in Uploaded Excel File"_s);
    EXPECT_EQ(q[3].second, kHelpDeskMailbox);
    EXPECT_EQ(ui.messages.size(), 1) << "a mail handed over shows nothing";

    relay.status = 500;
    text(2)->setText(u"moor@colleges.example"_s);
    cmd(4)->click();
    EXPECT_TRUE(
            ui.last().text.startsWith(QLatin1String("The error mail to moor@colleges.example was not sent")));
    cmd(3)->click();
    EXPECT_FALSE(frame()->isVisible());
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
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    EXPECT_FALSE(QFile::exists(stale));
}

} // namespace
