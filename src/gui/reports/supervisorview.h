#pragma once

#include "core/reports/supervisor.h"
#include "gui/services/commandgate.h"

#include <QWidget>

class QChart;
class QChartView;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidget;

// The menu command "&Supervisor's View": for a period and a university (or
// all), the pending grievances by level and age, received and closed per
// day, the median times to a first answer and to close by level and by
// university, and each staff member's work; "Export" writes the figures
// shown to a workbook and opens it.
class SupervisorView : public QWidget
{
    Q_OBJECT
public:
    explicit SupervisorView(QWidget *parent = nullptr);

    // The figures on screen (empty before the first Show).
    const supervisor::Figures &shownFigures() const { return m_figures; }

public slots:
    void showFigures();
    void exportFigures();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void present(const supervisor::Figures &figures);
    void drawPending(const supervisor::Figures &figures);
    void drawPerDay(const supervisor::Figures &figures);
    void drawTimes(QChartView *view, const QString &title, const QVector<supervisor::TimeLine> &lines,
                   bool byLevel);
    void listStaff(const supervisor::Figures &figures);

    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    QComboBox *m_university = nullptr;
    QPushButton *m_showButton = nullptr;
    QPushButton *m_exportButton = nullptr;
    QLabel *m_asOf = nullptr;
    QChartView *m_pendingChart = nullptr;
    QChartView *m_perDayChart = nullptr;
    QChartView *m_levelChart = nullptr;
    QChartView *m_universityChart = nullptr;
    QTableWidget *m_staffTable = nullptr;

    supervisor::Figures m_figures;
    bool m_hasFigures = false;
    bool m_shownOnce = false;
    CommandGate m_gate;
};
