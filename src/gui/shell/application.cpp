#include "gui/shell/application.h"

#include "gui/services/widgetinteraction.h"

#include <QApplication>

int runApplication(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kAppTitle));
    static WidgetInteraction interaction;
    setInteraction(&interaction);
    return app.exec();
}
