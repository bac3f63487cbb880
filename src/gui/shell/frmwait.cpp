#include "gui/shell/frmwait.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>

namespace {
QPointer<frmwait> g_instance;
}

frmwait::frmwait(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmwait"));
    setWindowTitle(QString());
    setAttribute(Qt::WA_DeleteOnClose);
    auto *status = new QLabel(QStringLiteral("Please Wait . . ."), this);
    status->setObjectName(QStringLiteral("lbstatus"));
    QFont f = status->font();
    f.setBold(true);
    f.setPointSize(f.pointSize() + 4);
    status->setFont(f);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(status, 0, Qt::AlignCenter);
    resize(260, 90);
}

frmwait *frmwait::instance()
{
    if (!g_instance)
        g_instance = new frmwait();
    return g_instance;
}

bool frmwait::isOpen()
{
    return g_instance && g_instance->isVisible();
}

void frmwait::closeIfOpen()
{
    if (g_instance)
        g_instance->close();
}

void frmwait::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move(s.width() / 2 - width() / 2, s.height() / 2 - height() / 2);
    }
}
