#include "gui/shell/screens.h"

#include "core/admin/permtree.h"
#include "gui/admin/passwordscreen.h"
#include "gui/admin/templatesscreen.h"
#include "gui/admin/usersscreen.h"
#include "gui/desk/deskscreen.h"
#include "gui/desk/findgrievancescreen.h"
#include "gui/desk/lockreleasescreen.h"
#include "gui/desk/overduelimitscreen.h"
#include "gui/reports/supervisorview.h"
#include "gui/shell/mainwindow.h"
#include "gui/students/csvimportscreen.h"
#include "gui/students/degreechangescreen.h"
#include "gui/students/excelimportscreen.h"

#include <QAction>
#include <QPointer>
#include <QWidget>

namespace {

// The main window's menu as the users screen's permission tree reads it.
QVector<permtree::MenuEntry> menuEntries(const MainWindow *mainWindow)
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

QWidget *createScreen(const QString &menuName, MainWindow *mainWindow)
{
    if (menuName == QLatin1String("N21"))
        return new DeskScreen();
    if (menuName == QLatin1String("N44"))
        return new LockReleaseScreen();
    if (menuName == QLatin1String("N45"))
        return new OverdueLimitScreen();
    if (menuName == QLatin1String("N22"))
        return new CsvImportScreen();
    if (menuName == QLatin1String("N23"))
        return new DegreeChangeScreen();
    if (menuName == QLatin1String("N24"))
        return new ExcelImportScreen();
    if (menuName == QLatin1String("N26"))
        return new FindGrievanceScreen();
    if (menuName == QLatin1String("N46"))
        return new TemplatesScreen();
    if (menuName == QLatin1String("N32"))
        return new SupervisorView();
    if (menuName == QLatin1String("N42"))
        return new PasswordScreen();
    if (menuName == QLatin1String("N43")) {
        QPointer<MainWindow> main(mainWindow);
        return new UsersScreen([main] { return menuEntries(main); });
    }
    return nullptr;
}
