#pragma once

#include "core/students/excelimport.h"
#include "gui/students/screenutil.h"

class QComboBox;
class QFrame;
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

protected:
    void activated() override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What the Import and Update buttons run.
    enum class Import { Sheet, StudentList, Applications };

    // The buttons; each is ignored while another command of the screen runs.
    void chooseWorkbook();
    void loadWorkbook();
    void storeCheckedDegrees();
    void mailFormatError();

    // Runs a command of the screen unless one is running.
    void command(const std::function<void()> &work);
    void runImport(Import what);
    void chooseFile();
    void sendErrorMail();

    void loadSheet(const QString &db, const QString &univ, const QString &college, const QString &path);
    void storeStudentList(const QString &db, const QString &college,
                          const QVector<students::DegreeDecision> &grid);
    void storeApplications(const QString &db, const QString &college,
                           const QVector<students::DegreeDecision> &grid);
    void finishImport(const QString &college, const students::ImportCounters &counters,
                      const QString &beforeLine, const QString &afterLine);
    void fillGrid(const QVector<students::DegreeCount> &degrees);
    void showGrid(bool loaded);
    void hideGrid();
    void fitToContents();
    QVector<students::DegreeDecision> gridDecisions() const;

    QComboBox *m_university;
    QLineEdit *m_fileName;
    QLineEdit *m_collegeCode;
    QLineEdit *m_email; // the college's address for the error mail
    QPushButton *m_importButton;
    QPushButton *m_browseButton;
    // The degree grid and its buttons, shown once a sheet is read.
    QFrame *m_gridPanel;
    SheetGrid *m_degreeGrid;
    QPushButton *m_updateButton;
    QPushButton *m_cancelButton;
    QPushButton *m_errorMailButton;

    // The university and workbook of the last sheet read: the grid and the
    // staging table belong to them, whatever the fields say by now.
    QString m_sheetUniv;
    QString m_workbookPath;
    bool m_sheetLoaded = false; // the grid lists a loaded sheet: Update is offered
    // Counters kept between imports, as the summary shows them.
    students::ImportCounters m_counters;
    bool m_freshShow = true;
    // Closed while a command ran: the command is asked to stop, and the
    // screen closes once it has.
    bool m_closeWanted = false;
};
