#pragma once

#include "core/students/studentimport.h"

#include "gui/students/screenutil.h"

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class SpreadGrid;

namespace students {
struct DegreeDecision;
}

// "Import Student Data (Excel). . .": stages a college's workbook, lists its
// degrees for the operator to check, and stores the students (or, for
// university "023", complete applications).
class frmimpstuddataxls : public students::UniversityScreen
{
    Q_OBJECT
public:
    explicit frmimpstuddataxls(QWidget *parent = nullptr);

    // The import procedure: phase 0 stages the sheet, 2 stores the student
    // list, 3 the applications.
    void Import_Data(int phase);

protected:
    void activated() override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void chooseFile();
    void applyGrid();
    void cancel();
    void sendErrorMail();

    void sheetPhase(const QString &univ, const QString &college, const QString &path);
    void studentListPhase(const QString &univ, const QString &college);
    void applicationPhase(const QString &univ, const QString &college);
    void finish(const QString &college, const students::ImportCounters &counters, const QString &beforeLine,
                const QString &afterLine);
    void showGrid(bool loaded);
    void hideGrid();
    void fitToContents();
    QVector<students::DegreeDecision> gridDecisions() const;

    QComboBox *m_cmb;
    QLineEdit *m_text[3];
    QPushButton *m_cmd[5];
    QLabel *m_lbreg[4];
    QFrame *m_frame;
    SpreadGrid *m_spread;

    // The university and workbook of the last sheet phase: the grid and the
    // staging table belong to them, whatever the fields say by now.
    QString m_sheetUniv;
    QString m_workbookPath;
    // Counters kept between imports, as the summary shows them.
    students::ImportCounters m_counters;
    bool m_freshShow = true;
};
