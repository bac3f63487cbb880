#include "gui/students/screenutil.h"

#include "core/services/session.h"
#include "core/students/university.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiSubWindow>

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

void fillUniversities(QComboBox *combo)
{
    // The window is activated again whenever a message box closes; the
    // person's choice must survive that, so it is kept when still listed.
    const QString chosen = combo->currentIndex() < 0 ? QString() : combo->currentText();
    combo->clear();
    for (const UnivRow &row : session().UnivList)
        combo->addItem(univEntry(row.name, row.code));
    combo->setCurrentIndex(chosen.isEmpty() ? -1 : combo->findText(chosen));
}

void upperCaseTyping(QLineEdit *edit)
{
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString &text) {
        const QString upper = text.toUpper();
        if (upper == text)
            return;
        const int cursor = edit->cursorPosition();
        edit->setText(upper);
        edit->setCursorPosition(cursor);
    });
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

} // namespace students
