#include "excelfixture.h"

#include "core/services/handler.h"
#include "core/services/session.h"
#include "core/students/university.h"

#include <QFile>

#include <xlsxwriter.h>

using namespace Qt::StringLiterals;

using namespace students;

const QString ExcelTest::kAppDb = u"corvane3_023"_s;

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
             "('2001', 'Lakeside College', 'lakeside@colleges.example'), ('2002', 'Hill "
             "College', NULL)"_s
          << u"insert into corvane3_023.college(fcollcode, fcollname, femail) values"
             "('2301', 'Halvern Arts College', 'h2301@colleges.example'), ('2302', 'Moor "
             "College', '')"_s
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
            if (v.canConvert<Formula>() && v.userType() == qMetaTypeId<Formula>()) {
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

ImportCounters ExcelTest::stage(const QString &univ, const QString &college, const QString &workbookPath)
{
    ImportRun run;
    const bool ok = runHandled(ErrorStyle::NumberCommaDescription, [&] {
        const QString db = selectUniversity(univ);
        EXPECT_TRUE(lookUpCollege(db, college).found);
        makeUploadFolders(workbookPath);
        const SheetTable table = writeSheetCsv(workbookPath, csvPathFor(workbookPath));
        EXPECT_EQ(layoutMismatch(table, univ), QString());
        runImportSteps(sheetLoadSteps(db, csvPathFor(workbookPath), univ), run, {});
    });
    EXPECT_TRUE(ok) << ui.texts().join(QLatin1Char('|')).toStdString();
    return run.counters;
}

ApplicationRun ExcelTest::importApps(const QStringList &degrees, qint64 maxStatementBytes,
                                     const ApplicationObserver &observer, const QString &college)
{
    ApplicationRequest request;
    request.univCode = u"023"_s;
    request.college = college;
    request.degrees = degrees;
    request.admDate = u"2026-06-01"_s;
    request.maxStatementBytes = maxStatementBytes;
    ApplicationRun run;
    HandlerOptions options;
    options.style = ErrorStyle::NumberCommaDescription;
    options.icon = Icon::None;
    runHandled(options, [&](int) { importApplications(request, run, observer); });
    return run;
}

int ExcelTest::appCount(const QString &table, const QString &where)
{
    return adminValue(u"select count(*) from corvane3_023.%1 %2"_s.arg(
                              table, where.isEmpty() ? QString() : u"where "_s + where))
            .toInt();
}
