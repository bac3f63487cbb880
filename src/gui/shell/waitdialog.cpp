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
    setWindowTitle(QString());
    setAttribute(Qt::WA_DeleteOnClose);
    auto *message = new QLabel(QStringLiteral("Please Wait . . ."), this);
    QFont bold = message->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 4);
    message->setFont(bold);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(message, 0, Qt::AlignCenter);
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
        const QRect area = screen->geometry();
        move(area.width() / 2 - width() / 2, area.height() / 2 - height() / 2);
    }
}
