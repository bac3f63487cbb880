#include "gui/desk/lockreleasescreen.h"

#include "core/desk/lockrelease.h"
#include "core/services/handler.h"
#include "gui/services/formutil.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QScrollBar>

namespace {
// Grid columns: the row header is the vertical header; "User Name",
// "Tkt. Id.", "Held (h:mm)" and "Select" are the columns after it.
constexpr int kUserColumn = 0;
constexpr int kTktColumn = 1;
constexpr int kHeldForColumn = 2;
constexpr int kSelectColumn = 3;
} // namespace

LockReleaseScreen::LockReleaseScreen(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Release Locked Users. . ."));

    auto *caption = new QLabel(QStringLiteral("Level"), this);
    m_level = new QLineEdit(this);
    m_level->setObjectName(QStringLiteral("level"));
    m_level->setMaxLength(5);
    m_level->installEventFilter(this);

    m_users = new SheetGrid(1, 4, this);
    m_users->setObjectName(QStringLiteral("lockedUsers"));
    m_users->setHorizontalHeaderLabels({QStringLiteral("User Name"), QStringLiteral("Tkt. Id."),
                                        QStringLiteral("Held (h:mm)"), QStringLiteral("Select")});
    m_users->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_users->installEventFilter(this);
    // Column widths in average characters, so the grid fits its font.
    const int unit = QFontMetrics(m_users->font()).averageCharWidth() + 1;
    m_users->verticalHeader()->setFixedWidth(9 * unit);
    m_users->setColumnWidth(kUserColumn, int(23.62 * unit));
    // Ten digits, and hours and minutes held: narrow, so the screen stays as
    // wide as it was before the held time joined it.
    m_users->setColumnWidth(kTktColumn, 10 * unit);
    m_users->setColumnWidth(kHeldForColumn, 10 * unit);
    m_users->setColumnWidth(kSelectColumn, 12 * unit);
    // Room for every column, the Release buttons included, beside the
    // vertical scroll bar that a long list brings.
    m_users->setMinimumWidth(m_users->verticalHeader()->width() + m_users->horizontalHeader()->length() +
                             2 * m_users->frameWidth() + m_users->verticalScrollBar()->sizeHint().width());
    clearSheetGrid(m_users);
    addReleaseButton(0);

    auto *layout = new QGridLayout(this);
    layout->addWidget(caption, 0, 0);
    layout->addWidget(m_level, 0, 1);
    layout->setColumnStretch(2, 1);
    layout->addWidget(m_users, 1, 0, 1, 3);
    resize(minimumSizeHint().width(), 360);
    setTabOrder(m_level, m_users);
    selectAllOnFocus(this);
}

LockReleaseScreen::~LockReleaseScreen() = default;

void LockReleaseScreen::addReleaseButton(int row)
{
    auto *button = new QPushButton(QStringLiteral("Release"), m_users);
    button->installEventFilter(this);
    connect(button, &QPushButton::clicked, this, [this, button] {
        // The row is found when pressed: the grid may have been listed anew.
        for (int r = 0; r < m_users->rowCount(); ++r)
            if (m_users->cellWidget(r, kSelectColumn) == button)
                releaseRow(r);
    });
    m_users->setCellWidget(row, kSelectColumn, button);
}

bool LockReleaseScreen::comesBeforeLevel(QWidget *widget) const
{
    // Walk this screen's tab chain from its start: whatever is met before the
    // level box comes earlier in the tab order.
    const QWidget *start = const_cast<LockReleaseScreen *>(this);
    for (QWidget *w = start->nextInFocusChain(); w && w != start; w = w->nextInFocusChain()) {
        if (w == m_level)
            return false;
        if (w == widget)
            return true;
    }
    return false;
}

void LockReleaseScreen::levelLeft(Qt::FocusReason reason)
{
    // Only when the focus moves on within this screen or the main window:
    // not backwards (Shift+Tab, or a control earlier in the tab order), nor
    // to another screen or program.
    if (reason == Qt::BacktabFocusReason)
        return;
    QWidget *now = QApplication::focusWidget();
    if (!now)
        return;
    QWidget *target = now->window();
    const bool ownWindow = target == window() || qobject_cast<QMainWindow *>(target);
    if (!ownWindow)
        return;
    if (isAncestorOf(now) && comesBeforeLevel(now))
        return;
    listUsers();
}

void LockReleaseScreen::listUsers()
{
    runHandled(ErrorStyle::DescriptionNumber, [this] {
        const QVector<desk::LockedUser> users = desk::lockedUsers(m_level->text());
        clearSheetGrid(m_users); // one empty row when nobody matches
        for (int i = 0; i < users.size(); ++i) {
            m_users->setRowCount(i + 1);
            m_users->setItem(i, kUserColumn, new QTableWidgetItem(users.at(i).userName));
            m_users->setItem(i, kTktColumn, new QTableWidgetItem(users.at(i).tktid));
            m_users->setItem(i, kHeldForColumn,
                             new QTableWidgetItem(desk::heldForText(users.at(i).heldSeconds)));
        }
        for (int r = 0; r < m_users->rowCount(); ++r)
            if (!m_users->cellWidget(r, kSelectColumn))
                addReleaseButton(r);
    });
}

void LockReleaseScreen::releaseRow(int row)
{
    const QTableWidgetItem *item = m_users->item(row, kUserColumn);
    const QString name = item ? item->text() : QString();
    QList<QWidget *> buttons;
    for (int r = 0; r < m_users->rowCount(); ++r)
        buttons << m_users->cellWidget(r, kSelectColumn);
    m_gate.run(buttons, [&name] {
        if (runHandled(ErrorStyle::DescriptionNumber, [&name] { desk::releaseUser(name); }))
            msgBox(QStringLiteral("Lock Released!!"), Icon::Information);
    });
}

void LockReleaseScreen::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_centred) {
        m_centred = true;
        if (QWidget *host = parentWidget(); host && !isWindow())
            move(host->width() / 2 - width() / 2, host->height() / 2 - height() / 2);
    }
    m_level->setFocus();
}

void LockReleaseScreen::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool LockReleaseScreen::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_level && event->type() == QEvent::FocusOut)
        levelLeft(static_cast<QFocusEvent *>(event)->reason());
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
