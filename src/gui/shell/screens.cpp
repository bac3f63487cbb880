#include "gui/shell/screens.h"

#include "core/services/interaction.h"

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

namespace {

// Captions of the commands whose screens are still to come.
QString pendingTitle(const QString &menuName)
{
    if (menuName == QLatin1String("N21"))
        return QStringLiteral("Receive Query");
    if (menuName == QLatin1String("N22"))
        return QStringLiteral("Import Student Basic Data");
    if (menuName == QLatin1String("N23"))
        return QStringLiteral("Change Degree");
    if (menuName == QLatin1String("N24"))
        return QStringLiteral("Import Student Basic Data (Excel)");
    if (menuName == QLatin1String("N42"))
        return QStringLiteral("Password");
    if (menuName == QLatin1String("N43"))
        return QStringLiteral("Security");
    if (menuName == QLatin1String("N44"))
        return QStringLiteral("Reset Locked Users");
    return QString();
}

QWidget *pendingScreen(const QString &menuName, const QString &title, QWidget *parent)
{
    auto *screen = new QWidget(parent);
    screen->setObjectName(QStringLiteral("pending_") + menuName);
    screen->setWindowTitle(title);
    auto *layout = new QVBoxLayout(screen);
    layout->addWidget(
            new QLabel(QStringLiteral("%1 comes in a later version of the client.").arg(title), screen));
    screen->resize(360, 120);
    return screen;
}

} // namespace

QWidget *createScreen(const QString &menuName, QWidget *parent)
{
    const QString title = pendingTitle(menuName);
    if (title.isEmpty())
        return nullptr;
    return pendingScreen(menuName, title, parent);
}

void Gen_Exam_Centre_List(QWidget *)
{
    msgBox(QStringLiteral("Exam Centres with Tagged Colleges comes in a later version of the client."),
           Icon::Information);
}
