#include "gui/students/csvimportscreen.h"

#include "core/services/handler.h"
#include "core/services/interaction.h"
#include "core/students/studentimport.h"
#include "core/students/university.h"
#include "gui/services/formutil.h"
#include "gui/students/screenutil.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>

using namespace students;

ImportProgress::ImportProgress(QWidget *screen, const QString &title, const QString &text)
    : m_dialog(new QProgressDialog(screen))
{
    m_dialog->setWindowTitle(title);
    // Not modal: a modal progress window lets events run on every update.
    m_dialog->setWindowModality(Qt::NonModal);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setCancelButton(nullptr);
    m_dialog->setMinimumDuration(0);
    m_dialog->setMinimumWidth(420);
    m_dialog->setLabelText(text);
    m_dialog->setRange(0, 0);
    m_dialog->show();
    // Once, before any transaction: the window system maps the window.
    QApplication::processEvents();
}

ImportProgress::~ImportProgress()
{
    delete m_dialog;
}

void ImportProgress::report(int index, int count, const QString &text)
{
    if (!m_dialog)
        return;
    m_dialog->setMaximum(qMax(count, 1));
    m_dialog->setValue(qMin(index, count));
    m_dialog->setLabelText(text + QStringLiteral(" . . ."));
    m_dialog->repaint();
}

StepObserver ImportProgress::observer()
{
    return [this](int index, int count, const QString &caption) { report(index, count, caption); };
}

void ImportProgress::close()
{
    if (m_dialog) {
        m_dialog->hide();
        // The screen takes the keyboard back from the progress window.
        if (QWidget *screen = m_dialog->parentWidget())
            screen->window()->activateWindow();
    }
    QApplication::processEvents();
}

CsvImportScreen::CsvImportScreen(QWidget *parent)
    : UniversityScreen(parent)
{
    setObjectName(QStringLiteral("CsvImportScreen"));
    setWindowTitle(QStringLiteral("Import Student Data . . ."));

    m_cmb = new QComboBox(this);
    setUniversityList(m_cmb);
    m_cmb->setObjectName(QStringLiteral("cmb"));
    m_cmb->setMinimumWidth(360);
    for (int i = 0; i < 2; ++i) {
        m_text[i] = new QLineEdit(this);
        m_text[i]->setObjectName(QStringLiteral("text(%1)").arg(i));
        m_text[i]->installEventFilter(this);
    }
    m_cmd[0] = new QPushButton(QStringLiteral("&Import"), this);
    m_cmd[1] = new QPushButton(QStringLiteral("..."), this);
    m_cmd[1]->setFixedWidth(32);
    const char *captions[] = {"&File Name", "College Range", "University"};
    for (int i = 0; i < 3; ++i) {
        m_lbreg[i] = new QLabel(QLatin1String(captions[i]), this);
        m_lbreg[i]->setObjectName(QStringLiteral("lbreg(%1)").arg(i));
    }
    for (int i = 0; i < 2; ++i)
        m_cmd[i]->setObjectName(QStringLiteral("cmd(%1)").arg(i));
    m_lbreg[0]->setBuddy(m_text[0]);
    m_lbreg[2]->setBuddy(m_cmb);

    auto *grid = new QGridLayout(this);
    grid->addWidget(m_lbreg[2], 0, 0);
    grid->addWidget(m_cmb, 0, 1, 1, 2);
    grid->addWidget(m_lbreg[0], 1, 0);
    grid->addWidget(m_text[0], 1, 1);
    grid->addWidget(m_cmd[1], 1, 2);
    grid->addWidget(m_lbreg[1], 2, 0);
    grid->addWidget(m_text[1], 2, 1, 1, 2);
    grid->addWidget(m_cmd[0], 3, 1, 1, 2, Qt::AlignRight);
    grid->setColumnStretch(1, 1);

    // Only the college is upper-cased: a path typed on a case-sensitive file
    // system must keep its case to name the file.
    upperCaseTyping(m_text[1]);
    selectAllOnFocus(this);
    for (QWidget *w :
         {static_cast<QWidget *>(m_cmb), static_cast<QWidget *>(m_cmd[0]), static_cast<QWidget *>(m_cmd[1])})
        w->installEventFilter(this);

    connect(m_cmd[1], &QPushButton::clicked, this, &CsvImportScreen::chooseFile);
    connect(m_cmd[0], &QPushButton::clicked, this, &CsvImportScreen::Import_Data);
    resize(520, 170);
}

bool CsvImportScreen::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() != QEvent::KeyPress)
        return UniversityScreen::eventFilter(watched, e);
    // Keys that queued up while a command runs (they arrive when its
    // progress window closes) must not close the screen under it.
    if (m_gate.busy())
        return true;
    if (UniversityScreen::eventFilter(watched, e))
        return true; // Esc
    const int key = static_cast<QKeyEvent *>(e)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == m_text[0] && (enter || key == Qt::Key_Up)) {
        m_text[1]->setFocus();
        return true;
    }
    if (watched == m_text[1] && enter) {
        m_text[0]->setFocus();
        return true;
    }
    if (watched == m_text[1] && key == Qt::Key_Up)
        return true;
    return UniversityScreen::eventFilter(watched, e);
}

void CsvImportScreen::chooseFile()
{
    const QString file = ui().openFileName(this, QString(), QString(), QStringLiteral("*.csv (*.csv)"));
    if (!file.isEmpty())
        m_text[0]->setText(file);
}

void CsvImportScreen::Import_Data()
{
    m_gate.run({m_cmd[0], m_cmd[1]}, [this] { runImport(); });
}

void CsvImportScreen::runImport()
{
    BusyCursor busy;
    // The command's inputs, read once: later changes of the fields or of
    // another screen's university do not reach this import.
    CsvImportRequest request;
    const QString entry = m_cmb->currentText();
    request.univCode = univCodeOf(entry);
    request.path = m_text[0]->text();
    request.college = m_text[1]->text();

    HandlerOptions options;
    options.style = ErrorStyle::NumberCommaDescription;
    options.icon = Icon::None;
    CsvShape shape;
    ImportRefusal refusal;
    QString db;
    if (!runHandled(options, [&](int) {
            refusal = checkCsvImport(entry.trimmed(), request, &shape);
            if (refusal.text.isEmpty())
                db = selectUniversity(request.univCode);
        }))
        return;
    if (!refusal.text.isEmpty()) {
        busy.restore();
        msgBox(refusal.text, refusal.critical ? Icon::Critical : Icon::Exclamation);
        return;
    }

    ImportResult result;
    ImportProgress progress(this, windowTitle(), QStringLiteral("Importing the students . . ."));
    const bool ok = runHandled(options, [&](int) {
        result = importCsv(db, request, csvImportSteps(db, request.path, shape), progress.observer());
    });
    progress.close();
    if (!ok)
        return;
    busy.restore();
    msgBox(importSummary(result), Icon::Information);
    m_text[1]->setFocus();
}
