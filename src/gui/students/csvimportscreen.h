#pragma once

#include "gui/students/screenutil.h"

class QComboBox;
class QLineEdit;
class QPushButton;

// "Import Student Data . . .": appends a college's CSV list of students to
// the chosen university's student list and shows what happened to each line.
class CsvImportScreen : public students::UniversityScreen
{
    Q_OBJECT
public:
    explicit CsvImportScreen(QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void chooseFile();
    // The Import button; ignored while an import runs.
    void importFile();
    void runImport();

    QComboBox *m_university;
    QLineEdit *m_fileName;
    QLineEdit *m_collegeCode;
    QPushButton *m_importButton;
    QPushButton *m_browseButton;
};
