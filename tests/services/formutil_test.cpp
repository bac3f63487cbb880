#include "gui/services/formutil.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTreeWidget>
#include <QWidget>
#include <QtTest/QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct Form
{
    QWidget form;
    QLineEdit *text = new QLineEdit(u"typed"_s, &form);
    QPlainTextEdit *memo = new QPlainTextEdit(u"lines\nmore"_s, &form);
    QTextEdit *rich = new QTextEdit(u"rich stays"_s, &form);
    QCheckBox *check = new QCheckBox(&form);
    QComboBox *combo = new QComboBox(&form);
    QComboBox *editableCombo = new QComboBox(&form);
    QListWidget *list = new QListWidget(&form);
    FlexGrid *flex = new FlexGrid(4, 3, &form);
    SpreadGrid *spread = new SpreadGrid(5, 3, &form);
    QTreeWidget *tree = new QTreeWidget(&form);
    MaskedEdit *date = new MaskedEdit(u"##/##/####"_s, &form);
    MaskedEdit *odd = new MaskedEdit(u"?\?-##"_s, &form);
    MaskedEdit *plainMask = new MaskedEdit(QString(), &form);
    ImageBox *image = new ImageBox(&form);
    QLabel *caption = new QLabel(u"Caption"_s, &form);

    Form()
    {
        check->setChecked(true);
        combo->addItems({u"a"_s, u"b"_s});
        combo->setCurrentIndex(1);
        editableCombo->setEditable(true);
        editableCombo->addItem(u"x"_s);
        list->addItems({u"1"_s, u"2"_s});
        for (int r = 0; r < 5; ++r)
            spread->setItem(r, 1, new QTableWidgetItem(u"cell"_s));
        spread->setHorizontalHeaderLabels({u"H1"_s, u"H2"_s, u"H3"_s});
        flex->setItem(0, 0, new QTableWidgetItem(u"f"_s));
        new QTreeWidgetItem(tree, {u"node"_s});
        date->setText(u"01/02/2026"_s);
        odd->setText(u"AB-12"_s);
        plainMask->setText(u"x"_s);
        QPixmap pm(4, 4);
        pm.fill(Qt::red);
        image->setPixmap(pm);
    }

    QString snapshot() const
    {
        return QStringList{text->text(),
                           memo->toPlainText(),
                           rich->toPlainText(),
                           QString::number(check->isChecked()),
                           QString::number(combo->currentIndex()),
                           QString::number(list->count()),
                           u"%1x%2"_s.arg(flex->rowCount()).arg(flex->columnCount()),
                           u"%1x%2"_s.arg(spread->rowCount()).arg(spread->columnCount()),
                           QString::number(tree->topLevelItemCount()),
                           date->text(),
                           odd->text(),
                           plainMask->text(),
                           QString::number(image->pixmap().isNull()),
                           caption->text()}
                .join(QLatin1Char('|'));
    }
};

TEST(ClearForm, emptiesEachControlKindAndTwiceEqualsOnce)
{
    Form f;
    ClearForm(&f.form);
    const QString once = f.snapshot();
    EXPECT_EQ(once, u"||rich stays|0|-1|0|1x0|1x3|0|__/__/____|AB-12||1|Caption"_s);
    EXPECT_EQ(f.text->palette().color(QPalette::Base), emptyColour());
    EXPECT_EQ(f.combo->palette().color(QPalette::Base), emptyColour());
    EXPECT_TRUE(f.spread->font().bold());
    // Headings of the spread-sheet grid are its layout, not its cells.
    EXPECT_EQ(f.spread->horizontalHeaderItem(1)->text(), u"H2"_s);
    EXPECT_EQ(f.spread->item(0, 1)->text(), QString());

    ClearForm(&f.form);
    EXPECT_EQ(f.snapshot(), once);
}

TEST(ClearForm, maskTable)
{
    struct Case
    {
        const char *mask;
        const char *placeholder;
        bool known;
    };
    const Case cases[] = {
            {"##/##/####", "__/__/____", true}, {"##:##", "__:__", true}, {"##:## ??", "__:__ __", true},
            {"##/####", "__/____", true},       {"", "", true},           {"(###) ###-####", "", false},
            {"##-##-####", "", false}};
    for (const Case &c : cases) {
        bool known = false;
        EXPECT_EQ(maskPlaceholder(QString::fromLatin1(c.mask), &known), QString::fromLatin1(c.placeholder))
                << c.mask;
        EXPECT_EQ(known, c.known) << c.mask;
    }
}

TEST(ClearForm, aFormWithoutTextBoxesOnlyLosesItsOtherInputs)
{
    QWidget form;
    auto *check = new QCheckBox(&form);
    check->setChecked(true);
    auto *label = new QLabel(u"stays"_s, &form);
    ClearForm(&form);
    EXPECT_FALSE(check->isChecked());
    EXPECT_EQ(label->text(), u"stays"_s);
    ClearForm(nullptr); // no crash
}

} // namespace

namespace {
TEST(Keys, enterPressesTheFocusedButtonAndWalksTheChain)
{
    enterPressesButtons();
    QWidget form;
    auto *a = new QLineEdit(&form);
    auto *b = new QLineEdit(&form);
    auto *ok = new QPushButton(u"OK"_s, &form);
    int clicks = 0;
    QObject::connect(ok, &QPushButton::clicked, [&clicks] { ++clicks; });
    keyChain({a, b, ok});
    form.show();
    form.activateWindow();
    a->setFocus();
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
}

TEST(Keys, theLastControlOfTheChainKeepsTheUpArrow)
{
    QWidget form;
    auto *box = new QLineEdit(&form);
    auto *list = new QListWidget(&form);
    list->addItems({u"N1"_s, u"N11"_s});
    keyChain({box, list});
    form.show();
    form.activateWindow();
    list->setFocus();
    list->setCurrentRow(1);
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(form.focusWidget(), list);
    EXPECT_EQ(list->currentRow(), 0);
}

TEST(Keys, typedCharactersAreUpperCasedPastedOnesAreNot)
{
    QLineEdit edit;
    upperCaseTyping(&edit);
    edit.show();
    QTest::keyClicks(&edit, u"ab1"_s);
    QKeyEvent accented(QEvent::KeyPress, 0, Qt::NoModifier, u"é"_s);
    QApplication::sendEvent(&edit, &accented);
    EXPECT_EQ(edit.text(), u"AB1É"_s);
    edit.insert(u"pasted"_s);
    EXPECT_EQ(edit.text(), u"AB1Épasted"_s);
}
} // namespace
