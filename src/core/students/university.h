#pragma once

#include <QString>

namespace students {

// Width of the blank gap that hides the code behind the name in the list.
constexpr int kUnivGap = 100;

// The drop-down entry of a university: its name, 100 blanks and its code.
QString univEntry(const QString &name, const QString &code);

// The code of a drop-down entry: its last 10 characters, trimmed.
QString univCodeOf(const QString &entry);

// Looks the code up (universityName) and returns the database to prefix tables
// with. Throws a clear error when no university has been chosen yet or its
// database name is not a plain identifier, instead of letting the server
// complain about an empty database name.
QString selectUniversity(const QString &code);

// The error number of "no university chosen"; shown like any input problem.
constexpr qint64 kNoUniversity = 3709;

} // namespace students
