#pragma once

#include "gui/students/screenutil.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Import Student Data . . .": appends a college's CSV list of students to
// the chosen university's student list and shows what happened to each line.
class frmimpstuddata : public students::UniversityScreen
{
    Q_OBJECT
public:
    explicit frmimpstuddata(QWidget *parent = nullptr);

    // The import (cmd(0)).
    void Import_Data();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void chooseFile();

    QComboBox *m_cmb;
    QLineEdit *m_text[2];
    QPushButton *m_cmd[2];
    QLabel *m_lbreg[3];
};
