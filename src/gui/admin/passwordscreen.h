#pragma once

#include "gui/services/commandgate.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// Change of the signed-in user's own password.
class PasswordScreen : public QWidget
{
    Q_OBJECT
public:
    explicit PasswordScreen(QWidget *parent = nullptr);

    // The OK command (`cmdok`).
    void change();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_text[3];
    QPushButton *m_ok;
    QPushButton *m_cancel;
    QLabel *m_hint;
    CommandGate m_gate;
};
