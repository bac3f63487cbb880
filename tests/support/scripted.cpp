#include "support/scripted.h"

#include <QCoreApplication>

Answer ScriptedInteraction::message(const MessageRequest &request)
{
    messages.append(request);
    if (onMessage)
        onMessage(request);
    if (!answers.isEmpty())
        return answers.takeFirst();
    return request.defaultButton;
}

int ScriptedInteraction::showModal(QObject *window)
{
    return onModal ? onModal(window) : 0;
}

QString ScriptedInteraction::openFileName(QObject *, const QString &, const QString &, const QString &)
{
    return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
}

QDateTime ScriptedInteraction::now()
{
    return clock.isValid() ? clock : QDateTime::currentDateTime();
}

void ScriptedInteraction::pause(int)
{
    QCoreApplication::processEvents();
}

void ScriptedInteraction::endApplication(int)
{
    ended = true;
}

void ScriptedInteraction::reset()
{
    *this = ScriptedInteraction();
}

QStringList ScriptedInteraction::texts() const
{
    QStringList out;
    for (const MessageRequest &m : messages)
        out << m.text;
    return out;
}

ScriptedInteraction &scripted()
{
    static ScriptedInteraction instance;
    return instance;
}
