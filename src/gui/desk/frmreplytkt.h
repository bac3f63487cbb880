#pragma once

#include "core/desk/reply.h"

#include <QDialog>
#include <QPointer>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTextEdit;

// The reply screen: answers the grievance shown on the desk screen, records
// the reply, closes the grievance and mails the answer through the relay.
// It reads the desk's fields by their names, as the desk leaves them.
class frmreplytkt : public QDialog
{
    Q_OBJECT
public:
    frmreplytkt(QWidget *desk, const QString &tktid, QWidget *parent = nullptr);

    const QString &tktid() const { return m_tktid; }

    // True once a reply was recorded (the desk then waits for its next pick).
    bool sent() const { return m_sent; }

    // The Send command (`cmd(0)`).
    void send();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void fill();
    QString deskText(const QString &name) const;
    void sendOnce(int attempt);
    void finish();

    QPointer<QWidget> m_desk;
    QString m_tktid;
    bool m_filled = false;
    bool m_sent = false;
    reply::Progress m_progress;

    // Values kept from the desk while the screen is open.
    QString m_date, m_type, m_regno, m_from, m_email, m_mobile, m_subject, m_message, m_altEmail, m_db, m_univ;

    QLineEdit *m_univText;   // text(11)
    QLineEdit *m_typeText;   // text(5)
    QLineEdit *m_to;         // text(0)
    QLineEdit *m_mobileText; // text(3)
    QLineEdit *m_cc;         // text(1)
    QLineEdit *m_subjectText; // text(2)
    QPlainTextEdit *m_messageText; // text(4)
    QTextEdit *m_rtb;
    QCheckBox *m_reset;      // chk(0)
    QLabel *m_ack;           // lback
    QPushButton *m_send;     // cmd(0)
};
