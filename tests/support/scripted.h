#pragma once

#include "core/services/interaction.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>
#include <string>

// The interaction seam for tests: records every message box, answers from a
// script (default button when the script is empty), fixes the clock, and
// records instead of ending the process.
class ScriptedInteraction : public Interaction
{
public:
    Answer message(const MessageRequest &request) override;
    int showModal(QObject *window) override;
    QString openFileName(QObject *parent, const QString &caption, const QString &dir,
                         const QString &filter) override;
    QDateTime now() override;
    void pause(int ms) override;
    void endApplication(int code) override;

    void reset();
    QStringList texts() const;
    std::string dump() const { return texts().join(QLatin1Char('|')).toStdString(); }
    const MessageRequest &last() const { return messages.last(); }

    QList<MessageRequest> messages;
    QList<Answer> answers;                                 // consumed in order
    QStringList fileNames;                                 // answers of the open-file dialog
    std::function<int(QObject *)> onModal;                 // what a modal window does (default: nothing)
    std::function<void(const MessageRequest &)> onMessage; // side effects while a box is "up"
    QDateTime clock;                                       // invalid: the real time
    bool ended = false;
};

// Installed for the whole test run by the test main.
ScriptedInteraction &scripted();
