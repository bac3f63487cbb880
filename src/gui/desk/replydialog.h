#pragma once

#include "core/desk/queue.h"
#include "core/desk/replytemplates.h"
#include "gui/services/commandgate.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QTextEdit;

// What the reply screen tells the screen that opened it.
struct ReplyHooks
{
    // The reply was recorded: the grievance is closed and no longer held.
    std::function<void()> sent;
    // The grievance was released by an administrator meanwhile; nothing was
    // written.
    std::function<void()> notHeld;
};

// The reply screen: answers a grievance, records the reply, closes the
// grievance and mails the answer through the relay. It works on the grievance
// it was handed, as the desk showed it when it was picked. The templates for
// its university are offered beside the reply; a chosen one goes in filled at
// the reply's cursor.
class ReplyDialog : public QDialog
{
    Q_OBJECT
public:
    ReplyDialog(desk::Grievance grievance, ReplyHooks hooks, QWidget *parent = nullptr);

    // Records the reply, closes the grievance and mails the answer (Send).
    void send();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fill();
    void loadTemplates();
    // Shows the templates whose name holds the filter's text, the first current.
    void filterTemplates(const QString &text);
    void insertTemplate(const QListWidgetItem *item);
    void recordAndMail();

    const desk::Grievance m_grievance;
    const ReplyHooks m_hooks;
    CommandGate m_gate;
    bool m_filled = false;

    QLineEdit *m_university;
    QLineEdit *m_grievanceType;
    QLineEdit *m_recipient;
    QLineEdit *m_mobile;
    QLineEdit *m_copyTo;
    QLineEdit *m_subject;
    QPlainTextEdit *m_message;
    QTextEdit *m_replyText;
    QLineEdit *m_templateFilter;
    QListWidget *m_templateList; // names; data: the index in m_templates
    QVector<replytemplates::Template> m_templates;
    QCheckBox *m_resetFinalSubmission; // ticked: the reply also reopens the final submission
    QLabel *m_acknowledged;
    QPushButton *m_sendButton;
};
