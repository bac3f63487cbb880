#pragma once

#include <QString>
#include <QVector>

namespace desk {

// One line of the status summary: a university's short name, sender kind and
// code with the pending and replied counts as the server gave them; of the
// pending ones, how many have waited at the level longer than the overdue
// limit and how long the longest has waited there (seconds, "" for none).
struct StatusRow
{
    QString univShort;
    QString kind;
    QString univCode;
    QString pending;
    QString replied;
    QString overdue;
    QString oldestSeconds;
};

struct StatusSummary
{
    QVector<StatusRow> rows;
    double pendingTotal = 0;
    double repliedTotal = 0;
    double overdueTotal = 0;
};

// The summary query, answered from the indexes rather than by grouping the
// whole grievance table. A grievance is overdue once it has waited at the
// level more than `overdueHours` hours, by the server's clock.
QString statusStatement(const QString &level, const QString &user, int overdueHours);

// Runs the summary query and adds up the totals; no rows gives an empty
// summary (the screen then keeps what it showed).
StatusSummary statusSummary(const QString &level, const QString &user, int overdueHours);
// The same from any statement giving the summary's columns.
StatusSummary statusSummaryFrom(const QString &statement);

// A total as the status bar shows it: no decimals when whole.
QString formatCount(double value);

} // namespace desk
