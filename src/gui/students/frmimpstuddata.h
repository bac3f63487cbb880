#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "Import Student Data . . .": appends a college's CSV list of students to
// the chosen university's student list and shows what happened to each line.
class frmimpstuddata : public QWidget
{
    Q_OBJECT
public:
    explicit frmimpstuddata(QWidget *parent = nullptr);

    // The import (cmd(0)).
    void Import_Data();

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void chooseFile();

    QComboBox *m_cmb;
    QLineEdit *m_text[2];
    QPushButton *m_cmd[2];
    QLabel *m_lbreg[3];
    bool m_placed = false;
};
