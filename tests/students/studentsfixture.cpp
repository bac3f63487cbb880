#include "studentsfixture.h"

#include "core/services/handler.h"
#include "core/services/session.h"
#include "core/students/university.h"

#include <QDir>
#include <QFile>

#include <xlsxwriter.h>

using namespace Qt::StringLiterals;
using namespace students;

bool runAsImport(const std::function<void()> &work)
{
    HandlerOptions options;
    options.style = ErrorStyle::NumberCommaDescription;
    options.icon = Icon::None;
    return runHandled(options, [&](int) { work(); });
}

void StudentsTest::SetUp()
{
    DbTest::SetUp();
    resetCentral();
    addUniv(u"041"_s, u"Tessaly Central University"_s);
    addUniv(u"042"_s, u"Tessaly North University"_s, u"corvane3_tnu"_s);
    addUniv(u"023"_s, u"Halvern Open University"_s, kAppDb);
    readUniversities();
    session().userName = u"DESK21"_s;
    resetStudentTables();
    ASSERT_TRUE(dir.isValid());
    folder = dir.filePath(u"up loads O'Neil Zoë"_s);
    ASSERT_TRUE(QDir().mkpath(folder));
}

void StudentsTest::resetStudentTables()
{
    QStringList setup;
    for (const QString &db : {kDb, kAppDb})
        for (const char *table : {"collstud", "collstudnb", "collstuddup", "tmpcollstud", "tmpcollstud1",
                                  "tmpcollstuddup", "studadm", "options", "studoc", "admfeedetl",
                                  "colldegchange", "college", "degree", "subject", "masdoc"})
            setup << u"delete from %1.%2"_s.arg(db, QLatin1String(table));
    setup << u"insert into corvane3_tsc.college(fcollcode, fcollname, ftown, femail) values ('C101', "
             "'Hillview Arts College', 'Tessaly', NULL), ('C102', 'St. Ann''s College', 'Marwick', NULL), "
             "('2001', 'Lakeside College', 'Kelford', 'lakeside@colleges.example')"_s
          << u"insert into corvane3_tsc.degree(fdegree, fdescpn) values"
             "('BA', 'Bachelor of Arts'), ('BSC', 'Bachelor of Science'), ('BCOM', NULL)"_s
          << u"insert into corvane3_023.college(fcollcode, fcollname, femail) values"
             "('2301', 'Halvern Arts College', 'h2301@colleges.example'), ('2302', 'Moor College', '')"_s
          << u"insert into corvane3_023.subject(fdegree, fexamno, fsubcode, fsubshort) values"
             "('BA', 'A', 'BA01', 'ENG'), ('BA', 'A', 'BA02', 'HIS'), ('BA', 'A', 'BA03', 'ECO'),"
             "('BSC', 'A', 'BS01', 'ENG'), ('BSC', 'A', 'BS02', 'PHY'), ('BA', 'B', 'BB09', 'POL')"_s
          << u"insert into corvane3_023.masdoc(fdegree, ffilename) values"
             "('BA', 'Photo'), ('BA', 'Signature'), ('BSC', 'Photo')"_s;
    admin(setup);
}

QString StudentsTest::writeFile(const QString &name, const QByteArray &data)
{
    const QString path = folder + u'/' + name;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size())
            << "cannot write " << path.toStdString();
    return path;
}

QString StudentsTest::workbook(const QString &name, const SheetRows &rows)
{
    const QString path = folder + u'/' + name;
    lxw_workbook *wb = workbook_new(QFile::encodeName(path).constData());
    lxw_worksheet *ws = workbook_add_worksheet(wb, "Students");
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows.at(r).size(); ++c)
            if (const QVariant &v = rows.at(r).at(c); v.userType() == QMetaType::QString)
                worksheet_write_string(ws, lxw_row_t(r), lxw_col_t(c), v.toString().toUtf8().constData(),
                                       nullptr);
            else if (v.isValid())
                worksheet_write_number(ws, lxw_row_t(r), lxw_col_t(c), v.toDouble(), nullptr);
    EXPECT_EQ(workbook_close(wb), LXW_NO_ERROR);
    return path;
}

QVariantList StudentsTest::appRow(const QString &slno, const QString &degree, const QString &name,
                                  const QString &caste, const QVariant &fee, const QStringList &subjects,
                                  const QString &mobile, const QString &college)
{
    QVariantList row{slno,   college, degree, name, u"Father of "_s + name, u"Mother of "_s + name,
                     u"F"_s, caste,   fee};
    for (int k = 0; k < 10; ++k)
        row << (k < subjects.size() && !subjects.at(k).isEmpty() ? QVariant(subjects.at(k)) : QVariant());
    row << mobile << u"s%1@mail.example"_s.arg(mobile);
    return row;
}

SheetResult StudentsTest::stage(const QString &univ, const QString &college, const QString &path)
{
    SheetResult sheet;
    EXPECT_TRUE(runAsImport([&] {
        sheet = stageWorkbook(SheetRequest{selectUniversity(univ), univ, college, path},
                              [](const QString &) { return true; });
    })) << ui.dump();
    EXPECT_EQ(sheet.outcome, SheetResult::Staged);
    return sheet;
}

QVector<DegreeDecision> StudentsTest::plainGrid(const SheetResult &sheet)
{
    QVector<DegreeDecision> grid;
    for (const DegreeCount &d : sheet.degrees)
        grid.append({d.code, d.code, true});
    return grid;
}

QString StudentsTest::dump(const QString &table, const QString &columns, const QString &where,
                           const QString &order)
{
    return adminValue(
            u"select group_concat(concat_ws('|', %2) order by %4 separator '\\n') from %1 where %3"_s.arg(
                    table, columns, where, order.isEmpty() ? columns : order));
}

int StudentsTest::rows(const QString &table, const QString &where)
{
    return count(u"select count(*) from %1 where %2"_s.arg(table, where));
}
