#pragma once

#include "core/admin/permtree.h"

#include <QWidget>

#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QTreeWidget;
class QTreeWidgetItem;

// Staff accounts: user name, section and the menu commands the account may
// use, edited as a tree of check boxes built from the main window's menu.
class frmusers : public QWidget
{
    Q_OBJECT
public:
    using MenuSource = std::function<QVector<permtree::MenuEntry>()>;
    explicit frmusers(MenuSource menu, QWidget *parent = nullptr);

    void AddItems();
    // The account lookup run when the focus leaves "Section".
    void lookUp();
    // The Save command (`cmd(0)`).
    void save();
    // The user list, filled afresh.
    void fillUsers();

protected:
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;

private:
    void onItemChanged(QTreeWidgetItem *item);
    void syncTree();
    void onFocusChanged(QWidget *old, QWidget *now);

    MenuSource m_menu;
    QVector<permtree::Node> m_nodes;
    QList<QTreeWidgetItem *> m_items;
    bool m_syncing = false;

    QLineEdit *m_user;    // text(0)
    QComboBox *m_cmb;
    QLineEdit *m_section; // text(6)
    QTreeWidget *m_tree;  // tvwoptions
    QPushButton *m_save;
    QPushButton *m_cancel;
    QStatusBar *m_status;
};
