#include "gui/shell/application.h"

#include "gui/services/formutil.h"
#include "gui/services/widgetinteraction.h"
#include "gui/shell/signindialog.h"
#include "gui/shell/splashwindow.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace {

// `gms --check-start`: start-up as usual, ended where a person would take
// over. Reaching the sign-in ends with 0; a message box (the start-up's
// failures) ends with 1 and its text. Lets a deployment check that the
// installed client finds its libraries, its ODBC driver and its server.
class StartCheck : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        if (qobject_cast<SignInDialog *>(watched)) {
            std::puts("gms: start-up reached the sign-in");
            std::exit(0);
        }
        if (const auto *box = qobject_cast<QMessageBox *>(watched)) {
            std::fprintf(stderr, "gms: start-up stopped: %s\n", qPrintable(box->text()));
            std::exit(1);
        }
        return false;
    }
};

} // namespace

int runApplication(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kAppTitle));
    if (QApplication::arguments().contains(QStringLiteral("--check-start")))
        app.installEventFilter(new StartCheck);
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
