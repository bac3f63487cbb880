#pragma once

#include <QString>
#include <QStringList>

// Staff accounts: looking one up, saving its section and permissions,
// changing a password. Each change runs as one transaction.
namespace accounts {

struct Account
{
    bool found = false;
    QString name;
    QString section;
    QString level; // fgroup; "" when none is set
    QString permission;
};

// The longest level masuser.fgroup holds; a longer one is refused, never cut.
constexpr int kMaxLevelLength = 5;

// The levels accounts have now (distinct, non-blank), in order.
QStringList levelsInUse();

// The stored account named `name`, trimmed as the save trims it.
Account lookup(const QString &name);

// What the users screen saves.
struct Edit
{
    QString name; // as typed; trimmed, a new account's first password
    QString section;
    QString level; // trimmed; "" stores no level (NULL)
    QString permission;
    // The operator cleared every tick and confirmed it; without this an empty
    // permission string never replaces a stored one.
    bool clearPermission = false;
};

enum class SaveResult {
    Inserted,
    Updated,
    QuoteInName,  // refused: sign-in drops quotes, so such an account could never sign in
    Vanished,     // deleted by someone else between the look-up and the update
    NameRefused,  // a new name that passwordProblem() refuses as its first password
    LevelTooLong, // refused: longer than kMaxLevelLength, nothing written
};

// Looks the name up and updates the account, or inserts it with its own name
// as first password.
SaveResult save(const Edit &edit);

enum class ChangeResult { Changed, InvalidOld, Mismatch, Refused, Vanished };

// Checks the old password of `user` (trimmed) and stores the new one when
// the two new entries, trimmed, are equal (case-sensitive) and
// passwordProblem() finds nothing in the confirmation (Refused).
ChangeResult changePassword(const QString &user, const QString &oldPassword, const QString &newPassword,
                            const QString &confirmation);

} // namespace accounts
