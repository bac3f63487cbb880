#include "gui/admin/templatesscreen.h"

#include "core/services/handler.h"
#include "core/services/interaction.h"
#include "gui/services/formutil.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTreeWidget>

namespace {
const char *const kAllUniversities = "All universities";
} // namespace

TemplatesScreen::TemplatesScreen(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Reply Templates . . ."));

    // Widgets are created in tab order.
    m_templates = new QTreeWidget(this);
    m_templates->setObjectName(QStringLiteral("templateList"));
    m_templates->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("University")});
    m_templates->setRootIsDecorated(false);
    m_templates->setUniformRowHeights(true);
    m_templates->header()->setStretchLastSection(true);
    // Room for a long name and a university beside it.
    m_templates->setMinimumWidth(QFontMetrics(m_templates->font()).averageCharWidth() * 80);
    m_editing = new QLabel(this);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("templateName"));
    m_name->setMaxLength(replytemplates::kMaxNameLength);
    m_university = new QComboBox(this);
    m_university->setObjectName(QStringLiteral("templateUniversity"));
    m_text = new QTextEdit(this);
    m_text->setObjectName(QStringLiteral("templateText"));
    m_text->setAcceptRichText(false);
    m_text->setTabChangesFocus(true);
    auto *hint = new QLabel(QStringLiteral("Placeholders, filled in when the template is chosen in a reply: "
                                           "{student} the sender's name, {number} the grievance number, "
                                           "{university} the university's name."),
                            this);
    hint->setWordWrap(true);
    m_addButton = new QPushButton(QStringLiteral("&Add"), this);
    m_addButton->setObjectName(QStringLiteral("addButton"));
    m_saveButton = new QPushButton(QStringLiteral("&Save"), this);
    m_saveButton->setObjectName(QStringLiteral("saveButton"));
    m_deleteButton = new QPushButton(QStringLiteral("&Delete"), this);
    m_deleteButton->setObjectName(QStringLiteral("deleteButton"));
    m_closeButton = new QPushButton(QStringLiteral("&Close"), this);

    auto *nameLabel = new QLabel(QStringLiteral("&Name"), this);
    nameLabel->setBuddy(m_name);
    auto *universityLabel = new QLabel(QStringLiteral("&University"), this);
    universityLabel->setBuddy(m_university);
    auto *textLabel = new QLabel(QStringLiteral("&Text"), this);
    textLabel->setBuddy(m_text);

    auto *grid = new QGridLayout(this);
    grid->addWidget(m_templates, 0, 0, 1, 2);
    grid->addWidget(m_editing, 1, 1);
    grid->addWidget(nameLabel, 2, 0);
    grid->addWidget(m_name, 2, 1);
    grid->addWidget(universityLabel, 3, 0);
    grid->addWidget(m_university, 3, 1);
    grid->addWidget(textLabel, 4, 0, Qt::AlignTop);
    grid->addWidget(m_text, 4, 1);
    grid->addWidget(hint, 5, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton *b : {m_addButton, m_saveButton, m_deleteButton, m_closeButton}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    grid->addLayout(buttons, 6, 0, 1, 2);
    grid->setRowStretch(0, 2);
    grid->setRowStretch(4, 3);
    resize(620, 600);

    keyChain({m_name, m_university, m_text});
    selectAllOnFocus(this);

    connect(m_templates, &QTreeWidget::currentItemChanged, this, &TemplatesScreen::choose);
    connect(m_addButton, &QPushButton::clicked, this, [this] {
        if (mayLeaveForm())
            startNew();
    });
    connect(m_saveButton, &QPushButton::clicked, this, &TemplatesScreen::save);
    connect(m_deleteButton, &QPushButton::clicked, this, &TemplatesScreen::removeChosen);
    connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);
    startNew();
}

void TemplatesScreen::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        refresh();
        m_templates->setFocus();
    }
}

void TemplatesScreen::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

QList<QWidget *> TemplatesScreen::commandButtons() const
{
    return {m_addButton, m_saveButton, m_deleteButton, m_closeButton};
}

void TemplatesScreen::refresh(const QString &selectId)
{
    runHandled(ErrorStyle::DescriptionNumber, [this, &selectId] {
        m_universities = replytemplates::universities();
        m_list = replytemplates::all();
        const QString code = m_university->currentData().toString();
        m_university->clear();
        m_university->addItem(QString::fromLatin1(kAllUniversities), QString());
        for (const replytemplates::University &u : std::as_const(m_universities))
            m_university->addItem(u.code + QStringLiteral(" - ") + u.name, u.code);
        chooseUniversity(code);

        const QSignalBlocker quiet(m_templates); // the form keeps what it shows
        m_templates->clear();
        for (const replytemplates::Template &t : std::as_const(m_list)) {
            auto *item = new QTreeWidgetItem(m_templates, {t.name, universityText(t.univCode)});
            item->setData(0, Qt::UserRole, t.id);
            if (!selectId.isEmpty() && t.id == selectId)
                m_templates->setCurrentItem(item);
        }
        m_templates->resizeColumnToContents(0); // names shown whole
    });
}

QString TemplatesScreen::universityText(const QString &code) const
{
    if (code.isEmpty())
        return QString::fromLatin1(kAllUniversities);
    for (const replytemplates::University &u : m_universities)
        if (u.code == code)
            return u.code + QStringLiteral(" - ") + u.name;
    return code; // a university no longer in the list
}

void TemplatesScreen::chooseUniversity(const QString &code)
{
    int at = m_university->findData(code);
    if (at < 0) {
        // Kept as stored, so Save never moves the template to another university.
        m_university->addItem(code, code);
        at = m_university->count() - 1;
    }
    m_university->setCurrentIndex(at);
}

replytemplates::Template TemplatesScreen::formValues() const
{
    return {m_chosenId, m_name->text(), m_text->toPlainText(), m_university->currentData().toString()};
}

bool TemplatesScreen::mayLeaveForm()
{
    const replytemplates::Template now = formValues();
    if (now.name == m_shown.name && now.text == m_shown.text && now.univCode == m_shown.univCode)
        return true;
    const QString which = m_chosenId.isEmpty() ? QStringLiteral("the new template")
                                               : QStringLiteral("\"%1\"").arg(m_shown.name);
    return askYesNo(QStringLiteral("The changes to %1 are not saved. Leave them?").arg(which),
                    Icon::Question) == Answer::Yes;
}

void TemplatesScreen::choose(QTreeWidgetItem *item, QTreeWidgetItem *previous)
{
    // The list takes the focus with its first line current: typing is not lost
    // unless the operator agrees.
    if (item && item->data(0, Qt::UserRole).toString() != m_chosenId && !mayLeaveForm()) {
        const QSignalBlocker quiet(m_templates);
        m_templates->setCurrentItem(previous);
        return;
    }
    showTemplate(item);
}

void TemplatesScreen::showTemplate(QTreeWidgetItem *item)
{
    if (!item)
        return;
    const QString id = item->data(0, Qt::UserRole).toString();
    for (const replytemplates::Template &t : std::as_const(m_list)) {
        if (t.id != id)
            continue;
        m_chosenId = t.id;
        m_shown = t;
        m_name->setMaxLength(qMax(replytemplates::kMaxNameLength, int(t.name.size())));
        m_name->setText(t.name);
        m_name->setCursorPosition(0);
        chooseUniversity(t.univCode);
        m_text->setPlainText(t.text);
        m_editing->setText(QStringLiteral("Changing \"%1\"").arg(t.name));
        return;
    }
}

void TemplatesScreen::startNew()
{
    m_chosenId.clear();
    m_shown = replytemplates::Template();
    {
        const QSignalBlocker quiet(m_templates);
        m_templates->setCurrentItem(nullptr);
        m_templates->clearSelection();
    }
    m_name->setMaxLength(replytemplates::kMaxNameLength);
    m_name->clear();
    chooseUniversity(QString());
    m_text->clear();
    m_editing->setText(QStringLiteral("New template"));
    m_name->setFocus();
}

void TemplatesScreen::save()
{
    m_gate.run(commandButtons(),
               [this] { runHandled(ErrorStyle::DescriptionNumber, [this] { saveForm(); }); });
}

void TemplatesScreen::saveForm()
{
    const replytemplates::SaveOutcome outcome = replytemplates::save(formValues());
    if (!outcome.saved) {
        msgBox(outcome.refusal, Icon::Exclamation);
        if (outcome.field == replytemplates::Field::Text)
            m_text->setFocus();
        else
            m_name->setFocus();
        return;
    }
    refresh(outcome.id);
    showTemplate(m_templates->currentItem()); // as stored
    m_templates->setFocus();
}

void TemplatesScreen::removeChosen()
{
    m_gate.run(commandButtons(), [this] { removeForm(); });
}

void TemplatesScreen::removeForm()
{
    QString name;
    for (const replytemplates::Template &t : std::as_const(m_list))
        if (t.id == m_chosenId)
            name = t.name;
    if (m_chosenId.isEmpty() || name.isEmpty()) {
        msgBox(QStringLiteral("Choose the template to delete in the list."), Icon::Exclamation);
        m_templates->setFocus();
        return;
    }
    // Asked once, outside the handler, which runs its work again after a
    // dropped connection.
    if (askYesNo(QStringLiteral("Delete the template \"%1\"?").arg(name), Icon::Question) != Answer::Yes)
        return;
    const QString id = m_chosenId;
    if (!runHandled(ErrorStyle::DescriptionNumber, [&id] { replytemplates::remove(id); }))
        return;
    refresh();
    startNew();
    m_templates->setFocus();
}
