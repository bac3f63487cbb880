#pragma once

#include "core/students/studentimport.h"
#include "gui/services/commandgate.h"
#include "gui/students/screenutil.h"

#include <QPointer>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressDialog;
class QPushButton;

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

    // Shows a step; safe inside a transaction.
    void report(int index, int count, const QString &text);
    students::StepObserver observer();
    // Closes the window and lets the clicks that queued up meanwhile reach
    // the command's buttons while they are still disabled.
    void close();

private:
    QPointer<QProgressDialog> m_dialog;
};

// "Import Student Data . . .": appends a college's CSV list of students to
// the chosen university's student list and shows what happened to each line.
class CsvImportScreen : public students::UniversityScreen
{
    Q_OBJECT
public:
    explicit CsvImportScreen(QWidget *parent = nullptr);

    // The import (cmd(0)); ignored while one runs.
    void Import_Data();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void chooseFile();
    void runImport();

    QComboBox *m_cmb;
    QLineEdit *m_text[2];
    QPushButton *m_cmd[2];
    QLabel *m_lbreg[3];
    CommandGate m_gate;
};
