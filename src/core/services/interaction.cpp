#include "core/services/interaction.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

const char *const kAppTitle = "Grievance Management System";

namespace {

// Used before a screen layer installs its own: prints messages and answers
// with the default button, so core code never blocks without a person.
class ConsoleInteraction : public Interaction
{
public:
    Answer message(const MessageRequest &request) override
    {
        QTextStream(stderr) << request.text << '\n';
        return request.defaultButton;
    }
    int showModal(QObject *) override { return 0; }
    QString openFileName(QObject *, const QString &, const QString &, const QString &) override { return {}; }
    QDateTime now() override { return QDateTime::currentDateTime(); }
    void pause(int ms) override
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    void endApplication(int code) override
    {
        std::fflush(nullptr);
        std::_Exit(code);
    }
};

ConsoleInteraction g_console;
Interaction *g_current = &g_console;

} // namespace

Interaction &ui()
{
    return *g_current;
}

void setInteraction(Interaction *interaction)
{
    g_current = interaction ? interaction : &g_console;
}

Answer msgBox(const QString &text, Icon icon, const QString &title)
{
    MessageRequest r;
    r.text = text;
    r.icon = icon;
    r.title = title;
    return ui().message(r);
}

Answer askYesNo(const QString &text, Icon icon, bool defaultNo, const QString &title)
{
    MessageRequest r;
    r.text = text;
    r.buttons = Buttons::YesNo;
    r.icon = icon;
    r.defaultButton = defaultNo ? Answer::No : Answer::Yes;
    r.title = title;
    return ui().message(r);
}

void pauseASecond()
{
    ui().pause(1000);
}
