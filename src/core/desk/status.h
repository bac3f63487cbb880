#pragma once

#include <QString>
#include <QVector>

namespace desk {

// One line of the status summary: a university's short name, sender kind and
// code with the pending and replied counts as the server gave them.
struct StatusRow
{
    QString univShort;
    QString kind;
    QString univCode;
    QString pending;
    QString replied;
};

struct StatusSummary
{
    QVector<StatusRow> rows;
    double pendingTotal = 0;
    double repliedTotal = 0;
};

// The summary query, answered from the indexes rather than by grouping the
// whole grievance table.
QString statusStatement(const QString &level, const QString &user);

// Runs the summary query and adds up the totals; no rows gives an empty
// summary (the screen then keeps what it showed).
StatusSummary statusSummary(const QString &level, const QString &user);
// The same from any statement giving the summary's columns.
StatusSummary statusSummaryFrom(const QString &statement);

// A total as the status bar shows it: no decimals when whole.
QString formatCount(double value);

} // namespace desk
