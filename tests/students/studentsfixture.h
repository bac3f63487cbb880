#pragma once

#include "support/testdb.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <ostream>

// Known rows in the test universities' databases: "041" is corvane3_tsc,
// "042" corvane3_tnu. Each test starts from empty student tables.
class StudentsTest : public DbTest
{
protected:
    void SetUp() override;

    static const QString kDb;

    // Empties every student table of corvane3_tsc.
    static void emptyStudentTables();
    // Colleges C101, C102 and 2001, degrees BA, BSC, BCOM.
    static void addCollegesAndDegrees();

    // Writes a CSV file under the test's folder; `lines` are joined with `eol`.
    QString writeCsv(const QString &name, const QStringList &lines,
                     const QString &eol = QStringLiteral("\n"));

    static int count(const QString &table, const QString &where = QString());
    // Every row of a table, one '|'-joined text per row, ordered by the columns.
    static QString dump(const QString &table, const QString &columns, const QString &db = kDb);

    QTemporaryDir dir;
};

// Readable failures for texts.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
