#pragma once

#include "gui/services/commandgate.h"

#include <QWidget>

class QLineEdit;
class SheetGrid;

// Lets an administrator list the users of a level with the grievance each
// holds, and release any of them.
class LockReleaseScreen : public QWidget
{
    Q_OBJECT
public:
    explicit LockReleaseScreen(QWidget *parent = nullptr);
    ~LockReleaseScreen() override;

    // Lists the users whose level begins with the typed text.
    void listUsers();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void levelLeft(Qt::FocusReason reason);
    void releaseRow(int row);
    void addReleaseButton(int row);
    bool comesBeforeLevel(QWidget *widget) const;

    QLineEdit *m_level = nullptr;
    SheetGrid *m_users = nullptr; // a level's users, each with a Release button
    CommandGate m_gate;
    bool m_centred = false;
};
