#pragma once

#include "core/students/studentimport.h"

#include <QString>
#include <QVector>

namespace oracles {

// The CSV student import, one statement per rule in the rules' order (the import date by its own update).
// Through students::importCsv() it must leave every table and counter as the product's faster statements do.
QVector<students::ImportStep> literalCsvImport(const QString &db, const QString &path,
                                               const students::CsvShape &shape);

} // namespace oracles
