#pragma once

#include <QDateTime>
#include <QString>

class QObject;

// Everything a person would otherwise do goes through this seam: message
// boxes, modal waits, file dialogs, the clock and ending the application.
// The screens install the widget implementation; tests install a scripted one.
enum class Icon { None, Information, Exclamation, Critical, Question };
enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

struct MessageRequest
{
    QString text;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    Answer defaultButton = Answer::Ok;
    QString title; // empty: the application's title
};

// The application's title, used where no other title is named.
extern const char *const kAppTitle;

class Interaction
{
public:
    virtual ~Interaction() = default;

    virtual Answer message(const MessageRequest &request) = 0;
    // Shows a window modally and returns when it closes.
    virtual int showModal(QObject *window) = 0;
    virtual QString openFileName(QObject *parent, const QString &caption, const QString &dir,
                                 const QString &filter) = 0;
    virtual QDateTime now() = 0;
    // Waits about ms milliseconds while processing user-interface events.
    virtual void pause(int ms) = 0;
    // Ends the process at once; no window runs its closing steps.
    virtual void endApplication(int code) = 0;
};

Interaction &ui();
// Installs the implementation (not owned); nullptr restores the fallback.
void setInteraction(Interaction *interaction);

// Shorthands for message boxes.
Answer msgBox(const QString &text, Icon icon = Icon::None, const QString &title = QString());
// A Yes/No question; `defaultNo` picks No as the default button.
Answer askYesNo(const QString &text, Icon icon, bool defaultNo = true, const QString &title = QString());

// The one-second wait while processing events (the relay's reply check and
// the start-up use it).
void pauseASecond();
