#pragma once

#include <QTreeWidget>

// A list whose entries read as a bold heading line over a body of text, both
// wrapped to the list's width: nothing hides behind a sideways scroll bar or
// needs a click to be read. Each entry still keeps its parts in columns
// (hidden) for whoever reads the items.
class WrappedList : public QTreeWidget
{
    Q_OBJECT
public:
    explicit WrappedList(int columns, QWidget *parent = nullptr);

    QTreeWidgetItem *addEntry(const QStringList &columns, const QString &heading, const QString &body);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    bool m_relayout = false;
};
