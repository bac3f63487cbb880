#pragma once

#include "core/students/applicationimport.h"
#include "core/students/excelimport.h"
#include "support/testdb.h"

#include <QTemporaryDir>
#include <QVariant>

#include <functional>

// Workbook rows: text or number cells; an invalid QVariant leaves a cell empty.
using SheetRows = QVector<QVariantList>;

// Universities "041" (corvane3_tsc), "042" (corvane3_tnu) and "023"
// (corvane3_023, applications) with empty student tables, colleges, degrees,
// subjects and documents. Files go to `folder`, whose path holds a space,
// non-ASCII letters and an apostrophe.
class StudentsTest : public DbTest
{
protected:
    void SetUp() override;
    static void resetStudentTables();

    static const QString kDb;
    static const QString kAppDb;

    QString writeFile(const QString &name, const QByteArray &data);
    QString workbook(const QString &name, const SheetRows &rows);
    static QVariantList listHeading();
    static QVariantList appHeading();
    static QVariantList appRow(const QString &slno, const QString &degree, const QString &name,
                               const QString &caste, const QVariant &fee, const QStringList &subjects,
                               const QString &mobile, const QString &college = QStringLiteral("2301"));

    // The sheet phase as the Import button runs it, the layout accepted; the
    // grid with every staged line ticked and unchanged.
    students::SheetResult stage(const QString &univ, const QString &college, const QString &path);
    static QVector<students::DegreeDecision> plainGrid(const students::SheetResult &sheet);
    // Every imported application with its subjects, documents and fees.
    static QString applications();

    // The rows of `table` ("db.table"), one '|'-joined line each.
    static QString dump(const QString &table, const QString &columns,
                        const QString &where = QStringLiteral("1"), const QString &order = QString());
    static int rows(const QString &table, const QString &where = QStringLiteral("1"));

    QTemporaryDir dir;
    QString folder;
};

// How the import screens run their work: errors as "{number}, {description}".
bool runAsImport(const std::function<void()> &work);
