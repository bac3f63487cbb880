#include "gui/shell/application.h"

#include "gui/services/formutil.h"
#include "gui/services/widgetinteraction.h"
#include "gui/shell/splashwindow.h"

#include <QApplication>

int runApplication(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kAppTitle));
    // Every way out ends the process through the interaction seam; windows
    // closing in between (start-up, sign-in) must not end it on their own.
    QApplication::setQuitOnLastWindowClosed(false);
    static WidgetInteraction interaction;
    setInteraction(&interaction);
    enterPressesButtons();

    // Start-up runs the sign-in, which applies the permissions and shows the
    // main window; the main window lives until the application ends.
    auto *splash = new SplashWindow;
    splash->show();
    return app.exec();
}
