#pragma once

#include <QString>

#include <functional>

// Saving report workbooks: a new file each run in the user's reports folder,
// never a partial one under the report's name.

// Writes a workbook to `path` (a new file): `write` is given a temporary name
// in the same folder, which is renamed to `path` on success, so a failure
// never leaves a partial file under the report's name. Throws AppError.
void saveReportFile(const QString &path, const std::function<void(const QString &temporary)> &write);

// "{folder}/{baseName} {clock stamp}.xlsx", numbered when a file has that name.
QString freshReportPath(const QString &folder, const QString &baseName);

// saveReportFile under a fresh name; a name taken by another run between
// choosing and renaming is chosen again. Returns the path written.
QString saveNewReport(const QString &folder, const QString &baseName,
                      const std::function<void(const QString &temporary)> &write);

// The user's folder for report workbooks (created when missing).
QString reportsFolder();
