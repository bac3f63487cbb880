#pragma once

#include "core/admin/permtree.h"
#include "gui/services/commandgate.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// Staff accounts: user name, section, level and the menu commands the account may
// use, edited as a tree of check boxes built from the main window's menu.
class UsersScreen : public QWidget
{
    Q_OBJECT
public:
    using MenuSource = std::function<QVector<permtree::MenuEntry>()>;
    explicit UsersScreen(MenuSource menu, QWidget *parent = nullptr);

    // The Save button: writes the loaded account as the screen shows it.
    void save();
    // The user list, filled afresh.
    void fillUsers();

protected:
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;

private:
    // An unticked tree of the main window's menu commands.
    void buildTree();
    // A tick set by the operator passes to the branch and the parents.
    void propagateCheck(QTreeWidgetItem *item);
    void syncTree();
    void chooseUser(int index);
    void loadOnLeavingSection(QWidget *old, QWidget *now);
    void forgetLoadOnRename(const QString &text);
    // Loads the account named in "User ID" into Section, Level and the tree.
    void loadAccount();
    // The same, its failures reported.
    void lookUpAccount();
    void forgetLoad();
    void saveAccount();

    MenuSource m_menuSource;
    QVector<permtree::Node> m_nodes;
    QList<QTreeWidgetItem *> m_items;
    bool m_syncing = false;
    CommandGate m_gate;

    // The account that Section and the tree show; the tree exists only while
    // one is loaded, so ticks never pass from one account to another.
    bool m_loaded = false;
    QString m_loadedName;
    bool m_loadedFound = false;
    QString m_loadedPermission; // as stored, stale keys included

    QLineEdit *m_userId;
    QComboBox *m_userList;
    QLineEdit *m_section;
    QComboBox *m_level; // the levels in use; a new code may be typed
    QTreeWidget *m_permissionTree;
    QPushButton *m_saveButton;
    QPushButton *m_cancelButton;
};
