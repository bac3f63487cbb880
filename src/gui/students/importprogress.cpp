#include "gui/students/importprogress.h"

#include <QApplication>
#include <QProgressDialog>

namespace students {

ImportProgress::ImportProgress(QWidget *screen, const QString &title, const QString &text)
    : m_dialog(new QProgressDialog(screen))
{
    m_dialog->setWindowTitle(title);
    // Not modal: a modal progress window lets events run on every update.
    m_dialog->setWindowModality(Qt::NonModal);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setCancelButton(nullptr);
    m_dialog->setMinimumDuration(0);
    m_dialog->setMinimumWidth(420);
    m_dialog->setLabelText(text);
    m_dialog->setRange(0, 0);
    m_dialog->show();
    // Once, before any transaction: the window system maps the window.
    QApplication::processEvents();
}

ImportProgress::~ImportProgress()
{
    delete m_dialog;
}

void ImportProgress::report(int index, int count, const QString &text)
{
    if (!m_dialog)
        return;
    // A count of 0 shows a busy bar: no percentage that never moves.
    m_dialog->setRange(0, qMax(count, 0));
    m_dialog->setValue(qMin(index, count));
    m_dialog->setLabelText(text + QStringLiteral(" . . ."));
    m_dialog->repaint();
}

StepObserver ImportProgress::observer()
{
    return [this](int index, int count, const QString &caption) { report(index, count, caption); };
}

void ImportProgress::close()
{
    if (m_dialog) {
        m_dialog->hide();
        // The screen takes the keyboard back from the progress window.
        if (QWidget *screen = m_dialog->parentWidget())
            screen->window()->activateWindow();
    }
    QApplication::processEvents();
}

} // namespace students
