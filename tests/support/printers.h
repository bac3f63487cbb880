#pragma once

// Failed comparisons print Qt and project values as text, not bytes. The
// build puts this header into every test source, so all of them agree.

#include "core/services/interaction.h"

#include <QDateTime>
#include <QVariant>

#include <ostream>

void PrintTo(const QString &value, std::ostream *os);
void PrintTo(const QByteArray &value, std::ostream *os);
void PrintTo(const QVariant &value, std::ostream *os);
void PrintTo(const QDateTime &value, std::ostream *os);
void PrintTo(Icon value, std::ostream *os);
void PrintTo(Answer value, std::ostream *os);
