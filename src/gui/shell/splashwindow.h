#pragma once

#include "gui/shell/mainwindow.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;
class QTimer;

// The start-up window: opens the connection, checks the control row, loads
// the main window (not shown) and runs the sign-in.
class SplashWindow : public QWidget
{
    Q_OBJECT

public:
    explicit SplashWindow(QWidget *parent = nullptr);

    // The start-up steps, run once after the window is first shown. Returns
    // when the sign-in screen has closed or the application was ended.
    void activate();

    // The main window loaded during start-up (nullptr before). It outlives
    // this window; whoever runs the application owns it.
    MainWindow *mainWindow() const { return m_main; }

    // Closes the window; during start-up the deletion waits until the
    // start-up steps have returned.
    void dismiss();
    // The sign-in screen is up: the two buttons become usable.
    void enableButtons();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool loadMainWindow(const QString &title);

    QLabel *m_title = nullptr; // a click on it closes the window
    QLabel *m_installationName = nullptr;
    QLabel *m_connectingLabel = nullptr;
    QPushButton *m_okButton = nullptr;
    QPushButton *m_systemInfoButton = nullptr;
    QTimer *m_watchdog = nullptr;
    QPointer<MainWindow> m_main;
    bool m_started = false;
    bool m_activating = false;
    bool m_dismissed = false;
};
