#pragma once

#include "gui/shell/mainwindow.h"
#include "gui/shell/splashwindow.h"

#include <QDialog>
#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;

// The sign-in screen, shown modally by the start-up window.
class SignInDialog : public QDialog
{
    Q_OBJECT

public:
    // `splash` is dismissed and `main` shown on a successful sign-in; either
    // may be absent.
    SignInDialog(SplashWindow *splash, MainWindow *main, QWidget *parent = nullptr);

    // The OK button: sign in, and in every case read the university list.
    void signIn();
    // The Cancel button: the application ends.
    void cancel();

    // Leaving the screen without signing in ends the application like
    // Cancel: otherwise the start-up window would sit there with nothing
    // left to do, and the main window must never open without a sign-in.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // True when the fields are filled; otherwise says which is missing.
    bool fieldsFilled();
    void signInSteps();

    QLineEdit *m_userName = nullptr;
    QLineEdit *m_password = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPointer<SplashWindow> m_splash;
    QPointer<MainWindow> m_main;
    bool m_signedIn = false;
};
