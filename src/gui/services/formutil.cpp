#include "gui/services/formutil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

MaskedEdit::MaskedEdit(const QString &mask, QWidget *parent)
    : QLineEdit(parent)
    , m_mask(mask)
{}

QString maskPlaceholder(const QString &mask, bool *known)
{
    *known = true;
    if (mask == QLatin1String("##/##/####"))
        return QStringLiteral("__/__/____");
    if (mask == QLatin1String("##:##"))
        return QStringLiteral("__:__");
    if (mask == QLatin1String("##:## ??"))
        return QStringLiteral("__:__ __");
    if (mask == QLatin1String("##/####"))
        return QStringLiteral("__/____");
    if (mask.isEmpty())
        return QString();
    *known = false;
    return QString();
}

void showFromStart(QLineEdit *box)
{
    QObject::connect(box, &QLineEdit::textChanged, box, [box] {
        if (box->isReadOnly() || !box->hasFocus())
            box->setCursorPosition(0);
    });
}

namespace {

void paintEmpty(QWidget *w)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Base, emptyColour());
    w->setPalette(p);
}

// One control, by type; the first matching kind wins.
void clearControl(QObject *child)
{
    if (auto *masked = qobject_cast<MaskedEdit *>(child)) {
        // Checked before plain text boxes: a masked field is its own kind.
        bool known = false;
        const QString text = maskPlaceholder(masked->displayMask(), &known);
        if (known)
            masked->setText(text);
    } else if (auto *line = qobject_cast<QLineEdit *>(child)) {
        if (qobject_cast<QComboBox *>(line->parent()))
            return; // the edit field inside a combo box belongs to the combo box
        line->setText(QString());
        paintEmpty(line);
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(child)) {
        plain->setPlainText(QString());
        paintEmpty(plain);
    } else if (auto *check = qobject_cast<QCheckBox *>(child)) {
        check->setChecked(false);
    } else if (auto *combo = qobject_cast<QComboBox *>(child)) {
        combo->setCurrentIndex(-1);
        paintEmpty(combo);
    } else if (auto *list = qobject_cast<QListWidget *>(child)) {
        list->clear();
    } else if (auto *flex = qobject_cast<ResultGrid *>(child)) {
        flex->setRowCount(1);
        flex->setColumnCount(0);
        flex->clearContents();
    } else if (auto *tree = qobject_cast<QTreeWidget *>(child)) {
        tree->clear();
    } else if (auto *spread = qobject_cast<SheetGrid *>(child)) {
        clearSheetGrid(spread);
    } else if (auto *image = qobject_cast<ImageBox *>(child)) {
        image->setPixmap(QPixmap());
    }
}

class SelectAllFilter : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusIn) {
            if (auto *line = qobject_cast<QLineEdit *>(watched))
                QTimer::singleShot(0, line, &QLineEdit::selectAll); // after the click has placed the cursor
            else if (auto *plain = qobject_cast<QPlainTextEdit *>(watched))
                QTimer::singleShot(0, plain, &QPlainTextEdit::selectAll);
        }
        return false;
    }
};

} // namespace

void clearInputs(QWidget *form)
{
    if (!form)
        return;
    // Emptying a control may delete some of its own children (views, editors),
    // so every entry is guarded.
    QList<QPointer<QObject>> children;
    for (QObject *child : form->findChildren<QObject *>())
        children.append(child);
    for (const QPointer<QObject> &child : children)
        if (child)
            clearControl(child);
}

void clearSheetGrid(QTableWidget *grid)
{
    if (!grid)
        return;
    for (int r = 0; r < grid->rowCount(); ++r)
        for (int c = 0; c < grid->columnCount(); ++c)
            if (QTableWidgetItem *item = grid->item(r, c))
                item->setText(QString());
    grid->setRowCount(1);
    QFont font = grid->font();
    font.setBold(true);
    grid->setFont(font);
}

void selectAllOnFocus(QWidget *form)
{
    auto *filter = new SelectAllFilter(form);
    for (QLineEdit *line : form->findChildren<QLineEdit *>())
        line->installEventFilter(filter);
    for (QPlainTextEdit *plain : form->findChildren<QPlainTextEdit *>())
        plain->installEventFilter(filter);
}

namespace {

class UpperCaseFilter : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        if (text.isEmpty() || key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            return false;
        const QString upper = text.toUpper();
        if (upper == text || upper.size() != text.size())
            return false;
        // Re-send the key with upper-cased text, so the box's own editing
        // (selection, cursor, max length, validators) applies as usual.
        QKeyEvent shifted(QEvent::KeyPress, key->key(), key->modifiers(), upper, key->isAutoRepeat(),
                          ushort(key->count()));
        QCoreApplication::sendEvent(watched, &shifted);
        return true;
    }
};

class KeyChainFilter : public QObject
{
public:
    KeyChainFilter(const QList<QWidget *> &chain, QObject *parent)
        : QObject(parent)
        , m_chain(chain)
    {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent *>(event)->key();
        const int at = int(m_chain.indexOf(static_cast<QWidget *>(watched)));
        if (at < 0)
            return false;
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && at + 1 < m_chain.size() && m_chain[at + 1]) {
            m_chain[at + 1]->setFocus(Qt::TabFocusReason);
            return true;
        }
        // Up walks back from the boxes only: on the chain's last control (a
        // button, a tree) the key keeps its own meaning.
        if (key == Qt::Key_Up && at > 0 && at + 1 < m_chain.size() && m_chain[at - 1]) {
            m_chain[at - 1]->setFocus(Qt::BacktabFocusReason);
            return true;
        }
        return false;
    }

private:
    QList<QWidget *> m_chain;
};

} // namespace

void upperCaseTyping(QWidget *edit)
{
    edit->installEventFilter(new UpperCaseFilter(edit));
}

void keyChain(const QList<QWidget *> &chain)
{
    if (chain.isEmpty() || !chain.first())
        return;
    auto *filter = new KeyChainFilter(chain, chain.first());
    for (QWidget *w : chain)
        if (w)
            w->installEventFilter(filter);
}

namespace {
class EnterPressesButton : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent *>(event)->key();
        auto *button = qobject_cast<QPushButton *>(watched);
        if (!button || (key != Qt::Key_Return && key != Qt::Key_Enter) || !button->isEnabled())
            return false;
        button->click();
        return true;
    }
};
} // namespace

void enterPressesButtons()
{
    static EnterPressesButton *filter = nullptr;
    if (!filter && QCoreApplication::instance()) {
        filter = new EnterPressesButton(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(filter);
    }
}
