#include "gui/services/formutil.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Inputs are emptied; grid headings and fields with an unknown mask stay; a
// second clear finds nothing more to do.
TEST(ClearForm, emptiesInputsOnlyAndTwiceEqualsOnce)
{
    QWidget form;
    auto *text = new QLineEdit(u"typed"_s, &form);
    auto *combo = new QComboBox(&form);
    combo->setEditable(true);
    combo->addItems({u"a"_s, u"b"_s});
    auto *spread = new SpreadGrid(5, 2, &form);
    spread->setHorizontalHeaderLabels({u"H1"_s, u"H2"_s});
    spread->setItem(0, 1, new QTableWidgetItem(u"cell"_s));
    auto *date = new MaskedEdit(u"##/##/####"_s, &form);
    date->setText(u"01/02/2026"_s);
    auto *odd = new MaskedEdit(u"?\?-##"_s, &form);
    odd->setText(u"AB-12"_s);
    for (int i = 0; i < 2; ++i) {
        ClearForm(&form);
        EXPECT_EQ(QStringList({text->text(), QString::number(combo->currentIndex()),
                               QString::number(spread->rowCount()), spread->horizontalHeaderItem(1)->text(),
                               spread->item(0, 1)->text(), date->text(), odd->text()}),
                  QStringList({QString(), u"-1"_s, u"1"_s, u"H2"_s, QString(), u"__/__/____"_s, u"AB-12"_s}));
    }
}

TEST(Keys, typingUpperCasesEnterWalksTheChainAndPressesButtons)
{
    enterPressesButtons();
    QWidget form;
    auto *a = new QLineEdit(&form);
    auto *b = new QLineEdit(&form);
    auto *ok = new QPushButton(u"OK"_s, &form);
    auto *list = new QListWidget(&form);
    list->addItems({u"N1"_s, u"N11"_s});
    int clicks = 0;
    QObject::connect(ok, &QPushButton::clicked, [&clicks] { ++clicks; });
    keyChain({a, b, ok});
    keyChain({new QLineEdit(&form), list});
    form.show();
    form.activateWindow();
    a->setFocus();
    // Typed characters are upper-cased, pasted ones are not.
    upperCaseTyping(a);
    QTest::keyClicks(a, u"ab1"_s);
    QKeyEvent accented(QEvent::KeyPress, 0, Qt::NoModifier, u"é"_s);
    QApplication::sendEvent(a, &accented);
    a->insert(u"pasted"_s);
    EXPECT_EQ(a->text(), u"AB1Épasted"_s);
    QTest::keyClick(a, Qt::Key_Return);
    EXPECT_EQ(form.focusWidget(), b);
    QTest::keyClick(b, Qt::Key_Up);
    EXPECT_EQ(form.focusWidget(), a);
    QTest::keyClick(a, Qt::Key_Return);
    QTest::keyClick(b, Qt::Key_Return);
    EXPECT_EQ(form.focusWidget(), ok);
    QTest::keyClick(ok, Qt::Key_Return);
    EXPECT_EQ(clicks, 1);
    ok->setEnabled(false);
    QTest::keyClick(ok, Qt::Key_Enter);
    EXPECT_EQ(clicks, 1);
    // The last control of the chain keeps the Up arrow for itself.
    list->setFocus();
    list->setCurrentRow(1);
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(form.focusWidget(), list);
    EXPECT_EQ(list->currentRow(), 0);
}

} // namespace
