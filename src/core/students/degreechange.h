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
    QString mobile;      // the number looked up; an application number is replaced by its contact number
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

// The values the Change command works with, each trimmed.
struct ChangeRequest
{
    QString mobile;
    QString oldCollege;
    QString newCollege;
    QString oldDegree;
    QString newDegree;
    QString user; // LoginUser
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

// The checks made before the retry point: all boxes filled, something changed.
ChangeRefusal checkChangeInput(const ChangeRequest &request);

// Progress of one Change command, kept across reconnects: the statements
// already done are not repeated and the serial number, once written, stays.
struct ChangeRun
{
    QString db;
    bool hasApplication = false;
    QString appno;            // empty when the student has no application
    QString serial;           // the new serial number once read ("0008")
    QString newCollegeText;   // for the display boxes
    QString newDegreeText;
    int done = 0;             // statements done, in order
};

// From the retry point to just before the confirmation: the new college and
// degree exist, the application is found and not verified.
ChangeRefusal prepareChange(const ChangeRequest &request, ChangeRun &run);

// The statements the change runs, in order; the observer is told before each.
enum class ChangeStep { Serial, Student, Application, Subjects, Documents, Log };
using ChangeObserver = std::function<void(ChangeStep)>;

// Writes the change after the confirmation. The new serial number is read and
// written under a named server lock, so two changes into one college and
// degree never receive the same number. Resumable with the same `run`.
void applyChange(const ChangeRequest &request, ChangeRun &run, const ChangeObserver &observer = {});

// The next serial number in a college and degree: the largest stored plus
// one, as four digits ("0001" when there is none).
QString nextSerial(const QString &db, const QString &college, const QString &degree);

// Error number when another change holds the serial lock too long.
constexpr qint64 kSerialBusy = 1205;

} // namespace students
