#pragma once

// What every benchmark needs: the client's connection or a clear reason why
// not, elapsed times and medians.

#include "core/services/database.h"

#include <QElapsedTimer>

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

} // namespace bench
