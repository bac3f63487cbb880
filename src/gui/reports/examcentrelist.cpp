#include "gui/reports/examcentrelist.h"

#include "core/reports/examcentre.h"
#include "core/services/errors.h"
#include "core/services/handler.h"
#include "core/services/interaction.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace {

WorkbookOpener &opener()
{
    static WorkbookOpener instance;
    return instance;
}

// A spreadsheet program on the path that can show a window. LibreOffice's
// headless build (kept for converting workbooks) has no window system
// plug-in and fails to open a file for a person to see.
QString spreadsheetProgram()
{
    for (const char *name :
         {"soffice", "libreoffice", "localc", "gnumeric", "et", "onlyoffice-desktopeditors"}) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (program.isEmpty())
            continue;
        const QString real = QFileInfo(program).canonicalFilePath();
        const bool libreOffice = QFileInfo(real).fileName() == QLatin1String("soffice") ||
                                 QFileInfo(real).fileName() == QLatin1String("soffice.bin");
        if (libreOffice && QDir(QFileInfo(real).absolutePath())
                                   .entryList({QStringLiteral("libvclplug_*")}, QDir::Files)
                                   .isEmpty())
            continue;
        return program;
    }
    return QString();
}

// The program is started directly: the desktop's opener (xdg-open) reports
// success even where no desktop session can act on it, which would leave the
// user with nothing on screen and no message.
bool openWithDesktop(const QString &path)
{
    const QString program = spreadsheetProgram();
    if (!program.isEmpty())
        return QProcess::startDetached(program, {path});
    return spreadsheetApplicationInstalled() && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace

void setWorkbookOpener(WorkbookOpener replacement)
{
    opener() = std::move(replacement);
}

bool spreadsheetApplicationInstalled()
{
    if (!spreadsheetProgram().isEmpty())
        return true;
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty())
        return false;
    QProcess query;
    query.start(xdgMime,
                {QStringLiteral("query"), QStringLiteral("default"),
                 QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet")});
    const bool answered = query.waitForFinished(5000);
    const QString handler = QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
    // A LibreOffice desktop entry is only of use with a windowed LibreOffice.
    return answered && !handler.isEmpty() && !handler.startsWith(QLatin1String("libreoffice"));
}

void runExamCentreList(QWidget *parent)
{
    Q_UNUSED(parent)
    ExamCentreResult result;
    bool finished = false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    runHandled(HandlerOptions{}, [&](int) {
        try {
            result = writeExamCentreList(reportsFolder());
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
    openSavedReport(result.path, QStringLiteral("The examination centre list"));
}

void openSavedReport(const QString &path, const QString &what)
{
    const bool opened = opener() ? opener()(path) : openWithDesktop(path);
    if (!opened)
        msgBox(QStringLiteral("%1 was saved as\n%2\n\nNo spreadsheet program with a window was found to show "
                              "it; open or print the file with one.")
                       .arg(what, QDir::toNativeSeparators(path)),
               Icon::Information);
}
