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

    // The status bar's date, time (kept current from now on) and version.
    void setStartupPanels();
    // The status bar's signed-in user.
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
    const QVector<QAction *> &menuControls() const { return m_menuItems; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildMenu();
    void buildStatusBar();
    QLabel *addStatusPanel();
    QAction *addCommand(QMenu *menu, const QString &name, const QString &caption);
    QMenu *addSubMenu(QMenu *menu, const QString &name, const QString &caption);
    void showScreen(const QString &name);
    void fillWindowMenu();
    void updateClock();
    void layoutStatusPanels();
    void confirmExit();

    QMdiArea *m_mdi = nullptr;
    QMenu *m_windowMenu = nullptr;
    QVector<QAction *> m_menuItems; // in menu order, separators included
    QLabel *m_dateLabel = nullptr;
    QLabel *m_clockLabel = nullptr;
    QLabel *m_versionLabel = nullptr;
    QLabel *m_userLabel = nullptr;
    // Two empty panels keep the status bar in six equal parts.
    QLabel *m_blankLabel = nullptr;
    QLabel *m_lastBlankLabel = nullptr;
    QTimer *m_clockTimer = nullptr;
    QHash<QString, QPointer<QMdiSubWindow>> m_openScreens; // by menu item name
};
