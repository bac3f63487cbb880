#pragma once

#include "core/students/studentimport.h"

#include <QString>
#include <QVector>

namespace oracles {

// The CSV student import with one statement per rule, in the order the rules
// are told: the import date set by its own update, then each removal and
// copy on its own. Run through students::importCsv() it must leave every
// table and counter as the product's statements do; it is far slower on a
// large collstud.
QVector<students::ImportStep> literalCsvImport(const QString &db, const QString &path,
                                               const students::CsvShape &shape);

} // namespace oracles
