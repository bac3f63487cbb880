#include "core/admin/accounts.h"

#include "core/services/database.h"
#include "core/services/session.h"
#include "core/services/sqltext.h"
#include "core/services/unitofwork.h"

namespace accounts {

Account lookup(const QString &name)
{
    const Rows rows = Conn::query(QStringLiteral("select * from masuser where Fusername =") +
                                  sql::quote(name.trimmed()));
    Account a;
    if (rows.isEmpty())
        return a;
    a.found = true;
    a.name = rows.value(QStringLiteral("Fusername"));
    a.section = rows.value(QStringLiteral("Fsection"));
    a.level = rows.value(QStringLiteral("fgroup"));
    a.permission = rows.value(QStringLiteral("Fpermission"));
    return a;
}

QStringList levelsInUse()
{
    const Rows rows = Conn::query(
            QStringLiteral("select distinct fgroup from masuser where trim(fgroup) <> '' order by fgroup"));
    QStringList levels;
    for (int i = 0; i < rows.size(); ++i)
        levels << rows.value(QStringLiteral("fgroup"), i);
    return levels;
}

SaveResult save(const Edit &edit)
{
    const QString name = sql::quote(edit.name.trimmed());
    const QString section = edit.section.trimmed();
    const QString password = storedPassword(edit.name.trimmed());
    const QString level = edit.level.trimmed();
    if (level.toUcs4().size() > kMaxLevelLength) // the column counts characters
        return SaveResult::LevelTooLong;
    // An account without a level keeps NULL, as a new one gets.
    const QString storedLevel = level.isEmpty() ? QStringLiteral("null") : sql::quote(level);
    SaveResult result = SaveResult::Updated;
    QString permission;

    UnitOfWork unit(QStringLiteral("save account"));
    unit.onAttempt([&] {
            result = SaveResult::Updated;
            permission = edit.permission;
        })
            .step(QStringLiteral("look up"),
                  [&] {
                      const Account stored = lookup(edit.name);
                      if (!stored.found) {
                          result = SaveResult::Inserted;
                          if (edit.name.contains(QLatin1Char('\'')))
                              result = SaveResult::QuoteInName;
                          else if (!passwordProblem(edit.name.trimmed()).isEmpty())
                              result = SaveResult::NameRefused;
                          if (result != SaveResult::Inserted)
                              unit.finish();
                      } else if (permission.isEmpty() && !edit.clearPermission) {
                          // Someone may have granted permissions since the screen
                          // loaded the account: only a confirmed clearing drops them.
                          permission = stored.permission;
                      }
                      return qint64(stored.found);
                  })
            .step(QStringLiteral("write"),
                  [&] {
                      if (result == SaveResult::Inserted)
                          return Conn::execute(
                                  QStringLiteral(
                                          "Insert into "
                                          "masuser(fusername,fsection,fpasswd,Fpermission,fgroup) values (") +
                                  name + QLatin1Char(',') + sql::quote(section) + QLatin1Char(',') +
                                  sql::quote(password) + QLatin1Char(',') + sql::quote(permission) +
                                  QLatin1Char(',') + storedLevel + QLatin1Char(')'));
                      const qint64 rows =
                              Conn::execute(QStringLiteral("Update masuser set FPermission = ") +
                                            sql::quote(permission) + QStringLiteral(",fsection=") +
                                            sql::quote(section) + QStringLiteral(",fgroup=") + storedLevel +
                                            QStringLiteral(" where Fusername = ") + name);
                      if (rows == 0)
                          result = SaveResult::Vanished;
                      return rows;
                  })
            .committedWhen([&] {
                if (result == SaveResult::QuoteInName || result == SaveResult::NameRefused ||
                    result == SaveResult::Vanished)
                    return true; // nothing was written
                const Rows rows = Conn::query(QStringLiteral("select fsection, fpermission, fpasswd, fgroup "
                                                             "from masuser where fusername = ") +
                                              name);
                return !rows.isEmpty() && rows.value(QStringLiteral("fsection")) == section &&
                       rows.value(QStringLiteral("fpermission")) == permission &&
                       rows.value(QStringLiteral("fgroup")) == level &&
                       (result != SaveResult::Inserted || rows.value(QStringLiteral("fpasswd")) == password);
            });
    unit.run();
    return result;
}

ChangeResult changePassword(const QString &user, const QString &oldPassword, const QString &newPassword,
                            const QString &confirmation)
{
    const QString who = sql::quote(user.trimmed());
    const QString newStored = storedPassword(confirmation);
    ChangeResult result = ChangeResult::Changed;

    // The check of the old password and the update are one transaction, so a
    // lost answer is settled by what is stored instead of by checking the old
    // password again (which the change itself has made wrong).
    UnitOfWork unit(QStringLiteral("password change"));
    unit.onAttempt([&] { result = ChangeResult::Changed; })
            .step(QStringLiteral("check old password"),
                  [&] {
                      const Rows rows = Conn::query(QStringLiteral("select * from masuser where fusername=") +
                                                    who + QStringLiteral(" and fpasswd=") +
                                                    sql::quote(storedPassword(oldPassword)));
                      if (rows.isEmpty())
                          result = ChangeResult::InvalidOld;
                      else if (newPassword.trimmed() != confirmation.trimmed())
                          result = ChangeResult::Mismatch;
                      else if (!passwordProblem(confirmation).isEmpty())
                          result = ChangeResult::Refused;
                      if (result != ChangeResult::Changed)
                          unit.finish();
                      return qint64(rows.size());
                  })
            .step(QStringLiteral("store"),
                  [&] {
                      const qint64 rows = Conn::execute(QStringLiteral("update masuser set fpasswd = ") +
                                                        sql::quote(newStored) +
                                                        QStringLiteral(" where fusername=") + who);
                      if (rows == 0)
                          result = ChangeResult::Vanished;
                      return rows;
                  })
            .committedWhen([&] {
                if (result != ChangeResult::Changed)
                    return true; // nothing was written
                // Compared here, not by the column's collation, which takes
                // accented and plain letters as equal.
                const Rows rows =
                        Conn::query(QStringLiteral("select fpasswd from masuser where fusername=") + who);
                return !rows.isEmpty() && rows.value(QStringLiteral("fpasswd")) == newStored;
            });
    unit.run();
    return result;
}

} // namespace accounts
