#include "gui/shell/screens.h"

#include "core/admin/permtree.h"
#include "gui/admin/frmpasswd.h"
#include "gui/admin/frmusers.h"
#include "gui/desk/frmfindtkt.h"
#include "gui/desk/frmrectkt.h"
#include "gui/desk/frmresetlock.h"
#include "gui/shell/mdimainmenu.h"
#include "gui/students/frmchangedeg.h"
#include "gui/students/frmimpstuddata.h"
#include "gui/students/frmimpstuddataxls.h"

#include <QAction>
#include <QPointer>
#include <QWidget>

namespace {

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
    if (menuName == QLatin1String("N24"))
        return new frmimpstuddataxls();
    if (menuName == QLatin1String("N26"))
        return new frmfindtkt();
    if (menuName == QLatin1String("N42"))
        return new frmpasswd();
    if (menuName == QLatin1String("N43")) {
        QPointer<MdiMainMenu> main(mainWindow);
        return new frmusers([main] { return menuEntries(main); });
    }
    return nullptr;
}
