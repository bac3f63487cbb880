#pragma once

#include "core/students/applicationimport.h"
#include "core/students/excelimport.h"

#include "studentsfixture.h"

#include <QDate>
#include <QVariant>

// A workbook cell: text, number, boolean, date, a formula with its cached
// value (Formula), or nothing (an invalid QVariant).
struct Formula
{
    QString text;
    double value = 0;
};
Q_DECLARE_METATYPE(Formula)

using SheetRows = QVector<QVariantList>;

// Student tables of corvane3_tsc ("041") and corvane3_023 ("023") emptied,
// with a college of each, degrees, subjects and documents, and workbooks
// written by libxlsxwriter into the test's folder.
class ExcelTest : public StudentsTest
{
protected:
    void SetUp() override;

    static const QString kAppDb;

    // Writes an .xlsx; with `activeSecond` a first tab "Notes" comes before
    // the students' tab, which is made the active one.
    QString workbook(const QString &name, const SheetRows &rows, bool activeSecond = false);

    // The heading rows of the two layouts.
    static QVariantList listHeading();
    static QVariantList appHeading();
    // A row of the student-list layout: serial number as text, college 2001.
    static QVariantList listRow(int slno, const QString &degree, const QString &name, const QVariant &mobile,
                                const QVariant &email = QVariant());
    // A row of the 023 layout.
    static QVariantList appRow(const QString &slno, const QString &degree, const QString &name,
                               const QString &caste, const QVariant &fee, const QStringList &subjects,
                               const QString &mobile, const QString &college = QStringLiteral("2301"));

    // The sheet phase as the Import button runs it; the layout is accepted.
    students::SheetResult stage(const QString &univ, const QString &college, const QString &workbookPath);
    // The grid as the sheet phase fills it, every line ticked and unchanged.
    static QVector<students::DegreeDecision> plainGrid(const students::SheetResult &sheet);
    // The application path as the Update button runs it.
    students::ApplicationResult importApps(const QVector<students::DegreeDecision> &grid,
                                           qint64 maxStatementBytes = 0);
    // Every imported application with its subjects, documents and fees, one
    // line each, without the numbers the database assigns.
    static QString applications();

    static int appCount(const QString &table, const QString &where = QString());
};

// How the import screens run their work: errors as "{number}, {description}".
bool runAsImport(const std::function<void()> &work);
