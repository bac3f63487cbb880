#include "gui/desk/findgrievancescreen.h"

#include "core/services/handler.h"
#include "core/services/session.h"
#include "gui/desk/trailview.h"
#include "gui/students/screenutil.h"

#include <QCheckBox>
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

constexpr int kSubjectColumn = 5;
// Senders, universities and holders can be long; the subject needs the room.
constexpr int kWidestNameColumn = 170;
// University, sender and holder: kept at most kWidestNameColumn wide, so
// every column shows at the opening size.
const QList<int> kNameColumns{2, 4, 8};

QString shown(const QDateTime &when)
{
    return when.isValid() ? when.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss AP")) : QString();
}

} // namespace

FindGrievanceScreen::FindGrievanceScreen(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Find Grievance"));

    m_searchBy = new QComboBox(this);
    m_searchBy->setObjectName(QStringLiteral("searchBy"));
    m_searchBy->addItem(QStringLiteral("TKT No."), int(desk::SearchBy::Number));
    m_searchBy->addItem(QStringLiteral("Mobile"), int(desk::SearchBy::Mobile));
    m_searchBy->addItem(QStringLiteral("Email"), int(desk::SearchBy::Email));
    m_searchBy->addItem(QStringLiteral("Words"), int(desk::SearchBy::Words));
    m_searchText = new QLineEdit(this);
    m_searchText->setObjectName(QStringLiteral("searchText"));
    m_university = new QComboBox(this);
    m_statusFilter = new QComboBox(this);
    m_statusFilter->addItem(QStringLiteral("Any"), int(desk::StatusFilter::Any));
    m_statusFilter->addItem(QStringLiteral("Open"), int(desk::StatusFilter::Open));
    m_statusFilter->addItem(QStringLiteral("Replied"), int(desk::StatusFilter::Replied));
    m_overdueOnly = new QCheckBox(QStringLiteral("&Overdue"), this);
    m_overdueOnly->setObjectName(QStringLiteral("overdueOnly"));
    m_overdueOnly->setToolTip(QStringLiteral("Only open grievances that have waited at their level longer "
                                             "than the overdue limit; the search text may then be empty."));
    m_findButton = new QPushButton(QStringLiteral("&Find"), this);
    m_foundCount = new QLabel(this);

    m_results = new QTableWidget(0, 11, this);
    m_results->setObjectName(QStringLiteral("results"));
    m_results->setHorizontalHeaderLabels(
            {QStringLiteral("TKT No."), QStringLiteral("Date"), QStringLiteral("Univ."),
             QStringLiteral("Type"), QStringLiteral("From"), QStringLiteral("Subject"),
             QStringLiteral("Status"), QStringLiteral("Level"), QStringLiteral("Held by"),
             QStringLiteral("Replied by"), QStringLiteral("Replied on")});
    m_results->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_results->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_results->setSelectionMode(QAbstractItemView::SingleSelection);
    m_results->verticalHeader()->hide();
    // The subject takes what the other columns leave, so every column shows
    // without scrolling.
    m_results->horizontalHeader()->setSectionResizeMode(kSubjectColumn, QHeaderView::Stretch);

    m_contact = new QLabel(this);
    m_contact->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_contact->setWordWrap(true); // a long line would push the trail aside
    m_message = new QPlainTextEdit(this);
    m_message->setObjectName(QStringLiteral("message"));
    m_message->setReadOnly(true);
    m_trail = new TrailView(this);

    m_lower = new QSplitter(Qt::Horizontal);
    auto *lower = m_lower;
    auto *messageBox = new QWidget;
    auto *messageLayout = new QGridLayout(messageBox);
    messageLayout->setContentsMargins(0, 0, 0, 0);
    messageLayout->addWidget(m_contact, 0, 0);
    messageLayout->addWidget(m_message, 1, 0);
    lower->addWidget(messageBox);
    lower->addWidget(m_trail);
    lower->setStretchFactor(0, 1);
    lower->setStretchFactor(1, 1);
    m_split = new QSplitter(Qt::Vertical);
    auto *split = m_split;
    split->addWidget(m_results);
    split->addWidget(lower);

    auto *layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Find by"), this), 0, 0);
    layout->addWidget(m_searchBy, 0, 1);
    layout->addWidget(m_searchText, 0, 2);
    layout->addWidget(new QLabel(QStringLiteral("Univ."), this), 0, 3);
    layout->addWidget(m_university, 0, 4);
    layout->addWidget(new QLabel(QStringLiteral("Status"), this), 0, 5);
    layout->addWidget(m_statusFilter, 0, 6);
    layout->addWidget(m_overdueOnly, 0, 7);
    layout->addWidget(m_findButton, 0, 8);
    layout->setColumnStretch(2, 1);
    layout->addWidget(m_foundCount, 1, 0, 1, 9);
    layout->addWidget(split, 2, 0, 1, 9);
    setTabOrder(m_searchBy, m_searchText);
    setTabOrder(m_searchText, m_university);
    setTabOrder(m_university, m_statusFilter);
    setTabOrder(m_statusFilter, m_overdueOnly);
    setTabOrder(m_overdueOnly, m_findButton);
    setTabOrder(m_findButton, m_results);

    connect(m_findButton, &QPushButton::clicked, this, &FindGrievanceScreen::find);
    connect(m_searchText, &QLineEdit::returnPressed, this, &FindGrievanceScreen::find);
    connect(m_results, &QTableWidget::itemSelectionChanged, this, &FindGrievanceScreen::showSelected);
}

void FindGrievanceScreen::fillUniversities()
{
    m_university->clear();
    m_university->addItem(QStringLiteral("All"), QString());
    for (const UnivRow &row : session().universities)
        m_university->addItem(row.code + QStringLiteral(" - ") + row.name, row.code);
}

void FindGrievanceScreen::find()
{
    m_gate.run({m_findButton}, [this] {
        desk::SearchRequest request;
        request.by = desk::SearchBy(m_searchBy->currentData().toInt());
        request.text = m_searchText->text();
        request.univCode = m_university->currentData().toString();
        request.status = desk::StatusFilter(m_statusFilter->currentData().toInt());
        request.overdueOnly = m_overdueOnly->isChecked();
        const QString problem = desk::checkSearch(request);
        if (!problem.isEmpty()) {
            msgBox(problem, Icon::Exclamation);
            m_searchText->setFocus();
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
            m_searchText->setFocus();
        }
    });
}

void FindGrievanceScreen::clearResults()
{
    m_found.clear();
    m_results->setRowCount(0);
    m_foundCount->clear();
    m_contact->clear();
    m_message->clear();
    m_trail->clear();
}

void FindGrievanceScreen::showResults(const desk::SearchResult &result)
{
    m_found = result.rows;
    m_results->setRowCount(int(m_found.size()));
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
        for (int c = 0; c < cells.size(); ++c) {
            auto *item = new QTableWidgetItem(cells.at(c));
            if (kNameColumns.contains(c))
                item->setToolTip(cells.at(c)); // the whole name, where the column is too narrow for it
            m_results->setItem(r, c, item);
        }
    }
    m_results->resizeColumnsToContents();
    for (const int column : kNameColumns)
        m_results->setColumnWidth(column, qMin(m_results->columnWidth(column), kWidestNameColumn));
    if (result.cut)
        m_foundCount->setText(
                QStringLiteral("Only the newest %1 grievances found are listed: narrow the search.")
                        .arg(desk::kSearchLimit));
    else if (m_found.isEmpty())
        m_foundCount->setText(QStringLiteral("No grievance found."));
    else
        m_foundCount->setText(QStringLiteral("%1 found.").arg(m_found.size()));
    if (!m_found.isEmpty())
        m_results->selectRow(0);
}

void FindGrievanceScreen::showSelected()
{
    const QList<QTableWidgetItem *> selected = m_results->selectedItems();
    const int row = selected.isEmpty() ? -1 : selected.first()->row();
    if (row < 0 || row >= m_found.size()) {
        m_contact->clear();
        m_message->clear();
        m_trail->clear();
        return;
    }
    const desk::FoundGrievance &g = m_found.at(row);
    m_contact->setText(QStringLiteral("Reg. No. %1   Mobile %2   Email %3   Alt. Email %4")
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
        // Two thirds to the grid, the rest to the message and the trail
        // in halves.
        const int height = m_split->height();
        m_split->setSizes({height * 2 / 3, height - height * 2 / 3});
        const int width = m_lower->width();
        m_lower->setSizes({width / 2, width - width / 2});
        m_searchText->setFocus();
    }
}

void FindGrievanceScreen::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        students::closeScreen(this);
        return;
    }
    // Enter on any control of the search line runs it, as in the text box:
    // with the overdue filter the box is often left empty.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QWidget *focus = focusWidget();
    if (enter &&
        (focus == m_overdueOnly || focus == m_statusFilter || focus == m_university || focus == m_searchBy)) {
        find();
        return;
    }
    QWidget::keyPressEvent(event);
}
