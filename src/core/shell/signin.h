#pragma once

#include <QString>

#include <optional>

// The account lookup of the sign-in screen.
namespace signin {

// The lookup statement for a typed user name and password. Quotes are removed
// from the name and from the encoded password as the stored accounts expect;
// what remains is still escaped, so a backslash cannot break the statement.
QString lookupSql(const QString &typedUser, const QString &typedPassword);

// Runs the lookup. Returns the account's level (fgroup, "" when NULL), or
// std::nullopt when name and password match no account. Throws on database
// errors.
std::optional<QString> lookup(const QString &typedUser, const QString &typedPassword);

} // namespace signin
