#pragma once

// What every benchmark needs: the client's connection or a clear reason why
// not, elapsed times and medians.

#include "core/services/database.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

// Opens the client's connection; on failure prints why, prefixed by `who`.
inline bool open(const char *who)
{
    if (Conn::open())
        return true;
    std::fprintf(stderr, "%s: %s\n", who, qPrintable(Conn::lastError().description()));
    return false;
}

inline double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

inline double secondsSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.at(v.size() / 2);
}

// Waits (at most 60 s) until the server has purged old row versions, so this
// housekeeping does not run under the next measurement.
inline void settle()
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 60000) {
        const Rows rows = Conn::query(QStringLiteral("show global status like 'Innodb_history_list_length'"));
        if (rows.isEmpty() || rows.value(QStringLiteral("Value")).toLongLong() == 0)
            return;
        QThread::msleep(100);
    }
}

} // namespace bench
