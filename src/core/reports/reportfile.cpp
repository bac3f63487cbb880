#include "core/reports/reportfile.h"

#include "core/services/errors.h"
#include "core/services/interaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

void saveReportFile(const QString &path, const std::function<void(const QString &temporary)> &write)
{
    const QFileInfo target(path);
    const QString temporary = target.absolutePath() + QStringLiteral("/.") + target.completeBaseName() +
                              QStringLiteral(".part-") + QString::number(QCoreApplication::applicationPid()) +
                              QStringLiteral(".xlsx");
    try {
        write(temporary);
    } catch (...) {
        QFile::remove(temporary);
        throw;
    }
    // rename() never replaces an existing file, so a report is never overwritten.
    if (!QFile::rename(temporary, path)) {
        QFile::remove(temporary);
        throw AppError(ErrNo::FileAccess, QStringLiteral("The report cannot be saved as %1.").arg(path),
                       path);
    }
}

QString freshReportPath(const QString &folder, const QString &baseName)
{
    const QString stamp = ui().now().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
    const QString base = folder + QLatin1Char('/') + baseName + QLatin1Char(' ') + stamp;
    QString path = base + QStringLiteral(".xlsx");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = base + QStringLiteral(" (%1).xlsx").arg(n);
    return path;
}

QString saveNewReport(const QString &folder, const QString &baseName,
                      const std::function<void(const QString &temporary)> &write)
{
    for (int attempt = 0;; ++attempt) {
        const QString path = freshReportPath(folder, baseName);
        try {
            saveReportFile(path, write);
            return path;
        } catch (const AppError &) {
            if (attempt >= 3 || !QFileInfo::exists(path))
                throw;
        }
    }
}

QString reportsFolder()
{
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    const QString folder = documents + QStringLiteral("/GMS reports");
    if (!QDir().mkpath(folder))
        throw AppError(ErrNo::FileAccess,
                       QStringLiteral("The reports folder %1 cannot be created.").arg(folder), folder);
    return folder;
}
