#pragma once

#include <QDialog>

// The small "Please Wait . . ." window that the desk shows after a reply and
// closes after its next pick.
class frmwait : public QDialog
{
    Q_OBJECT
public:
    explicit frmwait(QWidget *parent = nullptr);

    // The one instance, created on first use.
    static frmwait *instance();
    static bool isOpen();
    // Closes it when open (any request to close it unloads it).
    static void closeIfOpen();

protected:
    void showEvent(QShowEvent *event) override;
};
