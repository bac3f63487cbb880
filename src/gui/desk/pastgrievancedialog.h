#pragma once

#include "core/desk/search.h"

#include <QDialog>

class TrailView;

// One of the sender's other grievances, read only: what it said and what was
// done with it.
class PastGrievanceDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PastGrievanceDialog(const desk::FoundGrievance &grievance, QWidget *parent = nullptr);

    // Reads its trail; throws AppError like any query.
    void loadTrail();

private:
    QString m_tktid;
    TrailView *m_trail = nullptr;
};

// The line the sender's history shows for a grievance (number, date, status,
// level, who replied).
QString pastGrievanceHeading(const desk::FoundGrievance &grievance);
