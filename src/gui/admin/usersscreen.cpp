#include "gui/admin/usersscreen.h"

#include "core/admin/accounts.h"
#include "core/services/database.h"
#include "core/services/handler.h"
#include "core/services/interaction.h"
#include "core/services/session.h"
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
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The box's limit is for what the operator types. A stored value longer than
// that is shown whole (the limit rises until the text fits it again), so Save
// never writes back a cut name or section.
void limitTyping(QLineEdit *box, int limit)
{
    box->setMaxLength(limit);
    QObject::connect(box, &QLineEdit::textChanged, box, [box, limit](const QString &text) {
        if (text.size() <= limit)
            box->setMaxLength(limit);
    });
}

void showStored(QLineEdit *box, const QString &value)
{
    box->setMaxLength(qMax(box->maxLength(), int(value.size())));
    box->setText(value);
    box->setCursorPosition(0); // a value wider than the box shows its start
}

} // namespace

UsersScreen::UsersScreen(MenuSource menu, QWidget *parent)
    : QWidget(parent)
    , m_menuSource(std::move(menu))
{
    setWindowTitle(QStringLiteral("Users . . ."));

    auto *userBox = new QGroupBox(QStringLiteral("User "), this);
    auto *userLabel = new QLabel(QStringLiteral("User ID"), userBox);
    m_userId = new QLineEdit(userBox);
    m_userId->setObjectName(QStringLiteral("userId"));
    limitTyping(m_userId, 15);
    m_userList = new QComboBox(userBox);
    m_userList->setObjectName(QStringLiteral("userList"));
    auto *sectionLabel = new QLabel(QStringLiteral("Section"), userBox);
    m_section = new QLineEdit(userBox);
    m_section->setObjectName(QStringLiteral("section"));
    limitTyping(m_section, 10);
    auto *levelLabel = new QLabel(QStringLiteral("Level"), userBox);
    m_level = new QComboBox(userBox);
    m_level->setObjectName(QStringLiteral("level"));
    m_level->setEditable(true);
    m_level->setInsertPolicy(QComboBox::NoInsert);
    auto *userLayout = new QGridLayout(userBox);
    userLayout->addWidget(userLabel, 0, 0);
    userLayout->addWidget(m_userId, 0, 1);
    userLayout->addWidget(m_userList, 0, 2);
    userLayout->addWidget(sectionLabel, 1, 0);
    userLayout->addWidget(m_section, 1, 1, 1, 2);
    userLayout->addWidget(levelLabel, 2, 0);
    userLayout->addWidget(m_level, 2, 1);

    auto *permissionBox = new QGroupBox(QStringLiteral("Permission"), this);
    m_permissionTree = new QTreeWidget(permissionBox);
    m_permissionTree->setObjectName(QStringLiteral("permissionTree"));
    m_permissionTree->setHeaderHidden(true);
    m_saveButton = new QPushButton(QStringLiteral("&Save"), permissionBox);
    m_saveButton->setObjectName(QStringLiteral("saveButton"));
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"), permissionBox);
    auto *permissionLayout = new QVBoxLayout(permissionBox);
    permissionLayout->addWidget(m_permissionTree);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_saveButton);
    buttons->addWidget(m_cancelButton);
    permissionLayout->addLayout(buttons);

    auto *status = new QStatusBar(this);
    status->setSizeGripEnabled(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(userBox);
    layout->addWidget(permissionBox, 1);
    layout->addWidget(status);
    // Wide enough for a whole stored section (50 characters) and every
    // command's name in the tree, which is measured once from the menu.
    m_section->setMinimumWidth(m_section->fontMetrics().averageCharWidth() * 50 + 12);
    buildTree();
    m_permissionTree->setMinimumWidth(
            static_cast<QAbstractItemView *>(m_permissionTree)->sizeHintForColumn(0) +
            m_permissionTree->style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
            2 * m_permissionTree->frameWidth() + 8);
    m_permissionTree->clear();
    m_items.clear();
    m_nodes.clear();

    setTabOrder(m_userId, m_userList);
    setTabOrder(m_userList, m_section);
    setTabOrder(m_section, m_level);
    setTabOrder(m_level, m_permissionTree);
    setTabOrder(m_permissionTree, m_saveButton);
    setTabOrder(m_saveButton, m_cancelButton);
    upperCaseTyping(m_userId);
    upperCaseTyping(m_section);
    keyChain({m_userId, m_userList, m_section, m_level, m_permissionTree});
    selectAllOnFocus(this);

    connect(m_userList, &QComboBox::activated, this, &UsersScreen::chooseUser);
    connect(m_userId, &QLineEdit::textChanged, this, &UsersScreen::forgetLoadOnRename);
    connect(m_permissionTree, &QTreeWidget::itemChanged, this, &UsersScreen::propagateCheck);
    connect(m_saveButton, &QPushButton::clicked, this, &UsersScreen::save);
    connect(m_cancelButton, &QPushButton::clicked, this, &QWidget::close);
    connect(qApp, &QApplication::focusChanged, this, &UsersScreen::loadOnLeavingSection);
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
            const QString typed = m_userId->text();
            // Filled afresh each time, so repeated activations do not repeat names.
            m_userList->clear();
            for (int i = 0; i < rows.size(); ++i)
                m_userList->addItem(rows.value(QStringLiteral("fusername"), i));
            m_userList->setCurrentIndex(-1);
            m_userId->setText(typed);
            const QString typedLevel = m_level->currentText();
            m_level->clear();
            m_level->addItems(accounts::levelsInUse());
            m_level->setCurrentIndex(-1);
            m_level->setEditText(typedLevel);
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
    m_permissionTree->clear();
    m_items.clear();
    m_nodes = permtree::build(m_menuSource ? m_menuSource() : QVector<permtree::MenuEntry>());
    for (const permtree::Node &n : m_nodes) {
        QTreeWidgetItem *item =
                n.parent < 0 ? new QTreeWidgetItem(m_permissionTree) : new QTreeWidgetItem(m_items[n.parent]);
        item->setText(0, n.text);
        item->setData(0, Qt::UserRole, n.key);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        m_items.append(item);
    }
    m_permissionTree->expandAll();
    m_syncing = false;
}

void UsersScreen::syncTree()
{
    m_syncing = true;
    for (int i = 0; i < m_nodes.size() && i < m_items.size(); ++i)
        m_items[i]->setCheckState(0, m_nodes[i].checked ? Qt::Checked : Qt::Unchecked);
    m_syncing = false;
}

void UsersScreen::propagateCheck(QTreeWidgetItem *item)
{
    if (m_syncing)
        return;
    const int index = int(m_items.indexOf(item));
    if (index < 0)
        return;
    permtree::setChecked(m_nodes, index, item->checkState(0) == Qt::Checked);
    syncTree();
}

void UsersScreen::chooseUser(int index)
{
    showStored(m_userId, m_userList->itemText(index));
    lookUpAccount();
}

void UsersScreen::loadOnLeavingSection(QWidget *old, QWidget *now)
{
    if (old != m_section || !isVisible() || m_gate.busy())
        return;
    // Moving back out of an empty "Section" does not look the account up.
    const bool backwards = now == m_userId || now == m_userList;
    if (backwards && m_section->text().trimmed().isEmpty())
        return;
    // Reloading the same account would drop the ticks made since.
    if (m_loaded && m_userId->text() == m_loadedName)
        return;
    lookUpAccount();
}

void UsersScreen::forgetLoadOnRename(const QString &text)
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
    m_permissionTree->clear();
    m_items.clear();
    m_nodes.clear();
}

void UsersScreen::loadAccount()
{
    const accounts::Account a = accounts::lookup(m_userId->text());
    m_loaded = true;
    m_loadedFound = a.found;
    m_loadedName = a.found ? a.name : m_userId->text();
    m_loadedPermission = a.permission;
    if (a.found) {
        showStored(m_userId, a.name);
        const int at = m_userList->findText(a.name);
        if (at >= 0)
            m_userList->setCurrentIndex(at);
        showStored(m_section, a.section);
        // Always replaced, so one account's level never stays on the next.
        m_level->setEditText(a.level);
        m_level->lineEdit()->setCursorPosition(0);
    }
    buildTree();
    permtree::applyPermission(m_nodes, a.permission);
    syncTree();
}

void UsersScreen::lookUpAccount()
{
    runHandled(ErrorStyle::DescriptionNumber, [this] { loadAccount(); });
}

void UsersScreen::save()
{
    m_gate.run({m_saveButton, m_cancelButton},
               [this] { runHandled(ErrorStyle::DescriptionNumber, [this] { saveAccount(); }); });
}

void UsersScreen::saveAccount()
{
    if (m_userId->text().trimmed().isEmpty()) {
        msgBox(QStringLiteral("User ID Should be Entered"), Icon::Exclamation);
        m_userId->setFocus();
        return;
    }
    // Save writes what the screen shows for this account, so show it first.
    if (!m_loaded)
        loadAccount();
    accounts::Edit edit{m_userId->text(), m_section->text(), m_level->currentText(),
                        permtree::permissionString(m_nodes)};
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
        m_userId->setFocus();
        return;
    case accounts::SaveResult::NameRefused:
        msgBox(QStringLiteral("A new account's first password is its User ID. ") +
                       passwordProblem(edit.name.trimmed()),
               Icon::Exclamation);
        m_userId->setFocus();
        return;
    case accounts::SaveResult::LevelTooLong:
        msgBox(QStringLiteral("Level %1 is too long: a level may hold at most %2 characters.")
                       .arg(edit.level.trimmed())
                       .arg(accounts::kMaxLevelLength),
               Icon::Exclamation);
        m_level->setFocus();
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
