#pragma once

#include <QColor>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

class QWidget;

// Light yellow: the background of emptied text and combo boxes.
inline QColor emptyColour()
{
    return QColor(255, 255, 192);
}

// A text box with a display mask ("##/##/####"); emptying writes the mask's
// placeholder text instead of "".
class MaskedEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit MaskedEdit(const QString &mask = QString(), QWidget *parent = nullptr);
    const QString &displayMask() const { return m_mask; }
    void setDisplayMask(const QString &mask) { m_mask = mask; }

private:
    QString m_mask;
};

// A picture box; emptying removes its picture.
class ImageBox : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;
};

// The two kinds of grid. A flex grid is emptied to no columns; a
// spread-sheet grid keeps its columns (clearSheetGrid).
class ResultGrid : public QTableWidget
{
    Q_OBJECT
public:
    using QTableWidget::QTableWidget;
};

class SheetGrid : public QTableWidget
{
    Q_OBJECT
public:
    using QTableWidget::QTableWidget;
};

// The placeholder a masked field shows when emptied; `known` is false for a
// mask outside the table (the field then keeps its text).
QString maskPlaceholder(const QString &mask, bool *known);

// Empties every input control of a form in control order: text boxes and
// combo boxes (light yellow), check boxes, list boxes, grids, masked fields,
// trees and pictures. Rich-text boxes, labels and buttons are left alone.
void clearInputs(QWidget *form);

// Empties a spread-sheet grid: every cell's text cleared, one row left, the
// columns unchanged, bold font.
void clearSheetGrid(QTableWidget *grid);

// A box the program fills shows its text from the start: setText leaves the
// cursor at the end, which scrolls a value wider than the box to its end.
// Typing in an editable box keeps its cursor where the typing puts it.
void showFromStart(QLineEdit *box);

// Makes text boxes select their whole text on getting the focus.
void selectAllOnFocus(QWidget *form);

// Turns every character typed into `edit` into upper case while typing;
// pasted text stays as pasted.
void upperCaseTyping(QWidget *edit);

// Enter moves the focus along `chain`, the Up arrow back (not from the last
// control, which keeps the key); a widget mapped to nullptr keeps the key for
// itself.
void keyChain(const QList<QWidget *> &chain);

// Makes Enter on a focused push button press it, as the help desk's keyboard
// habits expect (Qt only does so for a dialog's default button). Installed
// once on the application.
void enterPressesButtons();
