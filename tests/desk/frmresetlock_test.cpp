#include "deskfixture.h"

#include "gui/desk/frmresetlock.h"
#include "gui/services/formutil.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace {

class ResetLock : public DeskTest
{
protected:
    void SetUp() override
    {
        DeskTest::SetUp();
        addUser(QStringLiteral("ZED"), QStringLiteral("B1"), QStringLiteral("12"));
        addUser(QStringLiteral("AMY"), QStringLiteral("B"));
        addUser(QStringLiteral("CAL"), QStringLiteral("C"), QStringLiteral("14"));
        addUser(QStringLiteral("NOLEVEL"), QString());
        form = new frmresetlock;
        form->show();
        form->activateWindow();
        QApplication::processEvents();
        level = form->findChild<QLineEdit *>(QStringLiteral("text(0)"));
        grid = form->findChild<SpreadGrid *>(QStringLiteral("spread"));
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

TEST_F(ResetLock, captionsAndLayout)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Release Locked Users. . ."));
    EXPECT_EQ(level->maxLength(), 5);
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), QStringLiteral("User Name"));
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), QStringLiteral("Tkt. Id."));
    EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), QStringLiteral("Select"));
    auto *button = qobject_cast<QPushButton *>(grid->cellWidget(0, 2));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("Release"));
}

TEST_F(ResetLock, anEmptyLevelListsEveryoneWithALevel)
{
    leaveLevel(Qt::TabFocusReason);
    EXPECT_EQ(listed(),
              (QStringList{QStringLiteral("AMY|"), QStringLiteral("CAL|14"), QStringLiteral("ZED|12")}));
    for (int r = 0; r < grid->rowCount(); ++r)
        EXPECT_NE(qobject_cast<QPushButton *>(grid->cellWidget(r, 2)), nullptr) << r;
}

TEST_F(ResetLock, aPrefixListsEveryLevelBeginningWithIt)
{
    level->setText(QStringLiteral("B"));
    leaveLevel(Qt::MouseFocusReason);
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("AMY|"), QStringLiteral("ZED|12")}));
    level->setText(QStringLiteral("X"));
    leaveLevel(Qt::TabFocusReason);
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("|")})); // one empty row
    level->setText(QStringLiteral("B'%"));
    leaveLevel(Qt::TabFocusReason);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(ResetLock, tabbingBackwardsDoesNotList)
{
    level->setText(QStringLiteral("C"));
    leaveLevel(Qt::BacktabFocusReason);
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("|")}));
}

TEST_F(ResetLock, focusGoingToAnotherWindowDoesNotList)
{
    QWidget other;
    auto *box = new QLineEdit(&other);
    other.show();
    level->setText(QStringLiteral("C"));
    level->setFocus();
    other.activateWindow();
    box->setFocus(Qt::ActiveWindowFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("|")}));
}

TEST_F(ResetLock, releaseClearsTheUserAndSaysSoEvenWhenNothingWasHeld)
{
    leaveLevel(Qt::TabFocusReason);
    qobject_cast<QPushButton *>(grid->cellWidget(1, 2))->click(); // CAL
    EXPECT_EQ(heldBy(QStringLiteral("CAL")), QString());
    EXPECT_EQ(heldBy(QStringLiteral("ZED")), QStringLiteral("12"));
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.last().text, QStringLiteral("Lock Released!!"));
    EXPECT_EQ(ui.last().icon, Icon::Information);
    EXPECT_EQ(listed().at(1), QStringLiteral("CAL|14"));          // the list is not refreshed
    qobject_cast<QPushButton *>(grid->cellWidget(0, 2))->click(); // AMY holds nothing
    EXPECT_EQ(ui.messages.size(), 2);
    EXPECT_EQ(ui.last().text, QStringLiteral("Lock Released!!"));
    EXPECT_EQ(lockFlag(), QString()); // the assignment lock is not touched
}

TEST_F(ResetLock, escapeInTheLevelBoxCloses)
{
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(level, &esc);
    EXPECT_FALSE(form->isVisible());
}

} // namespace
