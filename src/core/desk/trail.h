#pragma once

#include <QDateTime>
#include <QString>
#include <QVector>

namespace desk {

// One action taken on a grievance, as its tktdetl row records it.
struct TrailEntry
{
    QDateTime when;
    QString user;
    QString level;     // the level it was forwarded to, or "Replied"
    QString fromLevel; // the level it was at: the previous forward's target, "" before the first
    bool reply = false;
    QString summary;  // the remarks of a forward, the subject of a reply
    QString fullText; // the remarks, or the whole reply mail with its line breaks
};

// The level column of a reply row.
inline constexpr char kReplyGroup[] = "XX";

// The trail of grievance `tktid` (digits), oldest first; rows written in the
// same second keep the order they were written in. Empty for a grievance
// nobody acted on. The level a grievance was raised at is not recorded, so the
// from-level of the first forward (or of a reply before any) is "". Throws
// AppError for a number that is not one.
QVector<TrailEntry> trailOf(const QString &tktid);

// The reply mail as a person reads it: the "<br>" breaks the reply is built
// with become line breaks; nothing else is touched.
QString readableMail(const QString &body);

} // namespace desk
