#include "support/testdb.h"

#include "core/services/config.h"
#include "core/services/database.h"
#include "core/services/session.h"
#include "core/services/sqltext.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace {
QSqlDatabase adminDb()
{
    const QString name = u"test-admin"_s;
    if (!QSqlDatabase::contains(name)) {
        // Set-up works as the server's root; the client's own account is
        // narrowed to what the client uses, and the code under test uses it.
        // Built from the environment, not Config::instance(), which tests
        // point elsewhere (a proxy, a dead port) for a while.
        Config root;
        root.server = qEnvironmentVariable("GMS_DB_SERVER", u"127.0.0.1"_s);
        root.port = qEnvironmentVariable("GMS_DB_PORT");
        root.user = u"root"_s;
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QODBC"_s, name);
        db.setDatabaseName(root.connectionString());
    }
    QSqlDatabase db = QSqlDatabase::database(name, false);
    if (!db.isOpen() && !db.open())
        ADD_FAILURE() << "admin connection: " << db.lastError().text().toStdString();
    return db;
}

QString literalOrNull(const QString &value)
{
    return value.isNull() ? u"null"_s : sql::quote(value);
}
} // namespace

void DbTest::SetUp()
{
    scripted().reset();
    session().reset();
    ASSERT_TRUE(Conn::open()) << Conn::lastError().description().toStdString();
}

void DbTest::TearDown()
{
    scripted().reset();
}

void DbTest::admin(const QString &sql)
{
    QSqlQuery q(adminDb());
    if (!q.exec(sql)) {
        // One retry on a fresh link: an earlier test may have killed the server's idle links.
        QSqlDatabase::database(u"test-admin"_s, false).close();
        QSqlQuery again(adminDb());
        if (!again.exec(sql))
            FAIL() << sql.toStdString() << "\n" << again.lastError().text().toStdString();
    }
}

void DbTest::admin(const QStringList &statements)
{
    for (const QString &sql : statements)
        admin(sql);
}

QString DbTest::adminValue(const QString &sql)
{
    QSqlQuery q(adminDb());
    if (!q.exec(sql)) {
        ADD_FAILURE() << sql.toStdString() << "\n" << q.lastError().text().toStdString();
        return QString();
    }
    return q.next() ? q.value(0).toString() : QString();
}

void DbTest::resetCentral()
{
    admin(QStringList{
            u"delete from corvane3_tkt.masuser"_s, u"delete from corvane3_tkt.masuniv"_s,
            u"delete from corvane3_tkt.control"_s, u"delete from corvane3_tkt.tkthead"_s,
            u"delete from corvane3_tkt.tktdetl"_s, u"delete from corvane3_tkt.massetting"_s,
            u"delete from corvane3_tkt.masreply"_s,
            u"insert into corvane3_tkt.control(FUnivCode, FUnivAdd1, FUnivAdd2, FUnivAdd3, FUnivAdd4, "
            "ftktversion, fstarted) values('041', 'Line 1', 'Line 2', null, null, '103', null)"_s});
}

void DbTest::killConn()
{
    const qint64 id = Conn::connectionId();
    admin(u"kill connection %1"_s.arg(id));
}

DbTest::TableAway::TableAway(const QString &t)
    : table(t)
{
    admin(u"rename table %1 to %1_away"_s.arg(table));
}

DbTest::TableAway::~TableAway()
{
    admin(u"rename table %1_away to %1"_s.arg(table));
}

void DbTest::addUser(const QString &name, const QString &level, const QString &held,
                     const QString &permission, const QString &typedPassword)
{
    admin(u"insert into corvane3_tkt.masuser(fusername, fpasswd, fgroup, fsection, fpermission, ftktid) "
          "values(%1, %2, %3, 'Desk', %4, %5)"_s.arg(
                  sql::quote(name), sql::quote(encodePassword(typedPassword)), literalOrNull(level),
                  literalOrNull(permission), literalOrNull(held)));
}

void DbTest::addUniv(const QString &code, const QString &name, const QString &db, const QString &email,
                     const QString &shortName)
{
    admin(u"insert into corvane3_tkt.masuniv(funivcode, funivname, fdbname, funivshort, femailid) "
          "values(%1, %2, %3, %4, %5)"_s.arg(sql::quote(code), sql::quote(name), sql::quote(db),
                                             sql::quote(shortName.isNull() ? name.left(3) : shortName),
                                             literalOrNull(email)));
}

void DbTest::addGrievance(int id, const QString &levelLiteral, const QString &statusLiteral,
                          const QString &univCode, const QString &senderLiteral)
{
    admin(u"insert into corvane3_tkt.tkthead(ftktid, ftktdate, fregno, ftktfrom, ftktemail, fstudemail, "
          "ftktsub, ftktmsg, ftktuser, ftktmode, ftktmobile, funivcode, ftktstatus, fdeleted, ftktgroup) "
          "values(%1, '2026-03-04 15:05:09', 'REG%1', 'Sender %1', 's%1@mail.example', null, "
          "'Subject %1', 'Message %1', %2, 'W', '98400%1', %3, %4, null, %5)"_s.arg(
                  QString::number(id), senderLiteral, sql::quote(univCode), statusLiteral, levelLiteral));
}

QString DbTest::heldBy(const QString &user)
{
    return adminValue(u"select ifnull(ftktid,'') from corvane3_tkt.masuser where fusername = "_s +
                      sql::quote(user));
}

QString DbTest::lockFlag()
{
    return adminValue(u"select ifnull(max(fstarted),'') from corvane3_tkt.control"_s);
}
