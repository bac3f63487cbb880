#pragma once

#include "core/students/excelimport.h"
#include "gui/services/commandgate.h"
#include "gui/students/screenutil.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class SheetGrid;

// "Import Student Data (Excel). . .": stages a college's workbook, lists its
// degrees for the operator to check, and stores the students (or, for
// university "023", complete applications).
class ExcelImportScreen : public students::UniversityScreen
{
    Q_OBJECT
public:
    explicit ExcelImportScreen(QWidget *parent = nullptr);

    // The import procedure: phase 0 stages the sheet, 2 stores the student
    // list, 3 the applications. Ignored while another command of the screen
    // runs.
    void Import_Data(int phase);

protected:
    void activated() override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Runs a command of the screen unless one is running.
    void command(const std::function<void()> &work);
    void chooseFile();
    void importPhase(int phase);
    void sendErrorMail();

    void sheetPhase(const QString &db, const QString &univ, const QString &college, const QString &path);
    void studentListPhase(const QString &db, const QString &college,
                          const QVector<students::DegreeDecision> &grid);
    void applicationPhase(const QString &db, const QString &college,
                          const QVector<students::DegreeDecision> &grid);
    void finish(const QString &college, const students::ImportCounters &counters, const QString &beforeLine,
                const QString &afterLine);
    void fillGrid(const QVector<students::DegreeCount> &degrees);
    void showGrid(bool loaded);
    void hideGrid();
    void fitToContents();
    QVector<students::DegreeDecision> gridDecisions() const;

    QComboBox *m_cmb;
    QLineEdit *m_text[3];
    QPushButton *m_cmd[5];
    QLabel *m_lbreg[4];
    QFrame *m_frame;
    SheetGrid *m_spread;
    CommandGate m_gate;

    // The university and workbook of the last sheet phase: the grid and the
    // staging table belong to them, whatever the fields say by now.
    QString m_sheetUniv;
    QString m_workbookPath;
    bool m_sheetLoaded = false; // the grid lists a loaded sheet: Update is offered
    // Counters kept between imports, as the summary shows them.
    students::ImportCounters m_counters;
    bool m_freshShow = true;
};
