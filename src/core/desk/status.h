#pragma once

#include <QHash>
#include <QPair>
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
// whole grievance table. The desk runs it on every tick.
QString statusStatement(const QString &level, const QString &user);

// Runs the summary query and adds up the totals, without the overdue
// columns; no rows gives an empty summary (the screen then keeps what it
// showed).
StatusSummary statusSummary(const QString &level, const QString &user);

// The overdue count and the longest wait (seconds) of each summary line, by
// the line's university short name, kind and code. A grievance is overdue
// once it has waited at the level more than `overdueHours` hours, by the
// server's clock. One statement, read for every open grievance at the level
// its latest forward: it costs more than the summary, so the desk reads it
// only when the counts change or a minute has passed.
using OverdueByLine = QHash<QString, QPair<QString, QString>>;
QString overdueStatement(const QString &level, int overdueHours);
OverdueByLine overdueByLine(const QString &level, int overdueHours);
// Fills the summary's overdue columns and total from `lines`.
void applyOverdue(StatusSummary &summary, const OverdueByLine &lines);

// The summary with its overdue columns, read now.
StatusSummary statusSummary(const QString &level, const QString &user, int overdueHours);
// The same from any statement giving the summary's columns.
StatusSummary statusSummaryFrom(const QString &statement);

// A total as the status bar shows it: no decimals when whole.
QString formatCount(double value);

} // namespace desk
