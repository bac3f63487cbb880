#include "oracles/imports.h"

#include "core/services/sqltext.h"

using students::Counter;
using students::importStep;

namespace oracles {

QVector<students::ImportStep> literalCsvImport(const QString &db, const QString &path,
                                               const students::CsvShape &shape)
{
    const QString tmp = sql::table(db, QStringLiteral("tmpcollstud"));
    const QString dup = sql::table(db, QStringLiteral("tmpcollstuddup"));
    const QString stud = sql::table(db, QStringLiteral("collstud"));
    const QString dupStore = sql::table(db, QStringLiteral("collstuddup"));
    const QString blank = QStringLiteral("replace(ifnull(tmpcollstud.fmobileno,''),' ','') = ''");
    const QString lines = shape.crlf ? QStringLiteral("LINES TERMINATED BY '\\r\\n' ") : QString();
    QVector<students::ImportStep> steps;
    steps << importStep(QStringLiteral("Emptying the staging table"),
                        QStringLiteral("delete from %1").arg(tmp))
          << importStep(QStringLiteral("Emptying the table of repeated numbers"),
                        QStringLiteral("delete from %1").arg(dup))
          << importStep(students::kLoadCaption,
                        QStringLiteral("LOAD DATA local INFILE %1 INTO TABLE %2 FIELDS TERMINATED BY ',' "
                                       "ENCLOSED BY '\"' ESCAPED BY '' %3IGNORE 1 LINES (fslno, fcollcode, "
                                       "fdegree, fname, fmobileno, femail)")
                                .arg(sql::quote(path), tmp, lines))
          << importStep(QStringLiteral("Setting the import date"),
                        QStringLiteral("update %1 set fimpdate = sysdate()").arg(tmp), Counter::Sheet)
          << importStep(QStringLiteral("Removing the lines without a name"),
                        QStringLiteral("delete from %1 where ltrim(ifnull(fname,'')) = ''").arg(tmp),
                        Counter::NameEmpty)
          << importStep(QStringLiteral("Storing the lines without a mobile number"),
                        QStringLiteral("insert into %1(fslno, fcollcode, fdegree, fmobileno, femail, fname) "
                                       "select fslno, fcollcode, fdegree, fmobileno, femail, fname from %2 "
                                       "where %3")
                                .arg(sql::table(db, QStringLiteral("collstudnb")), tmp, blank),
                        Counter::NoMobile)
          << importStep(QStringLiteral("Removing the lines without a mobile number"),
                        QStringLiteral("delete from %1 where %2").arg(tmp, blank))
          << importStep(QStringLiteral("Finding mobile numbers repeated in the file"),
                        QStringLiteral("insert into %1 select fmobileno, count(fmobileno) as fcnt from %2 "
                                       "group by fmobileno having count(fmobileno) > 1")
                                .arg(dup, tmp))
          << importStep(
                     QStringLiteral("Marking mobile numbers repeated in the file"),
                     QStringLiteral("update %1 a, %2 b set a.fdeleted = 'X' where a.fmobileno = b.fmobileno")
                             .arg(tmp, dup))
          << importStep(QStringLiteral("Storing the lines repeated in the file"),
                        QStringLiteral("insert into %1 select * from %2 where fdeleted = 'X'")
                                .arg(dupStore, tmp),
                        Counter::DupSheet)
          << importStep(QStringLiteral("Removing the lines repeated in the file"),
                        QStringLiteral("delete from %1 where fdeleted = 'X'").arg(tmp))
          << importStep(
                     QStringLiteral("Finding students stored under another college"),
                     QStringLiteral("update %1 tmpcollstud, %2 collstud set tmpcollstud.fdeleted = 'X' where "
                                    "collstud.fmobileno = tmpcollstud.fmobileno and collstud.fcollcode <> "
                                    "tmpcollstud.fcollcode and replace(ifnull(tmpcollstud.fmobileno,''),' "
                                    "','') <> ''")
                             .arg(tmp, stud))
          << importStep(QStringLiteral("Storing the students stored under another college"),
                        QStringLiteral("insert into %1 select * from %2 where fdeleted = 'X'")
                                .arg(dupStore, tmp),
                        Counter::DupDb)
          << importStep(
                     QStringLiteral("Finding students already stored"),
                     QStringLiteral("update %1 tmpcollstud, %2 collstud set tmpcollstud.fdeleted = 'X' where "
                                    "collstud.fmobileno = tmpcollstud.fmobileno and "
                                    "replace(ifnull(tmpcollstud.fmobileno,''),' ','') <> ''")
                             .arg(tmp, stud))
          << importStep(QStringLiteral("Removing the students already stored"),
                        QStringLiteral("delete from %1 where fdeleted = 'X'").arg(tmp))
          << importStep(
                     QStringLiteral("Adding the new students"),
                     QStringLiteral("insert into %1(fslno, fcollcode, fdegree, fmobileno, femail, fname, "
                                    "fimpdate) select fslno, fcollcode, fdegree, fmobileno, femail, fname, "
                                    "fimpdate from %2")
                             .arg(stud, tmp),
                     Counter::Final);
    return steps;
}

} // namespace oracles
