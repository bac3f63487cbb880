#include "gui/desk/overduelimitscreen.h"

#include "core/desk/overdue.h"
#include "core/services/handler.h"
#include "gui/services/formutil.h"
#include "gui/students/screenutil.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

OverdueLimitScreen::OverdueLimitScreen(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Overdue Limit"));

    m_currentLimit = new QLabel(this);
    m_currentLimit->setObjectName(QStringLiteral("currentLimit"));
    m_newLimit = new QLineEdit(this);
    m_newLimit->setObjectName(QStringLiteral("newLimit"));
    m_saveButton = new QPushButton(QStringLiteral("&Save"), this);
    m_saveButton->setObjectName(QStringLiteral("saveButton"));
    m_closeButton = new QPushButton(QStringLiteral("&Close"), this);
    // Enter presses the focused button, as in a dialog.
    m_saveButton->setAutoDefault(true);
    m_closeButton->setAutoDefault(true);
    auto *explanation =
            new QLabel(QStringLiteral("A grievance that has waited at its level (since it was raised or last "
                                      "forwarded) longer than this many hours is overdue."),
                       this);
    explanation->setWordWrap(true);

    auto *layout = new QGridLayout(this);
    layout->addWidget(explanation, 0, 0, 1, 3);
    layout->addWidget(new QLabel(QStringLiteral("Current limit"), this), 1, 0);
    layout->addWidget(m_currentLimit, 1, 1, 1, 2);
    auto *caption =
            new QLabel(QStringLiteral("&New limit (hours, 1 to %1)").arg(desk::kMaxOverdueHours), this);
    caption->setBuddy(m_newLimit);
    layout->addWidget(caption, 2, 0);
    layout->addWidget(m_newLimit, 2, 1, 1, 2);
    layout->addWidget(m_saveButton, 3, 1);
    layout->addWidget(m_closeButton, 3, 2);
    layout->setColumnStretch(0, 1);
    setTabOrder(m_newLimit, m_saveButton);
    setTabOrder(m_saveButton, m_closeButton);
    selectAllOnFocus(this);

    connect(m_newLimit, &QLineEdit::returnPressed, this, &OverdueLimitScreen::save);
    connect(m_saveButton, &QPushButton::clicked, this, &OverdueLimitScreen::save);
    connect(m_closeButton, &QPushButton::clicked, this, [this] { students::closeScreen(this); });
}

void OverdueLimitScreen::showCurrentLimit()
{
    m_currentLimit->clear();
    runHandled(ErrorStyle::DescriptionNumber, [this] {
        const int hours = desk::overdueHours();
        m_currentLimit->setText(QStringLiteral("%1 hours").arg(hours));
        m_newLimit->setText(QString::number(hours));
    });
}

void OverdueLimitScreen::save()
{
    m_gate.run({m_saveButton, m_closeButton}, [this] {
        const QString typed = m_newLimit->text();
        const QString problem = desk::overdueHoursProblem(typed);
        if (!problem.isEmpty()) {
            msgBox(problem, Icon::Exclamation);
            m_newLimit->setFocus();
            m_newLimit->selectAll();
            return;
        }
        if (!runHandled(ErrorStyle::DescriptionNumber, [&typed] { desk::setOverdueHours(typed); }))
            return;
        showCurrentLimit(); // as stored, read back
        msgBox(QStringLiteral("The overdue limit is now %1.").arg(m_currentLimit->text()), Icon::Information);
        m_newLimit->setFocus();
    });
}

void OverdueLimitScreen::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        showCurrentLimit();
        students::centreInHost(this);
        m_newLimit->setFocus();
    }
}

void OverdueLimitScreen::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        students::closeScreen(this);
        return;
    }
    QWidget::keyPressEvent(event);
}
