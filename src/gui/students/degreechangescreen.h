#pragma once

#include "core/students/degreechange.h"
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

    // The Change button; ignored while a change runs.
    void changeDegree();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Run when the mobile box loses the focus.
    void lookupStudent();
    void runLookup();
    // Returns true when the change was made (the form is cleared).
    bool runChange();
    void refuse(const students::ChangeRefusal &refusal);

    QComboBox *m_university;
    // The codes: the mobile number is typed, the old codes come from the
    // look-up and the new ones are typed over copies of them.
    QLineEdit *m_mobile;
    QLineEdit *m_oldCollege;
    QLineEdit *m_newCollege;
    QLineEdit *m_oldDegree;
    QLineEdit *m_newDegree;
    // What the look-up and the checks found, shown beside the codes.
    QLineEdit *m_studentName;
    QLineEdit *m_oldCollegeName;
    QLineEdit *m_newCollegeName;
    QLineEdit *m_oldDegreeName;
    QLineEdit *m_newDegreeName;
    QLineEdit *m_applicationNumber;
    QPushButton *m_changeButton;
    // The student last found, with the university database it was read
    // from; the change writes there and nowhere else. Empty after a failed
    // look-up or a change.
    students::StudentLookup m_shown;
};
