#include "gui/reports/examcentrelist.h"

#include "core/reports/examcentre.h"
#include "core/services/errors.h"
#include "core/services/handler.h"
#include "core/services/interaction.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

WorkbookOpener &opener()
{
    static WorkbookOpener instance;
    return instance;
}

bool openWithDesktop(const QString &path)
{
    return spreadsheetApplicationInstalled() && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace

void setWorkbookOpener(WorkbookOpener replacement)
{
    opener() = std::move(replacement);
}

bool spreadsheetApplicationInstalled()
{
    for (const char *name :
         {"soffice", "libreoffice", "localc", "gnumeric", "et", "onlyoffice-desktopeditors"})
        if (!QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty())
            return true;
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return false;
    QProcess query;
    query.start(xdgMime,
                {QStringLiteral("query"), QStringLiteral("default"),
                 QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet")});
    return query.waitForFinished(5000) && !query.readAllStandardOutput().trimmed().isEmpty();
}

void runExamCentreList(QWidget *parent)
{
    Q_UNUSED(parent)
    ExamCentreResult result;
    bool finished = false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    runHandled(HandlerOptions{}, [&](int) {
        try {
            result = Gen_Exam_Centre_List(reportsFolder());
            finished = true;
        } catch (const AppError &e) {
            if (e.isGoneAway())
                throw; // the handler convention reconnects and runs the report again
            QApplication::restoreOverrideCursor();
            msgBox(QStringLiteral("Error Message  : Err No. ") + QString::number(e.number()) +
                   QStringLiteral("  ") + e.description());
            QApplication::setOverrideCursor(Qt::WaitCursor);
        }
    });
    QApplication::restoreOverrideCursor();
    if (!finished)
        return;
    if (result.noRecords) {
        msgBox(QStringLiteral("No records found!!"), Icon::Exclamation);
        return;
    }
    const bool opened = opener() ? opener()(result.path) : openWithDesktop(result.path);
    if (!opened)
        msgBox(QStringLiteral("The examination centre list was saved as\n%1\n\nNo spreadsheet application is "
                              "installed to open it; open or print the file with one.")
                       .arg(QDir::toNativeSeparators(result.path)),
               Icon::Information);
}
