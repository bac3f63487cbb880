#include "gui/shell/waitdialog.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>

namespace {
QPointer<WaitDialog> g_instance;
}

WaitDialog::WaitDialog(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("WaitDialog"));
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

WaitDialog *WaitDialog::instance()
{
    if (!g_instance)
        g_instance = new WaitDialog();
    return g_instance;
}

bool WaitDialog::isOpen()
{
    return g_instance && g_instance->isVisible();
}

void WaitDialog::closeIfOpen()
{
    if (g_instance)
        g_instance->close();
}

void WaitDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move(s.width() / 2 - width() / 2, s.height() / 2 - height() / 2);
    }
}
