#include "core/shell/mainload.h"

#include "core/services/handler.h"
#include "core/services/interaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace mainload {

void deleteLeftoverReports(const QString &dir)
{
    const QDir folder(dir);
    for (const char *pattern : {"rep*.prn", "rep*.txt", "rep*.doc"}) {
        const QFileInfoList matches =
                folder.entryInfoList(QStringList{QString::fromLatin1(pattern)},
                                     QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo &entry : matches) {
            // A file without its owner's write bit is read-only and must stop
            // the load; the superuser could unlink it anyway, so the bit is
            // tested here rather than left to the system.
            const bool readOnly = entry.isFile() && !(entry.permissions() & QFileDevice::WriteOwner);
            if (entry.isDir() || readOnly || !QFile::remove(entry.absoluteFilePath()))
                throw AppError(ErrNo::FileAccess, QStringLiteral("Path/File access error"),
                               QStringLiteral("deleting ") + entry.absoluteFilePath());
        }
    }
}

void reportLoadError(const AppError &error)
{
    if (error.number() == ErrNo::Unreachable)
        msgBox(QStringLiteral("Change the Connection String"), Icon::Information);
    else
        msgBox(formatError(ErrorStyle::NumberTwoBlanks, error));
}

} // namespace mainload
