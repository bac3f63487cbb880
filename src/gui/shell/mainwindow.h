#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QVector>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;

// The main window: hosts every screen as a child window, carries the menu
// whose commands are enabled per account, and the six-panel status bar.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);

    // The window's load steps (run during start-up, window not shown): size it
    // to the screen and delete left-over report files. A failure shows its
    // message and ends the application; returns false then.
    bool load();

    // Status panels 1-3: date, time (kept current from now on), version.
    void setStartupPanels();
    // Status panel 4: the signed-in user.
    void setUserPanel(const QString &user);

    enum class Permissions { Applied, Ended };
    // Enables the menu commands of the signed-in account. Ends the
    // application when the account has no row; database errors are thrown so
    // the caller keeps the window from opening.
    Permissions applyPermissions();

    // Runs a menu command by its item name (what choosing it in the menu does).
    void runCommand(const QString &name);

    QMdiArea *mdiArea() const { return m_mdi; }
    // The menu items in menu order (separators included).
    const QVector<QAction *> &menuControls() const { return m_controls; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildMenu();
    void buildStatusBar();
    QAction *addCommand(QMenu *menu, const QString &name, const QString &caption);
    QMenu *addSubMenu(QMenu *menu, const QString &name, const QString &caption);
    void showScreen(const QString &name);
    void fillWindowMenu();
    void updateClock();
    void layoutPanels();
    void exitCommand();

    QMdiArea *m_mdi = nullptr;
    QMenu *m_windowMenu = nullptr;
    QVector<QAction *> m_controls; // menu items in menu order
    QVector<QLabel *> m_panels;
    QTimer *m_clock = nullptr;
    QHash<QString, QPointer<QMdiSubWindow>> m_screens;
};
