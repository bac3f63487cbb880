#include "gui/services/widgetinteraction.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

Answer WidgetInteraction::message(const MessageRequest &request)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(request.title.isEmpty() ? QString::fromLatin1(kAppTitle) : request.title);
    box.setText(request.text);
    switch (request.icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    }
    if (request.buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(request.defaultButton == Answer::No ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
    }
    const int result = box.exec();
    if (request.buttons == Buttons::YesNo)
        return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
    return Answer::Ok;
}

int WidgetInteraction::showModal(QObject *window)
{
    if (auto *dialog = qobject_cast<QDialog *>(window))
        return dialog->exec();
    auto *widget = qobject_cast<QWidget *>(window);
    if (!widget)
        return 0;
    // A plain widget shown application-modal; wait until it is hidden or gone.
    QPointer<QWidget> guard(widget);
    widget->setWindowModality(Qt::ApplicationModal);
    widget->show();
    QEventLoop loop;
    while (guard && guard->isVisible())
        loop.processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
    return 0;
}

QString WidgetInteraction::openFileName(QObject *parent, const QString &caption, const QString &dir,
                                        const QString &filter)
{
    return QFileDialog::getOpenFileName(qobject_cast<QWidget *>(parent), caption, dir, filter);
}

QDateTime WidgetInteraction::now()
{
    return QDateTime::currentDateTime();
}

void WidgetInteraction::pause(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void WidgetInteraction::endApplication(int code)
{
    // Immediate by design: no window is asked, nothing runs its closing steps.
    std::fflush(nullptr);
    std::_Exit(code);
}
