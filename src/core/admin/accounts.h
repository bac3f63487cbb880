#pragma once

#include <QString>

// Staff accounts: the stored password form, saving an account, changing a
// password.
namespace accounts {

struct Account
{
    bool found = false;
    QString name;
    QString section;
    QString permission;
};

// "select * from masuser where Fusername ='{name}'" (name untrimmed).
Account lookup(const QString &name);

// Updates section and permissions of an existing account, or inserts a new
// one whose first password is its own user name. Returns true on insert.
bool save(const QString &name, const QString &section, const QString &permission);

enum class ChangeResult { Changed, InvalidOld, Mismatch };

// Checks the old password of `user` (trimmed) and stores the new one when
// the two new entries, trimmed, are equal (case-sensitive).
ChangeResult changePassword(const QString &user, const QString &oldPassword, const QString &newPassword,
                            const QString &confirmation);

} // namespace accounts
