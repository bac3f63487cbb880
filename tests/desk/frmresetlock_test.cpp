#include "deskfixture.h"

#include "gui/desk/frmresetlock.h"
#include "gui/services/formutil.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

class ResetLock : public DeskTest
{
protected:
    void SetUp() override
    {
        DeskTest::SetUp();
        addUser(u"ZED"_s, u"B1"_s, u"12"_s);
        addUser(u"AMY"_s, u"B"_s);
        addUser(u"CAL"_s, u"C"_s, u"14"_s);
        addUser(u"NOLEVEL"_s, QString());
        form = new frmresetlock;
        form->show();
        form->activateWindow();
        QApplication::processEvents();
        level = form->findChild<QLineEdit *>(u"text(0)"_s);
        grid = form->findChild<SpreadGrid *>(u"spread"_s);
    }
    void TearDown() override
    {
        delete form.data();
        DeskTest::TearDown();
    }
    QStringList listed() const
    {
        QStringList out;
        for (int r = 0; r < grid->rowCount(); ++r) {
            const auto *name = grid->item(r, 0);
            const auto *tkt = grid->item(r, 1);
            out << (name ? name->text() : QString()) + QLatin1Char('|') + (tkt ? tkt->text() : QString());
        }
        return out;
    }
    void leaveLevel(Qt::FocusReason reason)
    {
        level->setFocus(Qt::OtherFocusReason);
        grid->setFocus(reason);
        QApplication::processEvents();
    }

    QPointer<frmresetlock> form;
    QLineEdit *level = nullptr;
    SpreadGrid *grid = nullptr;
};

TEST_F(ResetLock, leavingTheLevelBoxForwardListsTheLevelsBeginningWithIt)
{
    leaveLevel(Qt::TabFocusReason); // empty: everyone with a level
    EXPECT_EQ(listed(), (QStringList{u"AMY|"_s, u"CAL|14"_s, u"ZED|12"_s}));
    for (int r = 0; r < grid->rowCount(); ++r)
        EXPECT_EQ(qobject_cast<QPushButton *>(grid->cellWidget(r, 2))->text(), u"Release"_s) << r;
    const std::pair<const char *, QStringList> cases[] = {
            {"B", {u"AMY|"_s, u"ZED|12"_s}}, {"X", {u"|"_s}}, {"B'%", {u"|"_s}}}; // none: one empty row
    for (const auto &[typed, rows] : cases) {
        level->setText(QString::fromLatin1(typed));
        leaveLevel(Qt::MouseFocusReason);
        EXPECT_EQ(listed(), rows) << typed;
    }
    // Tabbing backwards, or focus leaving with the window, does not list "C".
    level->setText(u"C"_s);
    leaveLevel(Qt::BacktabFocusReason);
    EXPECT_EQ(listed(), (QStringList{u"|"_s}));
    QWidget other;
    auto *box = new QLineEdit(&other);
    other.show();
    level->setFocus();
    other.activateWindow();
    box->setFocus(Qt::ActiveWindowFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(listed(), (QStringList{u"|"_s}));
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
}

TEST_F(ResetLock, releaseClearsTheUserAndSaysSoEvenWhenNothingWasHeld)
{
    leaveLevel(Qt::TabFocusReason);
    qobject_cast<QPushButton *>(grid->cellWidget(1, 2))->click(); // CAL
    EXPECT_EQ(heldBy(u"CAL"_s), QString());
    EXPECT_EQ(heldBy(u"ZED"_s), u"12"_s);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, u"Lock Released!!"_s);
    EXPECT_EQ(ui.last().icon, Icon::Information);
    EXPECT_EQ(listed().at(1), u"CAL|14"_s);                       // the list is not refreshed
    qobject_cast<QPushButton *>(grid->cellWidget(0, 2))->click(); // AMY holds nothing
    EXPECT_EQ(ui.messages.size(), 2);
    EXPECT_EQ(ui.last().text, u"Lock Released!!"_s);
    EXPECT_EQ(lockFlag(), QString()); // the assignment lock is not touched
}

} // namespace
