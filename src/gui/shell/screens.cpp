#include "gui/shell/screens.h"

#include "core/admin/permtree.h"
#include "core/services/interaction.h"
#include "gui/admin/frmpasswd.h"
#include "gui/admin/frmusers.h"
#include "gui/desk/frmrectkt.h"
#include "gui/desk/frmresetlock.h"
#include "gui/shell/mdimainmenu.h"
#include "gui/students/frmchangedeg.h"
#include "gui/students/frmimpstuddata.h"

#include <QAction>
#include <QPointer>

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

namespace {

// Captions of the commands whose screens are still to come.
QString pendingTitle(const QString &menuName)
{
    if (menuName == QLatin1String("N24"))
        return QStringLiteral("Import Student Basic Data (Excel)");
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

// The main window's menu as the users screen's permission tree reads it.
QVector<permtree::MenuEntry> menuEntries(const MdiMainMenu *mainWindow)
{
    QVector<permtree::MenuEntry> entries;
    if (!mainWindow)
        return entries;
    for (const QAction *action : mainWindow->menuControls()) {
        const QString name = action->objectName();
        entries.push_back({name, action->isSeparator() ? QStringLiteral("-") : action->text(),
                           name == QLatin1String("NWindow")});
    }
    return entries;
}

} // namespace

QWidget *createScreen(const QString &menuName, MdiMainMenu *mainWindow)
{
    if (menuName == QLatin1String("N21"))
        return new frmrectkt();
    if (menuName == QLatin1String("N44"))
        return new frmresetlock();
    if (menuName == QLatin1String("N22"))
        return new frmimpstuddata();
    if (menuName == QLatin1String("N23"))
        return new frmchangedeg();
    if (menuName == QLatin1String("N42"))
        return new frmpasswd();
    if (menuName == QLatin1String("N43")) {
        QPointer<MdiMainMenu> main(mainWindow);
        return new frmusers([main] { return menuEntries(main); });
    }
    const QString title = pendingTitle(menuName);
    if (title.isEmpty())
        return nullptr;
    return pendingScreen(menuName, title, nullptr);
}
