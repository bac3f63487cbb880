#pragma once

#include "gui/services/commandgate.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// Lets the administrator see and set the overdue limit: the hours a grievance
// may wait at a level before it counts as overdue.
class OverdueLimitScreen : public QWidget
{
    Q_OBJECT
public:
    explicit OverdueLimitScreen(QWidget *parent = nullptr);

    // Save (or Enter in the box): checks the typed hours and stores them.
    void save();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showCurrentLimit();

    QLabel *m_currentLimit = nullptr;
    QLineEdit *m_newLimit = nullptr;
    QPushButton *m_saveButton = nullptr;
    QPushButton *m_closeButton = nullptr;
    CommandGate m_gate;
    bool m_placed = false;
};
