#pragma once

#include "core/services/errors.h"

#include <QString>

// Load steps of the main window that need no widgets.
namespace mainload {

// Deletes the left-over report files rep*.prn, then rep*.txt, then rep*.doc
// in `dir` (names matched without regard to case). An entry that cannot be
// deleted - read-only, a folder, or refused by the system - stops the work
// with the file access error (75); later patterns are then left alone.
void deleteLeftoverReports(const QString &dir);

// Shows the message for a failed load of the main window. Every such failure
// ends the application; the caller does so.
void reportLoadError(const AppError &error);

} // namespace mainload
