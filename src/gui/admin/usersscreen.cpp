#include "gui/admin/usersscreen.h"

#include "core/admin/accounts.h"
#include "core/services/database.h"
#include "core/services/handler.h"
#include "core/services/interaction.h"
#include "gui/services/formutil.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

UsersScreen::UsersScreen(MenuSource menu, QWidget *parent)
    : QWidget(parent)
    , m_menu(std::move(menu))
{
    setObjectName(QStringLiteral("UsersScreen"));
    setWindowTitle(QStringLiteral("Users . . ."));

    auto *frame0 = new QGroupBox(QStringLiteral("User "), this);
    frame0->setObjectName(QStringLiteral("frame(0)"));
    auto *userLabel = new QLabel(QStringLiteral("User ID"), frame0);
    userLabel->setObjectName(QStringLiteral("Label(15)"));
    m_user = new QLineEdit(frame0);
    m_user->setObjectName(QStringLiteral("text(0)"));
    m_user->setMaxLength(15);
    m_cmb = new QComboBox(frame0);
    m_cmb->setObjectName(QStringLiteral("cmb"));
    auto *sectionLabel = new QLabel(QStringLiteral("Section"), frame0);
    sectionLabel->setObjectName(QStringLiteral("Label(1)"));
    m_section = new QLineEdit(frame0);
    m_section->setObjectName(QStringLiteral("text(6)"));
    m_section->setMaxLength(10);
    auto *g0 = new QGridLayout(frame0);
    g0->addWidget(userLabel, 0, 0);
    g0->addWidget(m_user, 0, 1);
    g0->addWidget(m_cmb, 0, 2);
    g0->addWidget(sectionLabel, 1, 0);
    g0->addWidget(m_section, 1, 1);

    auto *frame1 = new QGroupBox(QStringLiteral("Permission"), this);
    frame1->setObjectName(QStringLiteral("frame(1)"));
    m_tree = new QTreeWidget(frame1);
    m_tree->setObjectName(QStringLiteral("tvwoptions"));
    m_tree->setHeaderHidden(true);
    m_save = new QPushButton(QStringLiteral("&Save"), frame1);
    m_save->setObjectName(QStringLiteral("cmd(0)"));
    m_cancel = new QPushButton(QStringLiteral("&Cancel"), frame1);
    m_cancel->setObjectName(QStringLiteral("cmd(1)"));
    auto *g1 = new QVBoxLayout(frame1);
    g1->addWidget(m_tree);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_save);
    buttons->addWidget(m_cancel);
    g1->addLayout(buttons);

    auto *status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setSizeGripEnabled(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame0);
    layout->addWidget(frame1, 1);
    layout->addWidget(status);
    resize(520, 600);

    setTabOrder(m_user, m_cmb);
    setTabOrder(m_cmb, m_section);
    setTabOrder(m_section, m_tree);
    setTabOrder(m_tree, m_save);
    setTabOrder(m_save, m_cancel);
    upperCaseTyping(m_user);
    upperCaseTyping(m_section);
    keyChain({m_user, m_cmb, m_section, m_tree});
    selectAllOnFocus(this);

    connect(m_cmb, &QComboBox::activated, this, [this](int index) {
        m_user->setText(m_cmb->itemText(index));
        loadHandled();
    });
    connect(m_user, &QLineEdit::textChanged, this, &UsersScreen::onUserChanged);
    connect(m_tree, &QTreeWidget::itemChanged, this, &UsersScreen::onItemChanged);
    connect(m_save, &QPushButton::clicked, this, &UsersScreen::save);
    connect(m_cancel, &QPushButton::clicked, this, &QWidget::close);
    connect(qApp, &QApplication::focusChanged, this, &UsersScreen::onFocusChanged);
}

void UsersScreen::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    fillUsers();
}

bool UsersScreen::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && isVisible())
        fillUsers();
    return QWidget::event(event);
}

void UsersScreen::fillUsers()
{
    runHandled(ErrorStyle::DescriptionNumber, [this] {
        try {
            const Rows rows = Conn::query(QStringLiteral("select * from masuser order by fusername"));
            const QString typed = m_user->text();
            // Filled afresh each time, so repeated activations do not repeat names.
            m_cmb->clear();
            for (int i = 0; i < rows.size(); ++i)
                m_cmb->addItem(rows.value(QStringLiteral("fusername"), i));
            m_cmb->setCurrentIndex(-1);
            m_user->setText(typed);
        } catch (const AppError &e) {
            if (e.isGoneAway())
                throw; // the handler reopens and reads the list again
            msgBox(QStringLiteral("Error Occurred : %1 . %2").arg(e.number()).arg(e.description()),
                   Icon::Exclamation, QStringLiteral("Message"));
        }
    });
}

void UsersScreen::buildTree()
{
    m_syncing = true;
    m_tree->clear();
    m_items.clear();
    m_nodes = permtree::build(m_menu ? m_menu() : QVector<permtree::MenuEntry>());
    for (const permtree::Node &n : m_nodes) {
        QTreeWidgetItem *item =
                n.parent < 0 ? new QTreeWidgetItem(m_tree) : new QTreeWidgetItem(m_items[n.parent]);
        item->setText(0, n.text);
        item->setData(0, Qt::UserRole, n.key);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        m_items.append(item);
    }
    m_tree->expandAll();
    m_syncing = false;
}

void UsersScreen::syncTree()
{
    m_syncing = true;
    for (int i = 0; i < m_nodes.size() && i < m_items.size(); ++i)
        m_items[i]->setCheckState(0, m_nodes[i].checked ? Qt::Checked : Qt::Unchecked);
    m_syncing = false;
}

void UsersScreen::onItemChanged(QTreeWidgetItem *item)
{
    if (m_syncing)
        return;
    const int index = int(m_items.indexOf(item));
    if (index < 0)
        return;
    permtree::setChecked(m_nodes, index, item->checkState(0) == Qt::Checked);
    syncTree();
}

void UsersScreen::onFocusChanged(QWidget *old, QWidget *now)
{
    if (old != m_section || !isVisible() || m_gate.busy())
        return;
    // Moving back out of an empty "Section" does not look the account up.
    const QList<QWidget *> order = {m_user, m_cmb, m_section, m_tree, m_save, m_cancel};
    const int to = int(order.indexOf(now));
    if (to >= 0 && to < order.indexOf(m_section) && m_section->text().trimmed().isEmpty())
        return;
    // Reloading the same account would drop the ticks made since.
    if (m_loaded && m_user->text() == m_loadedName)
        return;
    loadHandled();
}

void UsersScreen::onUserChanged(const QString &text)
{
    if (m_loaded && text != m_loadedName)
        forgetLoad();
}

void UsersScreen::forgetLoad()
{
    m_loaded = false;
    m_loadedFound = false;
    m_loadedName.clear();
    m_loadedPermission.clear();
    m_tree->clear();
    m_items.clear();
    m_nodes.clear();
}

void UsersScreen::load()
{
    const accounts::Account a = accounts::lookup(m_user->text());
    m_loaded = true;
    m_loadedFound = a.found;
    m_loadedName = a.found ? a.name : m_user->text();
    m_loadedPermission = a.permission;
    if (a.found) {
        m_user->setText(a.name);
        const int at = m_cmb->findText(a.name);
        if (at >= 0)
            m_cmb->setCurrentIndex(at);
        m_section->setText(a.section);
    }
    buildTree();
    permtree::applyPermission(m_nodes, a.permission);
    syncTree();
}

void UsersScreen::loadHandled()
{
    runHandled(ErrorStyle::DescriptionNumber, [this] { load(); });
}

void UsersScreen::save()
{
    m_gate.run({m_save, m_cancel},
               [this] { runHandled(ErrorStyle::DescriptionNumber, [this] { saveAccount(); }); });
}

void UsersScreen::saveAccount()
{
    if (m_user->text().trimmed().isEmpty()) {
        msgBox(QStringLiteral("User ID Should be Entered"), Icon::Exclamation);
        m_user->setFocus();
        return;
    }
    // Save writes what the screen shows for this account, so show it first.
    if (!m_loaded)
        load();
    accounts::Edit edit{m_user->text(), m_section->text(), permtree::permissionString(m_nodes)};
    if (edit.permission.isEmpty() && m_loadedFound && !m_loadedPermission.isEmpty()) {
        if (askYesNo(QStringLiteral("No permission is ticked. Remove every permission of %1?")
                             .arg(edit.name.trimmed()),
                     Icon::Question) != Answer::Yes)
            return;
        edit.clearPermission = true;
    }
    switch (accounts::save(edit)) {
    case accounts::SaveResult::QuoteInName:
        msgBox(QStringLiteral(
                       "A User ID may not hold a quote ('): sign-in removes quotes, so the account could "
                       "never sign in."),
               Icon::Exclamation);
        m_user->setFocus();
        return;
    case accounts::SaveResult::Vanished:
        msgBox(QStringLiteral("%1 was not saved: the account has been removed meanwhile.")
                       .arg(edit.name.trimmed()),
               Icon::Exclamation);
        forgetLoad();
        fillUsers();
        return;
    case accounts::SaveResult::Inserted:
    case accounts::SaveResult::Updated:
        clearInputs(this);
        forgetLoad();
        fillUsers();
        return;
    }
}
