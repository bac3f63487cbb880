#include "gui/desk/pastgrievancedialog.h"

#include "gui/desk/trailview.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

QString pastGrievanceHeading(const desk::FoundGrievance &g)
{
    QString text = g.tktid;
    if (g.date.isValid())
        text += QStringLiteral(" · ") + g.date.toString(QStringLiteral("dd/MM/yyyy"));
    text += QStringLiteral(" · ") + desk::statusText(g.status);
    if (!g.repliedBy.isEmpty())
        text += QStringLiteral(" by ") + g.repliedBy;
    return text + QStringLiteral(" · level ") + g.level;
}

PastGrievanceDialog::PastGrievanceDialog(const desk::FoundGrievance &g, QWidget *parent)
    : QDialog(parent)
    , m_tktid(g.tktid)
{
    setWindowTitle(QStringLiteral("Grievance ") + g.tktid);
    auto *heading = new QLabel(pastGrievanceHeading(g), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto *subject = new QLabel(g.subject, this);
    subject->setWordWrap(true);
    subject->setTextFormat(Qt::PlainText);
    auto *message = new QPlainTextEdit(g.message, this);
    message->setObjectName(QStringLiteral("pastMessage"));
    message->setReadOnly(true);
    m_trail = new TrailView(this);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(subject);
    layout->addWidget(message, 1);
    layout->addWidget(new QLabel(QStringLiteral("Trail"), this));
    layout->addWidget(m_trail, 2);
    layout->addWidget(buttons);
    buttons->button(QDialogButtonBox::Close)->setFocus();
    resize(520, 460);
}

void PastGrievanceDialog::loadTrail()
{
    m_trail->showTrail(m_tktid);
}
