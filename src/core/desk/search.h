#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

// Finding grievances again: by number, mobile, e-mail or words of the subject
// and message. Read-only.
namespace desk {

enum class SearchBy { Number, Mobile, Email, Words };
enum class StatusFilter { Any, Open, Replied };

struct SearchRequest
{
    SearchBy by = SearchBy::Number;
    QString text;
    QString univCode; // "" for every university
    StatusFilter status = StatusFilter::Any;
    // Only open grievances that have waited at their level longer than the
    // overdue limit. With it, the text may be empty: every such grievance.
    bool overdueOnly = false;
};

// One grievance found; every value as text, NULL as "".
struct FoundGrievance
{
    QString tktid;
    QDateTime date;
    QString univCode;
    QString univName;
    QString kind; // "Student" or "College", as the desk shows it
    QString sender;
    QString regno;
    QString mobile;
    QString email;
    QString studEmail;
    QString subject;
    QString message;
    QString status; // as stored
    QString level;
    QString holder; // the users holding it, comma-separated
    QString repliedBy;
    QDateTime repliedAt;
};

struct SearchResult
{
    QVector<FoundGrievance> rows; // newest number first
    bool cut = false;             // more matched than kSearchLimit
};

inline constexpr int kSearchLimit = 500;

// "" when the request can be run, otherwise the message that tells the user
// what to type. An overdue request may leave the text empty.
QString checkSearch(const SearchRequest &request);

// Runs a checked request (an unchecked bad one throws AppError). E-mail
// matches the sender's or the student's alternative address, as typed but
// for surrounding blanks and letter case; mobile the same, blanks and dashes
// left out. Words: every typed word must occur in the subject or message as
// a whole word, letter case aside: no letter, mark, digit or underscore
// right before or after it ("TC" does not find "mismatch", "ticket" not
// "tickets"); quotes, backslashes, "%" and "_" are plain characters.
SearchResult searchGrievances(const SearchRequest &request);

// "Open" (NULL, "" or "A"), "Replied" ("C"), else the stored value.
QString statusText(const QString &status);

} // namespace desk
