#include "gui/desk/trailview.h"

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kFullTextRole = Qt::UserRole;

// Remarks and replies are typed text: a tooltip must not render them as
// markup, and keeps their line breaks.
QString plainTooltip(const QString &text)
{
    return QStringLiteral("<p style='white-space:pre-wrap'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

} // namespace

TrailView::TrailView(QWidget *parent)
    : QWidget(parent)
{
    m_entries = new QTreeWidget(this);
    m_entries->setObjectName(QStringLiteral("trailEntries"));
    m_entries->setRootIsDecorated(false);
    m_entries->setUniformRowHeights(true);
    m_entries->setSelectionMode(QAbstractItemView::SingleSelection);
    m_entries->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_entries->setHeaderLabels({QStringLiteral("Date"), QStringLiteral("User"), QStringLiteral("Level"),
                                QStringLiteral("Remarks / Subject")});
    m_entries->header()->setStretchLastSection(true);

    m_fullText = new QPlainTextEdit(this);
    m_fullText->setObjectName(QStringLiteral("trailFullText"));
    m_fullText->setReadOnly(true);

    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_entries);
    split->addWidget(m_fullText);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(split);

    connect(m_entries, &QTreeWidget::itemSelectionChanged, this, &TrailView::showSelected);
}

void TrailView::showTrail(const QString &tktid)
{
    setTrail(desk::trailOf(tktid));
}

void TrailView::setTrail(const QVector<desk::TrailEntry> &trail)
{
    clear();
    for (const desk::TrailEntry &e : trail) {
        QString line = e.summary;
        line.replace(QLatin1Char('\r'), QString()).replace(QLatin1Char('\n'), QLatin1Char(' '));
        auto *item = new QTreeWidgetItem(
                m_entries,
                {e.when.isValid() ? e.when.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss AP")) : QString(),
                 e.user, e.level, line});
        item->setData(0, kFullTextRole, e.fullText);
        for (int c = 0; c < m_entries->columnCount(); ++c)
            item->setToolTip(c, plainTooltip(e.fullText));
    }
    for (int c = 0; c + 1 < m_entries->columnCount(); ++c)
        m_entries->resizeColumnToContents(c);
    // The newest line is what the receiver needs (the remarks that came with
    // the grievance); in a narrow pane its column may be out of sight, so its
    // whole text is shown below at once.
    if (QTreeWidgetItem *newest = m_entries->topLevelItem(m_entries->topLevelItemCount() - 1))
        m_entries->setCurrentItem(newest);
}

void TrailView::clear()
{
    m_entries->clear();
    m_fullText->clear();
}

void TrailView::showSelected()
{
    const QList<QTreeWidgetItem *> selected = m_entries->selectedItems();
    m_fullText->setPlainText(selected.isEmpty() ? QString()
                                                : selected.first()->data(0, kFullTextRole).toString());
}
