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

// The process-wide sign-in state. Design names keep their spelling.
struct Session
{
    QString LoginUser;
    QString LoginGroup;
    QString InstUnivCode;
    QString InstTitle;
    QString InstAddress1, InstAddress2, InstAddress3, InstAddress4;
    QDateTime ServerDate;
    QVector<UnivRow> UnivList;
    bool univListRead = false;
    QString SelUnivDb;
    QString SelUnivShort;
    QString SelUnivEmail;

    void reset() { *this = Session(); }
};

Session &session();

// Most universities kept in UnivList.
constexpr int kMaxUniversities = 500;

// Reads the university list into the session (up to 500 rows, name order);
// an empty result leaves the previous list in place.
void readUnivList();

// Looks a code up in UnivList (first exact match). On a match sets SelUnivDb,
// SelUnivShort, SelUnivEmail and returns the name; otherwise returns "" and
// changes nothing. Throws the type-mismatch error before the list was read.
QString UnivName(const QString &code);

// The stored form of a password: upper-cased and trimmed, each character's
// single-byte (Windows-1252) code moved up by the typed length n. The shift
// is always the length as typed, so surrounding blanks change it; positions
// past the trimmed text add nothing. A shifted code above 255 is kept as the
// Unicode code point of that value. Characters outside Windows-1252 count as
// "?" (63).
QString EncodePassword(const QString &typed);

// The password as stored in and compared with masuser.fpasswd: EncodePassword
// with single quotes removed, then upper-cased character by character.
// Sign-in compares this form; storing exactly it (not the raw
// encoding) is what lets a password whose encoding holds a quote or a
// lower-case letter sign in, whatever the column's collation. Sign-in,
// account creation and password change all use it.
QString StoredPassword(const QString &typed);
