#include "deskfixture.h"

#include "core/services/session.h"
#include "core/services/sqltext.h"

void DeskTest::SetUp()
{
    DbTest::SetUp();
    resetCentral();
    admin(QStringList{QStringLiteral("drop trigger if exists corvane3_tkt.desk_kill_masuser"),
                      QStringLiteral("drop trigger if exists corvane3_tkt.desk_kill_tkthead"),
                      QStringLiteral("drop table if exists corvane3_tkt.desk_killonce")});
    addUniversity(QStringLiteral("041"), QStringLiteral("Alpha University"), QStringLiteral("corvane3_tsc"),
                  QStringLiteral("ALU"), QStringLiteral("help@alpha.example"));
    addUniversity(QStringLiteral("023"), QStringLiteral("Beta University"), QStringLiteral("corvane3_023"),
                  QStringLiteral("BTU"));
}

void DeskTest::TearDown()
{
    admin(QStringList{QStringLiteral("drop trigger if exists corvane3_tkt.desk_kill_masuser"),
                      QStringLiteral("drop trigger if exists corvane3_tkt.desk_kill_tkthead"),
                      QStringLiteral("drop table if exists corvane3_tkt.desk_killonce")});
    DbTest::TearDown();
}

void DeskTest::addUniversity(const QString &code, const QString &name, const QString &db,
                             const QString &shortName, const QString &email)
{
    admin(QStringLiteral(
                  "insert into corvane3_tkt.masuniv(funivcode, funivname, fdbname, funivshort, femailid) "
                  "values(%1, %2, %3, %4, %5)")
                  .arg(sql::quote(code), sql::quote(name), sql::quote(db), sql::quote(shortName),
                       email.isEmpty() ? QStringLiteral("null") : sql::quote(email)));
}

void DeskTest::addUser(const QString &name, const QString &level, const QString &held)
{
    admin(QStringLiteral("insert into corvane3_tkt.masuser(fusername, fpasswd, fgroup, ftktid) values(%1, "
                         "'X', %2, %3)")
                  .arg(sql::quote(name), level.isNull() ? QStringLiteral("null") : sql::quote(level),
                       held.isEmpty() ? QStringLiteral("null") : sql::quote(held)));
}

void DeskTest::addGrievance(int id, const QString &levelLiteral, const QString &statusLiteral,
                            const QString &univCode, const QString &senderLiteral)
{
    admin(QStringLiteral("insert into corvane3_tkt.tkthead(ftktid, ftktdate, fregno, ftktfrom, ftktemail, "
                         "fstudemail, "
                         "ftktsub, ftktmsg, ftktuser, ftktmode, ftktmobile, funivcode, ftktstatus, fdeleted, "
                         "ftktgroup) "
                         "values(%1, '2026-03-04 15:05:09', 'REG%1', 'Sender %1', 's%1@mail.example', null, "
                         "'Subject %1', 'Message %1', %2, 'W', '98400%1', %3, %4, null, %5)")
                  .arg(QString::number(id), senderLiteral, sql::quote(univCode), statusLiteral,
                       levelLiteral));
}

QString DeskTest::heldBy(const QString &user)
{
    return adminValue(
            QStringLiteral("select ifnull(ftktid,'') from corvane3_tkt.masuser where fusername = ") +
            sql::quote(user));
}

QString DeskTest::lockFlag()
{
    return adminValue(QStringLiteral("select ifnull(max(fstarted),'') from corvane3_tkt.control"));
}

int DeskTest::count(const QString &sqlText)
{
    return adminValue(sqlText).toInt();
}

void DeskTest::killInNextUpdateOf(const QString &table)
{
    // A trigger may kill its own connection; the one-shot row lives in a
    // MEMORY table so the statement's rollback does not bring it back.
    admin(QStringList{
            QStringLiteral("create table corvane3_tkt.desk_killonce(a int) engine=memory"),
            QStringLiteral("insert into corvane3_tkt.desk_killonce values(1)"),
            QStringLiteral(
                    "create trigger corvane3_tkt.desk_kill_%1 before update on corvane3_tkt.%1 for each row "
                    "begin if (select count(*) from corvane3_tkt.desk_killonce) > 0 then "
                    "delete from corvane3_tkt.desk_killonce; kill connection_id(); end if; end")
                    .arg(table)});
}

void DeskTest::signIn(const QString &user, const QString &level)
{
    session().LoginUser = user;
    session().LoginGroup = level;
    readUnivList();
}
