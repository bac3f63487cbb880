#include "gui/desk/trailview.h"

#include "gui/desk/wrappedlist.h"

#include <QVBoxLayout>

namespace {

// Remarks and replies are typed text: a tooltip must not render them as
// markup, and keeps their line breaks.
QString plainTooltip(const QString &text)
{
    return QStringLiteral("<p style='white-space:pre-wrap'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

} // namespace

QString trailMovement(const desk::TrailEntry &entry)
{
    // The level a grievance was raised at is not recorded: before the first
    // forward it is only "as raised".
    if (entry.reply)
        return entry.fromLevel.isEmpty() ? QStringLiteral("replied")
                                         : QStringLiteral("replied at level ") + entry.fromLevel;
    return (entry.fromLevel.isEmpty() ? QStringLiteral("as raised")
                                      : QStringLiteral("level ") + entry.fromLevel) +
           QStringLiteral(" → level ") + entry.level;
}

TrailView::TrailView(QWidget *parent)
    : QWidget(parent)
{
    m_entries = new WrappedList(4, this);
    m_entries->setObjectName(QStringLiteral("trailEntries"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_entries);
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
        const QString when =
                e.when.isValid() ? e.when.toString(QStringLiteral("dd/MM/yyyy hh:mm AP")) : QString();
        const QString movement = trailMovement(e);
        // A reply shows its subject above the mail; remarks show as typed.
        QTreeWidgetItem *item = m_entries->addEntry(
                {when, e.user, movement, line},
                e.user + QStringLiteral(" · ") + when + QStringLiteral(" · ") + movement,
                e.reply && !e.summary.isEmpty() ? e.summary + QLatin1Char('\n') + e.fullText : e.fullText);
        for (int c = 0; c < m_entries->columnCount(); ++c)
            item->setToolTip(c, plainTooltip(e.fullText));
    }
    // The newest entry is what the receiver needs (the remarks that came with
    // the grievance): kept in view.
    if (QTreeWidgetItem *newest = m_entries->topLevelItem(m_entries->topLevelItemCount() - 1))
        m_entries->scrollToItem(newest);
}

void TrailView::clear()
{
    m_entries->clear();
}
