#pragma once

#include "core/desk/trail.h"

#include <QWidget>

class WrappedList;

// What happened to a grievance: one entry per forward or reply, oldest first,
// each read as who and when, from which level to which, and its whole remarks
// (or reply) wrapped to the pane's width. Read-only.
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
    WrappedList *m_entries = nullptr;
};

// The movement of one trail entry as the trail shows it: "level 3 → level 2",
// "as raised → level 2", "replied at level 2".
QString trailMovement(const desk::TrailEntry &entry);
