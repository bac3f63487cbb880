#pragma once

#include <QString>

// The one way values enter SQL text. Statements are built by concatenation
// (bound text parameters are unreliable through Qt's ODBC driver), so every
// spliced value passes through one of these.
namespace sql {

// Escapes a value for use inside a single-quoted literal: quote, backslash and
// NUL are escaped so the value reaches the server exactly as given.
QString escape(const QString &value);

// A complete literal: the escaped value in single quotes.
QString quote(const QString &value);

// A number spliced without quotes; throws AppError unless the text is an
// optionally signed decimal number (surrounding blanks are dropped).
QString number(const QString &value);

// A database or table name taken from data (masuniv.fdbname); throws AppError
// unless it is a plain identifier.
QString identifier(const QString &value);

// "{db}.{table}" for a table of a university database.
QString table(const QString &db, const QString &table);

} // namespace sql
