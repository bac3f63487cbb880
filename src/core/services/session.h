#pragma once

#include <QDateTime>
#include <QString>
#include <QVector>

// One row of the university list read at sign-in.
struct UnivRow
{
    QString code;      // funivcode
    QString name;      // funivname
    QString dbName;    // fdbname
    QString shortName; // funivshort
    QString email;     // femailid, NULL as ""
};

// The process-wide sign-in state: who signed in, the installation, the
// university list and the university a screen chose.
struct Session
{
    QString userName;
    QString userLevel;
    QString installationCode;
    QString installationTitle;
    QString installationAddress1, installationAddress2, installationAddress3, installationAddress4;
    QDateTime serverDate;
    QVector<UnivRow> universities;
    bool universitiesRead = false;
    QString chosenUniversityDb;
    QString chosenUniversityShort;
    QString chosenUniversityEmail;

    void reset() { *this = Session(); }
};

Session &session();

// Most universities kept in universities.
constexpr int kMaxUniversities = 500;

// Reads the university list into the session (up to 500 rows, name order);
// an empty result leaves the previous list in place.
void readUniversities();

// Looks a code up in universities (first exact match). On a match sets chosenUniversityDb,
// chosenUniversityShort, chosenUniversityEmail and returns the name; otherwise returns "" and
// changes nothing. Throws the type-mismatch error before the list was read.
QString universityName(const QString &code);

// The stored form of a password: upper-cased and trimmed, each character's
// single-byte (Windows-1252) code moved up by the typed length n. The shift
// is always the length as typed, so surrounding blanks change it; positions
// past the trimmed text add nothing. A shifted code above 255 is kept as the
// Unicode code point of that value. Characters outside Windows-1252 count as
// "?" (63).
QString encodePassword(const QString &typed);

// Longest stored form of a password: masuser.fpasswd holds 60 characters.
// The stored form has one character for each typed one, less surrounding
// blanks and quotes; every shifted code is one character of the column's
// utf8mb4.
constexpr int kMaxPasswordLength = 60;

// Why `typed` may not become a password, "" when it may: a stored form
// longer than kMaxPasswordLength (refused, never cut), or a character that
// Windows-1252 cannot hold (it would count as "?", so "ωω1" and "жж1" would
// be one password). Checked where a password is set; sign-in takes any text.
QString passwordProblem(const QString &typed);

// The password as stored in and compared with masuser.fpasswd: encodePassword
// with single quotes removed, then upper-cased character by character.
// Sign-in compares this form; storing exactly it (not the raw
// encoding) is what lets a password whose encoding holds a quote or a
// lower-case letter sign in, whatever the column's collation. Sign-in,
// account creation and password change all use it.
QString storedPassword(const QString &typed);
