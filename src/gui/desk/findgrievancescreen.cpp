#include "gui/desk/findgrievancescreen.h"

#include "core/services/handler.h"
#include "core/services/session.h"
#include "gui/desk/trailview.h"
#include "gui/students/screenutil.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>

namespace {

QString shown(const QDateTime &when)
{
    return when.isValid() ? when.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss AP")) : QString();
}

} // namespace

FindGrievanceScreen::FindGrievanceScreen(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("FindGrievanceScreen"));
    setWindowTitle(QStringLiteral("Find Grievance"));

    m_by = new QComboBox(this);
    m_by->setObjectName(QStringLiteral("cbosearchby"));
    m_by->addItem(QStringLiteral("TKT No."), int(desk::SearchBy::Number));
    m_by->addItem(QStringLiteral("Mobile"), int(desk::SearchBy::Mobile));
    m_by->addItem(QStringLiteral("Email"), int(desk::SearchBy::Email));
    m_by->addItem(QStringLiteral("Words"), int(desk::SearchBy::Words));
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("txtsearch"));
    m_univ = new QComboBox(this);
    m_univ->setObjectName(QStringLiteral("cbouniv"));
    m_status = new QComboBox(this);
    m_status->setObjectName(QStringLiteral("cbostatus"));
    m_status->addItem(QStringLiteral("Any"), int(desk::StatusFilter::Any));
    m_status->addItem(QStringLiteral("Open"), int(desk::StatusFilter::Open));
    m_status->addItem(QStringLiteral("Replied"), int(desk::StatusFilter::Replied));
    m_find = new QPushButton(QStringLiteral("&Find"), this);
    m_find->setObjectName(QStringLiteral("cmdfind"));
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("lbfound"));

    m_grid = new QTableWidget(0, 11, this);
    m_grid->setObjectName(QStringLiteral("grdfound"));
    m_grid->setHorizontalHeaderLabels(
            {QStringLiteral("TKT No."), QStringLiteral("Date"), QStringLiteral("Univ."),
             QStringLiteral("Type"), QStringLiteral("From"), QStringLiteral("Subject"),
             QStringLiteral("Status"), QStringLiteral("Level"), QStringLiteral("Held by"),
             QStringLiteral("Replied by"), QStringLiteral("Replied on")});
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setStretchLastSection(true);

    m_detail = new QLabel(this);
    m_detail->setObjectName(QStringLiteral("lbdetail"));
    m_detail->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_message = new QPlainTextEdit(this);
    m_message->setObjectName(QStringLiteral("txtmessage"));
    m_message->setReadOnly(true);
    m_trail = new TrailView(this);

    auto *lower = new QSplitter(Qt::Horizontal);
    auto *messageBox = new QWidget;
    auto *messageLayout = new QGridLayout(messageBox);
    messageLayout->setContentsMargins(0, 0, 0, 0);
    messageLayout->addWidget(m_detail, 0, 0);
    messageLayout->addWidget(m_message, 1, 0);
    lower->addWidget(messageBox);
    lower->addWidget(m_trail);
    lower->setStretchFactor(0, 1);
    lower->setStretchFactor(1, 1);
    auto *split = new QSplitter(Qt::Vertical);
    split->addWidget(m_grid);
    split->addWidget(lower);

    auto *layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Find by"), this), 0, 0);
    layout->addWidget(m_by, 0, 1);
    layout->addWidget(m_search, 0, 2);
    layout->addWidget(new QLabel(QStringLiteral("Univ."), this), 0, 3);
    layout->addWidget(m_univ, 0, 4);
    layout->addWidget(new QLabel(QStringLiteral("Status"), this), 0, 5);
    layout->addWidget(m_status, 0, 6);
    layout->addWidget(m_find, 0, 7);
    layout->setColumnStretch(2, 1);
    layout->addWidget(m_count, 1, 0, 1, 8);
    layout->addWidget(split, 2, 0, 1, 8);
    setTabOrder(m_by, m_search);
    setTabOrder(m_search, m_univ);
    setTabOrder(m_univ, m_status);
    setTabOrder(m_status, m_find);
    setTabOrder(m_find, m_grid);

    connect(m_find, &QPushButton::clicked, this, &FindGrievanceScreen::find);
    connect(m_search, &QLineEdit::returnPressed, this, &FindGrievanceScreen::find);
    connect(m_grid, &QTableWidget::itemSelectionChanged, this, &FindGrievanceScreen::showSelected);
}

void FindGrievanceScreen::fillUniversities()
{
    m_univ->clear();
    m_univ->addItem(QStringLiteral("All"), QString());
    for (const UnivRow &row : session().UnivList)
        m_univ->addItem(row.code + QStringLiteral(" - ") + row.name, row.code);
}

void FindGrievanceScreen::find()
{
    m_gate.run({m_find}, [this] {
        desk::SearchRequest request;
        request.by = desk::SearchBy(m_by->currentData().toInt());
        request.text = m_search->text();
        request.univCode = m_univ->currentData().toString();
        request.status = desk::StatusFilter(m_status->currentData().toInt());
        const QString problem = desk::checkSearch(request);
        if (!problem.isEmpty()) {
            msgBox(problem, Icon::Exclamation);
            m_search->setFocus();
            return;
        }
        clearResults();
        desk::SearchResult result;
        const bool ran = runHandled(ErrorStyle::DescriptionNumber, [&] {
            const students::BusyCursor busy; // gone before a failure is shown
            result = desk::searchGrievances(request);
        });
        if (!ran)
            return;
        showResults(result);
        if (result.rows.isEmpty()) {
            msgBox(QStringLiteral("No grievance found."), Icon::Information);
            m_search->setFocus();
        }
    });
}

void FindGrievanceScreen::clearResults()
{
    m_found.clear();
    m_grid->setRowCount(0);
    m_count->clear();
    m_detail->clear();
    m_message->clear();
    m_trail->clear();
}

void FindGrievanceScreen::showResults(const desk::SearchResult &result)
{
    m_found = result.rows;
    m_grid->setRowCount(int(m_found.size()));
    for (int r = 0; r < m_found.size(); ++r) {
        const desk::FoundGrievance &g = m_found.at(r);
        const QStringList cells = {g.tktid,
                                   shown(g.date),
                                   g.univCode + QStringLiteral(" - ") + g.univName,
                                   g.kind,
                                   g.sender,
                                   g.subject,
                                   desk::statusText(g.status),
                                   g.level,
                                   g.holder,
                                   g.repliedBy,
                                   shown(g.repliedAt)};
        for (int c = 0; c < cells.size(); ++c)
            m_grid->setItem(r, c, new QTableWidgetItem(cells.at(c)));
    }
    m_grid->resizeColumnsToContents();
    if (result.cut)
        m_count->setText(QStringLiteral("Only the newest %1 grievances found are listed: narrow the search.")
                                 .arg(desk::kSearchLimit));
    else if (m_found.isEmpty())
        m_count->setText(QStringLiteral("No grievance found."));
    else
        m_count->setText(QStringLiteral("%1 found.").arg(m_found.size()));
    if (!m_found.isEmpty())
        m_grid->selectRow(0);
}

void FindGrievanceScreen::showSelected()
{
    const QList<QTableWidgetItem *> selected = m_grid->selectedItems();
    const int row = selected.isEmpty() ? -1 : selected.first()->row();
    if (row < 0 || row >= m_found.size()) {
        m_detail->clear();
        m_message->clear();
        m_trail->clear();
        return;
    }
    const desk::FoundGrievance &g = m_found.at(row);
    m_detail->setText(QStringLiteral("Reg. No. %1   Mobile %2   Email %3   Alt. Email %4")
                              .arg(g.regno, g.mobile, g.email, g.studEmail));
    m_message->setPlainText(g.message);
    m_trail->clear();
    runHandled(ErrorStyle::DescriptionNumber, [&] { m_trail->showTrail(g.tktid); });
}

void FindGrievanceScreen::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        fillUniversities();
        students::centreInHost(this);
        m_search->setFocus();
    }
}

void FindGrievanceScreen::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        students::closeScreen(this);
        return;
    }
    QWidget::keyPressEvent(event);
}
