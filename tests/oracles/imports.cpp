#include "oracles/imports.h"

#include "core/services/sqltext.h"

using namespace Qt::StringLiterals;
using students::Counter;

namespace oracles {

QVector<students::ImportStep> literalCsvImport(const QString &db, const QString &path,
                                               const students::CsvShape &shape)
{
    const QString tmp = sql::table(db, u"tmpcollstud"_s), dup = sql::table(db, u"tmpcollstuddup"_s);
    const QString stud = sql::table(db, u"collstud"_s), dupStore = sql::table(db, u"collstuddup"_s);
    const QString blank = u"replace(ifnull(tmpcollstud.fmobileno,''),' ','') = ''"_s;
    const QString lines = shape.crlf ? u"LINES TERMINATED BY '\\r\\n' "_s : QString();
    QVector<students::ImportStep> steps;
    const auto step = [&](const QString &caption, const QString &sql, Counter counter = Counter::None) {
        steps << students::importStep(caption, sql, counter);
    };
    step(u"Emptying the staging table"_s, u"delete from %1"_s.arg(tmp));
    step(u"Emptying the table of repeated numbers"_s, u"delete from %1"_s.arg(dup));
    step(students::kLoadCaption,
         u"LOAD DATA local INFILE %1 INTO TABLE %2 FIELDS TERMINATED BY ',' ENCLOSED BY '\"' ESCAPED BY '' "
         "%3IGNORE 1 LINES (fslno, fcollcode, fdegree, fname, fmobileno, femail)"_s.arg(sql::quote(path), tmp,
                                                                                        lines));
    step(u"Setting the import date"_s, u"update %1 set fimpdate = sysdate()"_s.arg(tmp), Counter::Sheet);
    step(u"Removing the lines without a name"_s,
         u"delete from %1 where ltrim(ifnull(fname,'')) = ''"_s.arg(tmp), Counter::NameEmpty);
    step(u"Storing the lines without a mobile number"_s,
         u"insert into %1(fslno, fcollcode, fdegree, fmobileno, femail, fname) select fslno, fcollcode, "
         "fdegree, fmobileno, femail, fname from %2 where %3"_s.arg(sql::table(db, u"collstudnb"_s), tmp,
                                                                    blank),
         Counter::NoMobile);
    step(u"Removing the lines without a mobile number"_s, u"delete from %1 where %2"_s.arg(tmp, blank));
    step(u"Finding mobile numbers repeated in the file"_s,
         u"insert into %1 select fmobileno, count(fmobileno) as fcnt from %2 group by fmobileno having "
         "count(fmobileno) > 1"_s.arg(dup, tmp));
    step(u"Marking mobile numbers repeated in the file"_s,
         u"update %1 a, %2 b set a.fdeleted = 'X' where a.fmobileno = b.fmobileno"_s.arg(tmp, dup));
    step(u"Storing the lines repeated in the file"_s,
         u"insert into %1 select * from %2 where fdeleted = 'X'"_s.arg(dupStore, tmp), Counter::DupSheet);
    step(u"Removing the lines repeated in the file"_s, u"delete from %1 where fdeleted = 'X'"_s.arg(tmp));
    step(u"Finding students stored under another college"_s,
         u"update %1 tmpcollstud, %2 collstud set tmpcollstud.fdeleted = 'X' where collstud.fmobileno = "
         "tmpcollstud.fmobileno and collstud.fcollcode <> tmpcollstud.fcollcode and "
         "replace(ifnull(tmpcollstud.fmobileno,''),' ','') <> ''"_s.arg(tmp, stud));
    step(u"Storing the students stored under another college"_s,
         u"insert into %1 select * from %2 where fdeleted = 'X'"_s.arg(dupStore, tmp), Counter::DupDb);
    step(u"Finding students already stored"_s,
         u"update %1 tmpcollstud, %2 collstud set tmpcollstud.fdeleted = 'X' where collstud.fmobileno = "
         "tmpcollstud.fmobileno and replace(ifnull(tmpcollstud.fmobileno,''),' ','') <> ''"_s.arg(tmp, stud));
    step(u"Removing the students already stored"_s, u"delete from %1 where fdeleted = 'X'"_s.arg(tmp));
    step(u"Adding the new students"_s,
         u"insert into %1(fslno, fcollcode, fdegree, fmobileno, femail, fname, fimpdate) select fslno, "
         "fcollcode, fdegree, fmobileno, femail, fname, fimpdate from %2"_s.arg(stud, tmp),
         Counter::Final);
    return steps;
}

} // namespace oracles
