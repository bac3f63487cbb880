#include "studentsfixture.h"

#include "core/services/session.h"

#include <QFile>

using namespace Qt::StringLiterals;

const QString StudentsTest::kDb = u"corvane3_tsc"_s;

void StudentsTest::SetUp()
{
    DbTest::SetUp();
    Session &s = session();
    s.UnivList = {UnivRow{u"041"_s, u"Tessaly Central University"_s, kDb, u"TCU"_s, QString()},
                  UnivRow{u"042"_s, u"Tessaly North University"_s, u"corvane3_tnu"_s, u"TNU"_s, QString()}};
    s.univListRead = true;
    s.LoginUser = u"DESK21"_s;
    emptyStudentTables();
    ASSERT_TRUE(dir.isValid());
}

void StudentsTest::emptyStudentTables()
{
    for (const char *table : {"collstud", "collstudnb", "collstuddup", "tmpcollstud", "tmpcollstuddup",
                              "studadm", "options", "studoc", "colldegchange", "college", "degree"})
        admin(u"delete from %1.%2"_s.arg(kDb, QLatin1String(table)));
}

void StudentsTest::addCollegesAndDegrees()
{
    admin(QStringList{
            u"insert into corvane3_tsc.college(fcollcode, fcollname, ftown) values"
            "('C101', 'Hillview Arts College', 'Tessaly'), ('C102', 'St. Ann''s College', 'Marwick'),"
            "('2001', 'Lakeside College', 'Kelford')"_s,
            u"insert into corvane3_tsc.degree(fdegree, fdescpn) values"
            "('BA', 'Bachelor of Arts'), ('BSC', 'Bachelor of Science'), ('BCOM', NULL)"_s});
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
    return adminValue(u"select count(*) from %1.%2 %3"_s.arg(
                              kDb, table, where.isEmpty() ? QString() : u"where "_s + where))
            .toInt();
}

QString StudentsTest::dump(const QString &table, const QString &columns, const QString &db)
{
    return adminValue(u"select group_concat(concat_ws('|', %3) order by %3 separator '\\n') from %1.%2"_s.arg(
            db, table, columns));
}
