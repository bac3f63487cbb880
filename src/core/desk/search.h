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
// what to type.
QString checkSearch(const SearchRequest &request);

// Runs a checked request (an unchecked bad one throws AppError). E-mail
// matches the sender's or the student's alternative address, mobile and
// e-mail as typed but for surrounding blanks and letter case. Words: every
// typed word must occur. A word of letters and digits that the full-text
// index holds must begin a word of the subject or message ("ticket" finds
// "tickets"); any other word (shorter than the index's minimum, a common
// word the index leaves out, one with punctuation, quotes, backslashes, "%"
// or "_") must occur as typed anywhere in them, checked on the rows the index
// found. When no typed word is one the index holds, the newest grievances
// are read until kSearchLimit match, which on a long history takes seconds.
SearchResult searchGrievances(const SearchRequest &request);

// "Open" (NULL, "" or "A"), "Replied" ("C"), else the stored value.
QString statusText(const QString &status);

// How the typed words are matched, given the index's token size limits.
struct WordPlan
{
    QStringList indexed; // looked up in the full-text index, as prefixes
    QStringList asTyped; // matched as typed, anywhere in the text
};
WordPlan planWords(const QString &text, int minTokenSize, int maxTokenSize);

} // namespace desk
