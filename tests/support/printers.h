#pragma once

// How a failed comparison prints the Qt and project values it compared:
// as text, not as bytes. Included into every test source by the build, so
// each one sees the same printers.

#include "core/services/interaction.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariant>

#include <ostream>

void PrintTo(const QString &value, std::ostream *os);
void PrintTo(const QByteArray &value, std::ostream *os);
void PrintTo(const QVariant &value, std::ostream *os);
void PrintTo(const QDate &value, std::ostream *os);
void PrintTo(const QDateTime &value, std::ostream *os);
void PrintTo(Icon value, std::ostream *os);
void PrintTo(Answer value, std::ostream *os);
