#pragma once

#include "core/students/applicationimport.h"
#include "core/students/excelimport.h"
#include "support/testdb.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

// Workbook rows: text or number cells; an invalid QVariant leaves a cell empty.
using SheetRows = QVector<QVariantList>;

// Universities 041, 042 and 023 (applications) with colleges, degrees,
// subjects and documents; files go to a folder named with a space, non-ASCII
// letters and an apostrophe.
class StudentsTest : public DbTest
{
protected:
    void SetUp() override;
    static void resetStudentTables();

    inline static const QString kDb = QStringLiteral("corvane3_tsc");
    inline static const QString kAppDb = QStringLiteral("corvane3_023");

    QString writeFile(const QString &name, const QByteArray &data);
    QString workbook(const QString &name, const SheetRows &rows);
    static QVariantList listHeading() { return QVariantList(6, QStringLiteral("Heading")); }
    static QVariantList appHeading()
    {
        return QVariantList(int(students::sheetColumns(QStringLiteral("023")).size()), QStringLiteral("H"));
    }
    static QVariantList appRow(const QString &slno, const QString &degree, const QString &name,
                               const QString &caste, const QVariant &fee, const QStringList &subjects,
                               const QString &mobile, const QString &college = QStringLiteral("2301"));

    // The sheet phase as the Import button runs it, the layout accepted; the
    // grid with every staged line ticked and unchanged.
    students::SheetResult stage(const QString &univ, const QString &college, const QString &path);
    static QVector<students::DegreeDecision> plainGrid(const students::SheetResult &sheet);

    // The rows of `table` ("db.table"), one '|'-joined line each.
    static QString dump(const QString &table, const QString &columns,
                        const QString &where = QStringLiteral("1"), const QString &order = QString());
    static int rows(const QString &table, const QString &where = QStringLiteral("1"));

    QTemporaryDir dir;
    QString folder;
};

// How the import screens run their work: errors as "{number}, {description}".
bool runAsImport(const std::function<void()> &work);

// The screen opens inside a main window already active: it gets no
// activation of its own and must list the universities all the same.
template<class Screen>
class ScreenTest : public StudentsTest
{
protected:
    void SetUp() override
    {
        StudentsTest::SetUp();
        mdi->resize(900, 700);
        host.show();
        host.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
        screen = new Screen;
        mdi->setActiveSubWindow(mdi->addSubWindow(screen));
        screen->show();
        QApplication::processEvents();
        ASSERT_EQ(universities()->count(), 3);
        universities()->setCurrentIndex(universities()->findText(QStringLiteral("041"), Qt::MatchEndsWith));
    }
    QComboBox *universities() const
    {
        return screen->template findChild<QComboBox *>(QStringLiteral("universityList"));
    }
    template<class Control = QLineEdit>
    Control *in(const char *name) const
    {
        return screen->template findChild<Control *>(QLatin1String(name));
    }

    QWidget host;
    QMdiArea *mdi = new QMdiArea(&host);
    Screen *screen = nullptr;
};
