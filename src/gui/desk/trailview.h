#pragma once

#include "core/desk/trail.h"

#include <QWidget>

class QPlainTextEdit;
class QTreeWidget;

// What happened to a grievance: one line per forward or reply, oldest first,
// the whole remarks or reply as the line's tooltip and below the list for
// the selected line (the newest when the trail is shown). Read-only.
class TrailView : public QWidget
{
    Q_OBJECT
public:
    explicit TrailView(QWidget *parent = nullptr);

    // Reads and shows the trail of grievance `tktid`. Throws AppError like
    // any query: call it inside the screen's handler.
    void showTrail(const QString &tktid);
    void setTrail(const QVector<desk::TrailEntry> &trail);
    void clear();

private:
    void showSelected();

    QTreeWidget *m_entries = nullptr;
    QPlainTextEdit *m_fullText = nullptr; // the selected entry's whole remarks or reply
};
