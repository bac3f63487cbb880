#pragma once

#include "core/students/studentimport.h"

#include <QPointer>

class QProgressDialog;
class QWidget;

namespace students {

// The progress window of the import screens, titled with the screen's
// caption. It is shown before any transaction opens; while one is open it is
// only repainted and never lets other events run (another screen's timer
// could otherwise send its statements into the import's transaction).
class ImportProgress
{
public:
    ImportProgress(QWidget *screen, const QString &title, const QString &text);
    ~ImportProgress();
    ImportProgress(const ImportProgress &) = delete;
    ImportProgress &operator=(const ImportProgress &) = delete;

    // Shows a step (a busy bar for a count of 0); safe inside a transaction.
    void report(int index, int count, const QString &text);
    StepObserver observer();
    // Closes the window and lets the clicks that queued up meanwhile reach
    // the command's buttons while they are still disabled.
    void close();

private:
    QPointer<QProgressDialog> m_dialog;
};

} // namespace students
