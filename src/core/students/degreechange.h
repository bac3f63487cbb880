#pragma once

#include <QString>

#include <functional>

// Moving one student to another college and/or degree: the upload row, the
// application with a new serial number, its subjects and documents, and a
// log row.
namespace students {

// The student shown after a look-up.
struct StudentLookup
{
    bool found = false;
    QString db;     // the university database the student was read from
    QString mobile; // the number looked up; an application number is replaced by its contact number
    QString name;
    QString college;     // fcollcode
    QString degree;      // fdegree
    QString collegeText; // "{fcollname}, {ftown}"
    QString degreeText;  // fdescpn
};

// Finds a student by mobile number in the chosen university; a text that is
// no stored mobile number is tried once as an application number. Throws the
// "no university" error when none is chosen.
StudentLookup lookupStudent(const QString &univCode, const QString &mobile);

// What the Change command works with: the university database and the old
// college and degree as the look-up found them, the rest as typed (trimmed).
// Nothing below reads the selected university of the session, so a look-up
// made meanwhile by another screen cannot redirect the change.
struct ChangeRequest
{
    QString db;
    QString mobile;
    QString oldCollege;
    QString newCollege;
    QString oldDegree;
    QString newDegree;
    QString user; // userName
};

// Which box a refusal sends the focus to.
enum class ChangeFocus { None, Mobile, NewCollege, NewDegree };

// A message that stops the command, with its icon and where the focus goes.
struct ChangeRefusal
{
    QString text;
    bool critical = false;
    ChangeFocus focus = ChangeFocus::None;
    bool refused() const { return !text.isEmpty(); }
};

// The checks made before anything is read: all boxes filled, something changed.
ChangeRefusal checkChangeInput(const ChangeRequest &request);

// What the checks before the confirmation found.
struct ChangePlan
{
    bool hasApplication = false;
    QString appno;          // empty when the student has no application
    QString newCollegeText; // for the display boxes
    QString newDegreeText;
};

// From the new college and degree to just before the confirmation: both
// exist, the application is found and not verified.
ChangeRefusal prepareChange(const ChangeRequest &request, ChangePlan &plan);

// Called at the start of each statement group of the change with its name
// ("serial", "student", "application", "subjects", "documents", "log"), while
// the transaction is open; lets a test widen a window.
using ChangeObserver = std::function<void(const QString &step)>;

// Writes the change after the confirmation, all of it or nothing. The new
// serial number is read under a named server lock held until the change has
// committed, so two changes into one college and degree never receive the
// same number. Refuses, writing nothing, when the student or the application
// is no longer where the look-up found it, or the application was verified
// meanwhile.
ChangeRefusal applyChange(const ChangeRequest &request, const ChangePlan &plan,
                          const ChangeObserver &observer = {});

// Updates the claim row of the college and degree; run inside the unit that
// takes a serial there, before the largest serial is read. The named lock
// serialises clients of one server only; this row also reaches the other
// servers of a cluster, where the unit that commits second fails
// certification, is run again and then reads the first one's number.
void claimSerialRow(const QString &db, const QString &college, const QString &degree);

} // namespace students
