#include "deskfixture.h"

#include "core/services/session.h"
#include "core/services/sqltext.h"

using namespace Qt::StringLiterals;

void DeskTest::SetUp()
{
    DbTest::SetUp();
    resetCentral();
    addUniversity(u"041"_s, u"Alpha University"_s, u"corvane3_tsc"_s, u"ALU"_s, u"help@alpha.example"_s);
    addUniversity(u"023"_s, u"Beta University"_s, u"corvane3_023"_s, u"BTU"_s);
}

void DeskTest::addUniversity(const QString &code, const QString &name, const QString &db,
                             const QString &shortName, const QString &email)
{
    admin(u"insert into corvane3_tkt.masuniv(funivcode, funivname, fdbname, funivshort, femailid) "
          "values(%1, %2, %3, %4, %5)"_s.arg(sql::quote(code), sql::quote(name), sql::quote(db),
                                             sql::quote(shortName),
                                             email.isEmpty() ? u"null"_s : sql::quote(email)));
}

void DeskTest::addUser(const QString &name, const QString &level, const QString &held)
{
    admin(u"insert into corvane3_tkt.masuser(fusername, fpasswd, fgroup, ftktid) values(%1, "
          "'X', %2, %3)"_s.arg(sql::quote(name), level.isNull() ? u"null"_s : sql::quote(level),
                               held.isEmpty() ? u"null"_s : sql::quote(held)));
}

void DeskTest::addGrievance(int id, const QString &levelLiteral, const QString &statusLiteral,
                            const QString &univCode, const QString &senderLiteral)
{
    admin(u"insert into corvane3_tkt.tkthead(ftktid, ftktdate, fregno, ftktfrom, ftktemail, "
          "fstudemail, "
          "ftktsub, ftktmsg, ftktuser, ftktmode, ftktmobile, funivcode, ftktstatus, fdeleted, "
          "ftktgroup) "
          "values(%1, '2026-03-04 15:05:09', 'REG%1', 'Sender %1', 's%1@mail.example', null, "
          "'Subject %1', 'Message %1', %2, 'W', '98400%1', %3, %4, null, %5)"_s.arg(
                  QString::number(id), senderLiteral, sql::quote(univCode), statusLiteral, levelLiteral));
}

QString DeskTest::heldBy(const QString &user)
{
    return adminValue(u"select ifnull(ftktid,'') from corvane3_tkt.masuser where fusername = "_s +
                      sql::quote(user));
}

QString DeskTest::lockFlag()
{
    return adminValue(u"select ifnull(max(fstarted),'') from corvane3_tkt.control"_s);
}

void DeskTest::signIn(const QString &user, const QString &level)
{
    session().LoginUser = user;
    session().LoginGroup = level;
    readUnivList();
}
