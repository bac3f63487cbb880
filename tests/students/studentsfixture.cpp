#include "studentsfixture.h"

#include "core/services/session.h"

#include <QFile>

const QString StudentsTest::kDb = QStringLiteral("corvane3_tsc");

void StudentsTest::SetUp()
{
    DbTest::SetUp();
    Session &s = session();
    s.UnivList = {UnivRow{QStringLiteral("041"), QStringLiteral("Tessaly Central University"), kDb,
                          QStringLiteral("TCU"), QString()},
                  UnivRow{QStringLiteral("042"), QStringLiteral("Tessaly North University"),
                          QStringLiteral("corvane3_tnu"), QStringLiteral("TNU"), QString()}};
    s.univListRead = true;
    s.LoginUser = QStringLiteral("DESK21");
    emptyStudentTables();
    ASSERT_TRUE(dir.isValid());
}

void StudentsTest::emptyStudentTables()
{
    for (const char *table : {"collstud", "collstudnb", "collstuddup", "tmpcollstud", "tmpcollstuddup", "studadm",
                              "options", "studoc", "colldegchange", "college", "degree"})
        admin(QStringLiteral("delete from %1.%2").arg(kDb, QLatin1String(table)));
}

void StudentsTest::addCollegesAndDegrees()
{
    admin(QStringList{
            QStringLiteral("insert into corvane3_tsc.college(fcollcode, fcollname, ftown) values"
                           "('C101', 'Hillview Arts College', 'Tessaly'), ('C102', 'St. Ann''s College', 'Marwick'),"
                           "('2001', 'Lakeside College', 'Kelford')"),
            QStringLiteral("insert into corvane3_tsc.degree(fdegree, fdescpn) values"
                           "('BA', 'Bachelor of Arts'), ('BSC', 'Bachelor of Science'), ('BCOM', NULL)")});
}

QString StudentsTest::writeCsv(const QString &name, const QStringList &lines, const QString &eol)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        ADD_FAILURE() << "cannot write " << path.toStdString();
    f.write((lines.join(eol) + eol).toUtf8());
    return path;
}

int StudentsTest::count(const QString &table, const QString &where)
{
    return adminValue(QStringLiteral("select count(*) from %1.%2 %3")
                              .arg(kDb, table, where.isEmpty() ? QString() : QStringLiteral("where ") + where))
            .toInt();
}

QString StudentsTest::dump(const QString &table, const QString &columns, const QString &db)
{
    return adminValue(QStringLiteral("select group_concat(concat_ws('|', %3) order by %3 separator '\\n') from %1.%2")
                              .arg(db, table, columns));
}
