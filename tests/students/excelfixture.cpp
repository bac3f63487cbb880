#include "excelfixture.h"

#include "core/services/handler.h"
#include "core/services/session.h"
#include "core/students/university.h"

#include <QFile>

#include <xlsxwriter.h>

using namespace Qt::StringLiterals;

using namespace students;

const QString ExcelTest::kAppDb = u"corvane3_023"_s;

bool runAsImport(const std::function<void()> &work)
{
    HandlerOptions options;
    options.style = ErrorStyle::NumberCommaDescription;
    options.icon = Icon::None;
    return runHandled(options, [&](int) { work(); });
}

void ExcelTest::SetUp()
{
    StudentsTest::SetUp();
    session().UnivList.append(UnivRow{u"023"_s, u"Halvern Open University"_s, kAppDb, u"HOU"_s, QString()});
    QStringList setup;
    for (const QString &db : {kDb, kAppDb})
        for (const char *table :
             {"collstud", "collstudnb", "collstuddup", "tmpcollstud", "tmpcollstud1", "tmpcollstuddup",
              "studadm", "options", "studoc", "admfeedetl", "college", "degree", "subject", "masdoc"})
            setup << u"delete from %1.%2"_s.arg(db, QLatin1String(table));
    setup << u"insert into corvane3_tsc.college(fcollcode, fcollname, femail) values"
             "('2001', 'Lakeside College', 'lakeside@colleges.example'), ('2002', 'Hill College', NULL)"_s
          << u"insert into corvane3_023.college(fcollcode, fcollname, femail) values"
             "('2301', 'Halvern Arts College', 'h2301@colleges.example'), ('2302', 'Moor College', '')"_s
          << u"insert into corvane3_023.subject(fdegree, fexamno, fsubcode, fsubshort) values"
             "('BA', 'A', 'BA01', 'ENG'), ('BA', 'A', 'BA02', 'HIS'), ('BA', 'A', 'BA03', 'ECO'),"
             "('BSC', 'A', 'BS01', 'ENG'), ('BSC', 'A', 'BS02', 'PHY'), ('BA', 'B', 'BB09', 'POL')"_s
          << u"insert into corvane3_023.masdoc(fdegree, ffilename) values"
             "('BA', 'Photo'), ('BA', 'Signature'), ('BSC', 'Photo')"_s;
    admin(setup);
}

QString ExcelTest::workbook(const QString &name, const SheetRows &rows, bool activeSecond)
{
    const QString path = dir.filePath(name);
    lxw_workbook *wb = workbook_new(QFile::encodeName(path).constData());
    if (activeSecond) {
        lxw_worksheet *notes = workbook_add_worksheet(wb, "Notes");
        worksheet_write_string(notes, 0, 0, "not the students", nullptr);
    }
    lxw_worksheet *ws = workbook_add_worksheet(wb, "Students");
    lxw_format *date = workbook_add_format(wb);
    format_set_num_format(date, "dd/mm/yyyy");
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows.at(r).size(); ++c) {
            const QVariant &v = rows.at(r).at(c);
            const auto row = lxw_row_t(r);
            const auto col = lxw_col_t(c);
            if (!v.isValid())
                continue;
            if (v.userType() == qMetaTypeId<Formula>()) {
                const Formula f = v.value<Formula>();
                worksheet_write_formula_num(ws, row, col, f.text.toUtf8().constData(), nullptr, f.value);
            } else if (v.userType() == QMetaType::Bool) {
                worksheet_write_boolean(ws, row, col, v.toBool(), nullptr);
            } else if (v.userType() == QMetaType::QDate) {
                const QDate d = v.toDate();
                lxw_datetime dt = {d.year(), d.month(), d.day(), 0, 0, 0};
                worksheet_write_datetime(ws, row, col, &dt, date);
            } else if (v.userType() == QMetaType::QString) {
                worksheet_write_string(ws, row, col, v.toString().toUtf8().constData(), nullptr);
            } else {
                worksheet_write_number(ws, row, col, v.toDouble(), nullptr);
            }
        }
    }
    if (activeSecond)
        worksheet_activate(ws);
    EXPECT_EQ(workbook_close(wb), LXW_NO_ERROR);
    return path;
}

QVariantList ExcelTest::listHeading()
{
    return {u"Sl No"_s, u"College"_s, u"Degree"_s, u"Name"_s, u"Mobile"_s, u"Email"_s};
}

QVariantList ExcelTest::listRow(int slno, const QString &degree, const QString &name, const QVariant &mobile,
                                const QVariant &email)
{
    return {QString::number(slno), u"2001"_s, degree, name, mobile, email};
}

QVariantList ExcelTest::appHeading()
{
    QVariantList out;
    for (const QString &c : sheetColumns(u"023"_s))
        out << c.toUpper();
    return out;
}

QVariantList ExcelTest::appRow(const QString &slno, const QString &degree, const QString &name,
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

SheetResult ExcelTest::stage(const QString &univ, const QString &college, const QString &workbookPath)
{
    SheetResult sheet;
    const bool ok = runAsImport([&] {
        sheet = stageWorkbook(SheetRequest{selectUniversity(univ), univ, college, workbookPath},
                              [](const QString &) { return true; });
    });
    EXPECT_TRUE(ok) << ui.dump();
    EXPECT_EQ(sheet.outcome, SheetResult::Staged);
    return sheet;
}

QVector<DegreeDecision> ExcelTest::plainGrid(const SheetResult &sheet)
{
    QVector<DegreeDecision> grid;
    for (const DegreeCount &d : sheet.degrees)
        grid.append({d.code, d.code, true});
    return grid;
}

ApplicationResult ExcelTest::importApps(const QVector<DegreeDecision> &grid, qint64 maxStatementBytes)
{
    ApplicationRequest request;
    request.db = kAppDb;
    request.college = u"2301"_s;
    request.grid = grid;
    request.admDate = u"2026-06-01"_s;
    request.maxStatementBytes = maxStatementBytes;
    ApplicationResult result;
    runAsImport([&] { importApplications(request, result); });
    return result;
}

QString ExcelTest::applications()
{
    return adminValue(
            u"select group_concat(concat_ws('|', a.fdegree, a.fslno, a.fname, a.ffatname, a.fgender, "
            u"a.fcaste, "
            "a.ftotfee, a.femail, a.fcontact_no, a.fappno = concat('523', a.internal_code), a.fappstatus, "
            "a.ffinsub, "
            "a.fexamno, a.fcombcode, a.fcreateuser, a.fackuser, a.fblood_group, a.fadmdate, a.freligion, "
            "a.fconstype, a.fcatbirth, a.farea, "
            "(select group_concat(o.fsubcode order by o.fsubcode) from corvane3_023.options o where o.fappno "
            "= "
            "a.fappno and o.fslno = a.fslno and o.fcollcode = a.fcollcode), "
            "(select group_concat(d.fdoctype order by d.fdoctype) from corvane3_023.studoc d where "
            "d.login_cnt = "
            "a.fappno and d.app_no = a.fslno), "
            "(select group_concat(concat(f.fheadcode, '=', f.famount, '/', f.fyear) order by f.fheadcode) "
            "from "
            "corvane3_023.admfeedetl f where f.fappno = a.fappno and f.fslno = a.fslno)) "
            "order by a.fdegree, a.fslno separator '\\n') from corvane3_023.studadm a where a.fcreateuser = 'XLS'"_s);
}

int ExcelTest::appCount(const QString &table, const QString &where)
{
    return adminValue(u"select count(*) from corvane3_023.%1 %2"_s.arg(
                              table, where.isEmpty() ? QString() : u"where "_s + where))
            .toInt();
}
