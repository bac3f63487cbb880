#include "gui/desk/wrappedlist.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

constexpr int kHeadingRole = Qt::UserRole + 10;
constexpr int kBodyRole = Qt::UserRole + 11;
constexpr int kPad = 4;

QFont boldFont(QFont font)
{
    font.setBold(true);
    return font;
}

// Paints an entry across the whole row, its text wrapped to the list's width.
class EntryDelegate : public QStyledItemDelegate
{
public:
    explicit EntryDelegate(QTreeWidget *view)
        : QStyledItemDelegate(view)
        , m_view(view)
    {}

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const int width = qMax(40, m_view->viewport()->width() - 2 * kPad);
        const QRect box(0, 0, width, 100000);
        const QString body = index.data(kBodyRole).toString();
        const int height =
                QFontMetrics(boldFont(option.font))
                        .boundingRect(box, Qt::TextWordWrap, index.data(kHeadingRole).toString())
                        .height() +
                (body.isEmpty()
                         ? 0
                         : QFontMetrics(option.font).boundingRect(box, Qt::TextWordWrap, body).height());
        return {width, height + 2 * kPad};
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem panel = option;
        initStyleOption(&panel, index);
        panel.text.clear();
        QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &panel, painter, m_view);
        const bool selected = option.state & QStyle::State_Selected;
        painter->save();
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        QRect area = option.rect.adjusted(kPad, kPad, -kPad, -kPad);
        painter->setFont(boldFont(option.font));
        const QString heading = index.data(kHeadingRole).toString();
        const QRect used = painter->boundingRect(area, Qt::TextWordWrap, heading);
        painter->drawText(area, Qt::TextWordWrap, heading);
        area.setTop(used.bottom() + 1);
        painter->setFont(option.font);
        painter->drawText(area, Qt::TextWordWrap, index.data(kBodyRole).toString());
        painter->restore();
    }

private:
    QTreeWidget *m_view;
};

} // namespace

WrappedList::WrappedList(int columns, QWidget *parent)
    : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setAlternatingRowColors(true);
    setColumnCount(columns);
    for (int c = 1; c < columns; ++c)
        header()->hideSection(c);
    header()->setStretchLastSection(true);
    setItemDelegate(new EntryDelegate(this));
}

QTreeWidgetItem *WrappedList::addEntry(const QStringList &columns, const QString &heading,
                                       const QString &body)
{
    auto *item = new QTreeWidgetItem(this, columns);
    item->setFirstColumnSpanned(true);
    item->setData(0, kHeadingRole, heading);
    item->setData(0, kBodyRole, body);
    return item;
}

void WrappedList::resizeEvent(QResizeEvent *event)
{
    QTreeWidget::resizeEvent(event);
    // Row heights follow the width the text wraps to; a scroll bar coming or
    // going resizes the list again meanwhile.
    if (m_relayout)
        return;
    m_relayout = true;
    doItemsLayout();
    m_relayout = false;
}
