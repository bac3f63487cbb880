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

    // The OK button: checks the entries and changes the password.
    void changePassword();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_oldPassword;
    QLineEdit *m_newPassword;
    QLineEdit *m_confirmPassword;
    QPushButton *m_okButton;
    QPushButton *m_cancelButton;
    QLabel *m_hintLabel; // what the focused box wants
    CommandGate m_gate;
};
