#include "gui/students/screenutil.h"

#include "core/services/session.h"
#include "core/students/university.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QShowEvent>
#include <QStyledItemDelegate>

namespace students {

BusyCursor::BusyCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor()
{
    restore();
}

void BusyCursor::restore()
{
    if (m_active)
        QApplication::restoreOverrideCursor();
    m_active = false;
}

namespace {
// Shows an entry's name only: the code behind the gap of blanks is for the
// program, and the drop-down would otherwise widen to show it.
class NameOnlyDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant &value, const QLocale &locale) const override
    {
        const QString text = QStyledItemDelegate::displayText(value, locale);
        const int blanks = int(text.indexOf(QString(kUnivGap, QLatin1Char(' '))));
        return blanks < 0 ? text : text.left(blanks);
    }
};
} // namespace

void fillUniversities(QComboBox *combo)
{
    if (!combo)
        return;
    if (!dynamic_cast<NameOnlyDelegate *>(combo->itemDelegate()))
        combo->setItemDelegate(new NameOnlyDelegate(combo));
    // The window is activated again whenever a message box closes; the
    // person's choice must survive that, so it is kept when still listed.
    const QString chosen = combo->currentIndex() < 0 ? QString() : combo->currentText();
    combo->clear();
    for (const UnivRow &row : session().universities)
        combo->addItem(univEntry(row.name, row.code));
    combo->setCurrentIndex(chosen.isEmpty() ? -1 : combo->findText(chosen));
}

namespace {
QWidget *frameOf(QWidget *screen)
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(screen->parentWidget()))
        return sub;
    return screen;
}
} // namespace

void centreInHost(QWidget *screen)
{
    QWidget *frame = frameOf(screen);
    QWidget *host = frame->parentWidget();
    if (!host)
        return;
    frame->move(host->width() / 2 - frame->width() / 2, host->height() / 2 - frame->height() / 2);
}

void closeScreen(QWidget *screen)
{
    frameOf(screen)->close();
}

void UniversityScreen::activated()
{
    if (m_universities)
        m_universities->setFocus();
}

bool UniversityScreen::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate) {
        fillUniversities(m_universities);
        activated();
    }
    return QWidget::event(event);
}

bool UniversityScreen::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        // Keys that queued up while a command runs (they arrive when its
        // progress window closes) must not act on the screen under it.
        if (m_gate.busy())
            return true;
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            closeScreen(this);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void UniversityScreen::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A screen opened while the main window is already active gets no
    // activation, so the list is filled here too.
    fillUniversities(m_universities);
    if (!m_placed) {
        m_placed = true;
        centreInHost(this);
    }
}

void UniversityScreen::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        closeScreen(this);
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace students
