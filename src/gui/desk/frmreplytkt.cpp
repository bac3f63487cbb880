#include "gui/desk/frmreplytkt.h"

#include "gui/desk/frmrectkt.h"
#include "gui/shell/frmwait.h"

#include <QLabel>
#include <QVBoxLayout>

frmreplytkt::frmreplytkt(frmrectkt *desk, const QString &tktid, QWidget *parent)
    : QDialog(parent ? parent : desk)
    , m_desk(desk)
    , m_tktid(tktid)
{
    setObjectName(QStringLiteral("frmreplytkt"));
    setWindowTitle(QStringLiteral("Receive Grievance . . ."));
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(QStringLiteral("Tkt. No. %1").arg(tktid), this);
    label->setObjectName(QStringLiteral("lbtktid"));
    layout->addWidget(label);
}

void frmreplytkt::closeEvent(QCloseEvent *event)
{
    frmwait::closeIfOpen();
    QDialog::closeEvent(event);
}

void frmreplytkt::done(int result)
{
    frmwait::closeIfOpen();
    QDialog::done(result);
}
