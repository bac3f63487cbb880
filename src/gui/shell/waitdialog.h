#pragma once

#include <QDialog>

// The small "Please Wait . . ." window that the desk shows after a reply and
// closes after its next pick.
class WaitDialog : public QDialog
{
    Q_OBJECT
public:
    explicit WaitDialog(QWidget *parent = nullptr);

    // The one instance, created on first use.
    static WaitDialog *instance();
    static bool isOpen();
    // Closes it when open (closing it deletes it).
    static void closeIfOpen();

protected:
    void showEvent(QShowEvent *event) override;
};
