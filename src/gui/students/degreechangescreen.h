#pragma once

#include "core/students/degreechange.h"
#include "gui/services/commandgate.h"
#include "gui/students/screenutil.h"

class QComboBox;
class QLineEdit;
class QPushButton;

// "Change Degree...": moves one student, found by mobile or application
// number, to another college and/or degree of the chosen university.
class DegreeChangeScreen : public students::UniversityScreen
{
    Q_OBJECT
public:
    explicit DegreeChangeScreen(QWidget *parent = nullptr);

    // The look-up run when the mobile box loses the focus.
    void lookupStudent();
    // The Change command (cmd(0)).
    void changeDegree();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *text(int index) const { return m_text[index]; }
    void runLookup();
    // Returns true when the change was made (the form is cleared).
    bool runChange();
    void refuse(const students::ChangeRefusal &refusal);

    QComboBox *m_cmb;
    QLineEdit *m_text[16] = {};
    QPushButton *m_cmd;
    CommandGate m_gate;
    // The student last found, with the university database it was read
    // from; the change writes there and nowhere else. Empty after a failed
    // look-up or a change.
    students::StudentLookup m_shown;
};
