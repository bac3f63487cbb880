#pragma once

#include "core/desk/replytemplates.h"
#include "gui/services/commandgate.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QTreeWidget;
class QTreeWidgetItem;

// The administrator's reply templates: the list (name, university) and the
// chosen one's name, university and text. Add starts a new template, Save
// stores the form (the new one, or the chosen one's changes), Delete removes
// the chosen one after asking.
class TemplatesScreen : public QWidget
{
    Q_OBJECT
public:
    explicit TemplatesScreen(QWidget *parent = nullptr);

    // The list and the drop-down read afresh; `selectId` chosen when listed.
    void refresh(const QString &selectId = QString());
    void startNew();
    void save();
    void removeChosen();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void choose(QTreeWidgetItem *item, QTreeWidgetItem *previous);
    void showTemplate(QTreeWidgetItem *item);
    replytemplates::Template formValues() const;
    // True when the form holds nothing unsaved, or the operator lets it go.
    bool mayLeaveForm();
    void chooseUniversity(const QString &code);
    QString universityText(const QString &code) const;
    void saveForm();
    void removeForm();
    QList<QWidget *> commandButtons() const;

    QVector<replytemplates::Template> m_list;
    QVector<replytemplates::University> m_universities;
    QString m_chosenId;               // the template the form shows; "" for a new one
    replytemplates::Template m_shown; // the form as filled, to tell unsaved changes
    bool m_shownOnce = false;
    CommandGate m_gate;

    QTreeWidget *m_templates;
    QLabel *m_editing; // "New template" or the chosen one's name
    QLineEdit *m_name;
    QComboBox *m_university; // "All universities", then masuniv; data: the code
    QTextEdit *m_text;
    QPushButton *m_addButton;
    QPushButton *m_saveButton;
    QPushButton *m_deleteButton;
    QPushButton *m_closeButton;
};
