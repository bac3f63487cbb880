#pragma once

#include "core/services/interaction.h"

// The interaction seam for real use: Qt message boxes, dialogs and the clock.
class WidgetInteraction : public Interaction
{
public:
    Answer message(const MessageRequest &request) override;
    int showModal(QObject *window) override;
    QString openFileName(QObject *parent, const QString &caption, const QString &dir,
                         const QString &filter) override;
    QDateTime now() override;
    void pause(int ms) override;
    void endApplication(int code) override;
};
