#include "gui/reports/supervisorview.h"

#include "core/reports/reportfile.h"
#include "core/services/handler.h"
#include "core/services/interaction.h"
#include "core/services/session.h"
#include "gui/reports/examcentrelist.h"
#include "gui/students/screenutil.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeAxis>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QStackedBarSeries>
#include <QTableWidget>
#include <QValueAxis>

namespace {

QChartView *chartView(QWidget *parent)
{
    auto *view = new QChartView(new QChart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(300, 240);
    return view;
}

// A fresh chart for `view`; the old one and its series go with it.
QChart *freshChart(QChartView *view, const QString &title)
{
    auto *chart = new QChart;
    chart->setTitle(title);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    QChart *old = view->chart();
    view->setChart(chart);
    delete old;
    return chart;
}

QValueAxis *countAxis(double highest)
{
    auto *axis = new QValueAxis;
    axis->setRange(0, std::max(1.0, highest * 1.1));
    axis->setLabelFormat(QStringLiteral("%.0f"));
    axis->applyNiceNumbers();
    return axis;
}

QDateEdit *dateBox(QWidget *parent, const QString &name)
{
    auto *box = new QDateEdit(parent);
    box->setObjectName(name);
    box->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    box->setCalendarPopup(true);
    return box;
}

} // namespace

SupervisorView::SupervisorView(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Supervisor's View"));

    m_from = dateBox(this, QStringLiteral("fromDate"));
    m_to = dateBox(this, QStringLiteral("toDate"));
    m_university = new QComboBox(this);
    m_university->setObjectName(QStringLiteral("university"));
    m_university->addItem(QStringLiteral("All universities"), QString());
    for (const UnivRow &row : session().universities)
        m_university->addItem(row.code + QStringLiteral(" - ") + row.name, row.code);
    m_showButton = new QPushButton(QStringLiteral("&Show"), this);
    m_showButton->setObjectName(QStringLiteral("showButton"));
    m_showButton->setDefault(true);
    m_exportButton = new QPushButton(QStringLiteral("&Export"), this);
    m_exportButton->setObjectName(QStringLiteral("exportButton"));
    m_asOf = new QLabel(this);

    m_pendingChart = chartView(this);
    m_perDayChart = chartView(this);
    m_levelChart = chartView(this);
    m_universityChart = chartView(this);
    m_staffTable = new QTableWidget(0, 4, this);
    m_staffTable->setObjectName(QStringLiteral("staffTable"));
    m_staffTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_staffTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_staffTable->verticalHeader()->hide();
    m_staffTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_staffTable->horizontalHeader()->setStretchLastSection(true);

    auto *period = new QHBoxLayout;
    auto *fromLabel = new QLabel(QStringLiteral("&From"), this);
    fromLabel->setBuddy(m_from);
    auto *toLabel = new QLabel(QStringLiteral("&To"), this);
    toLabel->setBuddy(m_to);
    auto *univLabel = new QLabel(QStringLiteral("&University"), this);
    univLabel->setBuddy(m_university);
    for (QWidget *w : std::initializer_list<QWidget *>{fromLabel, m_from, toLabel, m_to, univLabel,
                                                       m_university, m_showButton, m_exportButton})
        period->addWidget(w);
    period->addWidget(m_asOf, 1);

    auto *grid = new QGridLayout(this);
    grid->addLayout(period, 0, 0, 1, 3);
    grid->addWidget(m_pendingChart, 1, 0);
    grid->addWidget(m_perDayChart, 1, 1, 1, 2);
    grid->addWidget(m_levelChart, 2, 0);
    grid->addWidget(m_universityChart, 2, 1);
    grid->addWidget(m_staffTable, 2, 2);
    grid->setRowStretch(1, 1);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);

    setTabOrder(m_from, m_to);
    setTabOrder(m_to, m_university);
    setTabOrder(m_university, m_showButton);
    setTabOrder(m_showButton, m_exportButton);
    setTabOrder(m_exportButton, m_staffTable);

    connect(m_showButton, &QPushButton::clicked, this, &SupervisorView::showFigures);
    connect(m_exportButton, &QPushButton::clicked, this, &SupervisorView::exportFigures);
    resize(1280, 800);
}

void SupervisorView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    const supervisor::Period period = supervisor::defaultPeriod(ui().now().date());
    m_from->setDate(period.from);
    m_to->setDate(period.to);
    m_from->setFocus();
    // Queued, so the screen is on show before its figures are read. Charts
    // need the room: a screen hosted in the main window fills it.
    QMetaObject::invokeMethod(
            this,
            [this] {
                if (auto *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
                    frame->showMaximized();
                showFigures();
            },
            Qt::QueuedConnection);
}

void SupervisorView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        students::closeScreen(this);
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        showFigures();
        return;
    }
    QWidget::keyPressEvent(event);
}

void SupervisorView::showFigures()
{
    m_gate.run({m_showButton, m_exportButton}, [this] {
        const supervisor::Period period{m_from->date(), m_to->date(), m_university->currentData().toString()};
        const QString problem = supervisor::checkPeriod(period);
        if (!problem.isEmpty()) {
            msgBox(problem, Icon::Exclamation);
            m_from->setFocus();
            return;
        }
        supervisor::Figures figures;
        const bool ran = runHandled(ErrorStyle::DescriptionNumber, [&] {
            const students::BusyCursor busy; // gone before a failure is shown
            figures = supervisor::figures(period, ui().now());
        });
        if (ran)
            present(figures);
    });
}

void SupervisorView::exportFigures()
{
    m_gate.run({m_showButton, m_exportButton}, [this] {
        if (!m_hasFigures) {
            msgBox(QStringLiteral("Show the figures first."), Icon::Exclamation);
            return;
        }
        QString path;
        const bool ran = runHandled(ErrorStyle::DescriptionNumber, [&] {
            const students::BusyCursor busy;
            path = supervisor::exportWorkbook(m_figures, reportsFolder());
        });
        if (ran)
            openSavedReport(path, QStringLiteral("The supervisor's view"));
    });
}

void SupervisorView::present(const supervisor::Figures &figures)
{
    m_figures = figures;
    m_hasFigures = true;
    m_asOf->setText(QStringLiteral("Pending as of %1")
                            .arg(figures.asOf.toString(QStringLiteral("dd/MM/yyyy hh:mm"))));
    drawPending(figures);
    drawPerDay(figures);
    drawTimes(m_levelChart, QStringLiteral("Median hours by level"), figures.byLevel, true);
    drawTimes(m_universityChart, QStringLiteral("Median hours by university"), figures.byUniversity, false);
    listStaff(figures);
}

void SupervisorView::drawPending(const supervisor::Figures &figures)
{
    QChart *chart = freshChart(m_pendingChart, QStringLiteral("Pending now, by level and age"));
    auto *series = new QStackedBarSeries;
    QStringList levels;
    double highest = 0;
    for (int b = 0; b < supervisor::kAgeBands; ++b) {
        auto *set = new QBarSet(supervisor::ageBandName(b));
        for (const supervisor::PendingLevel &p : figures.pending)
            *set << p.counts[size_t(b)];
        series->append(set);
    }
    for (const supervisor::PendingLevel &p : figures.pending) {
        levels << supervisor::levelLabel(p.level);
        highest = std::max(highest, double(p.total()));
    }
    chart->addSeries(series);
    auto *x = new QBarCategoryAxis;
    x->append(levels);
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
    QValueAxis *y = countAxis(highest);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
}

void SupervisorView::drawPerDay(const supervisor::Figures &figures)
{
    QChart *chart = freshChart(m_perDayChart, QStringLiteral("Received and closed per day"));
    auto *received = new QLineSeries;
    received->setName(QStringLiteral("Received"));
    auto *closed = new QLineSeries;
    closed->setName(QStringLiteral("Closed"));
    double highest = 0;
    for (const supervisor::DayCount &d : figures.days) {
        const double when = double(d.day.startOfDay().toMSecsSinceEpoch());
        received->append(when, d.received);
        closed->append(when, d.closed);
        highest = std::max(highest, double(std::max(d.received, d.closed)));
    }
    chart->addSeries(received);
    chart->addSeries(closed);
    auto *x = new QDateTimeAxis;
    x->setFormat(QStringLiteral("dd/MM"));
    if (!figures.days.isEmpty())
        x->setRange(figures.days.first().day.startOfDay(), figures.days.last().day.startOfDay());
    x->setTickCount(std::min(8, std::max(2, int(figures.days.size()))));
    chart->addAxis(x, Qt::AlignBottom);
    QValueAxis *y = countAxis(highest);
    chart->addAxis(y, Qt::AlignLeft);
    for (QLineSeries *s : {received, closed}) {
        s->attachAxis(x);
        s->attachAxis(y);
    }
}

void SupervisorView::drawTimes(QChartView *view, const QString &title,
                               const QVector<supervisor::TimeLine> &lines, bool byLevel)
{
    QChart *chart = freshChart(view, title);
    auto *series = new QHorizontalBarSeries;
    auto *first = new QBarSet(QStringLiteral("First answer"));
    auto *close = new QBarSet(QStringLiteral("Close"));
    QStringList keys;
    double highest = 0;
    for (const supervisor::TimeLine &line : lines) {
        keys << (byLevel ? supervisor::levelLabel(line.key) : supervisor::universityLabel(line.key));
        // No grievance answered (or closed): no bar, rather than a bar of 0.
        *first << std::max(0.0, qRound(line.firstAnswerHours * 10) / 10.0);
        *close << std::max(0.0, qRound(line.closeHours * 10) / 10.0);
        highest = std::max({highest, line.firstAnswerHours, line.closeHours});
    }
    for (QBarSet *set : {first, close}) {
        set->setLabelColor(Qt::black); // beside the bar, on the chart's white
        series->append(set);
    }
    series->setLabelsVisible(true);
    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    series->setLabelsFormat(QStringLiteral("@value"));
    series->setLabelsPrecision(6);
    chart->addSeries(series);
    auto *y = new QBarCategoryAxis;
    y->append(keys);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
    QValueAxis *x = countAxis(highest * 1.15); // room for the labels beside the bars
    x->setTitleText(QStringLiteral("hours"));
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
}

void SupervisorView::listStaff(const supervisor::Figures &figures)
{
    const supervisor::FigureTable table = supervisor::tables(figures).last();
    m_staffTable->setHorizontalHeaderLabels(table.headings);
    m_staffTable->setRowCount(int(table.rows.size()));
    for (int r = 0; r < table.rows.size(); ++r)
        for (int c = 0; c < table.rows[r].size(); ++c) {
            auto *item = new QTableWidgetItem(supervisor::cellText(table.rows[r][c]));
            if (c > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_staffTable->setItem(r, c, item);
        }
}
