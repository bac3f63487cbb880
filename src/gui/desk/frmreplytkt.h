#pragma once

#include <QDialog>

class frmrectkt;

// The reply screen opened from the desk for the displayed grievance. This
// stand-in only shows the number; sending lives in the full screen.
class frmreplytkt : public QDialog
{
    Q_OBJECT
public:
    frmreplytkt(frmrectkt *desk, const QString &tktid, QWidget *parent = nullptr);

    const QString &tktid() const { return m_tktid; }
    frmrectkt *desk() const { return m_desk; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void done(int result) override;

private:
    frmrectkt *m_desk;
    QString m_tktid;
};
