#include "gui/students/csvimportscreen.h"

#include "core/services/handler.h"
#include "core/services/interaction.h"
#include "core/students/studentimport.h"
#include "core/students/university.h"
#include "gui/services/formutil.h"
#include "gui/students/importprogress.h"
#include "gui/students/screenutil.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace students;

CsvImportScreen::CsvImportScreen(QWidget *parent)
    : UniversityScreen(parent)
{
    setWindowTitle(QStringLiteral("Import Student Data . . ."));

    // Created in tab order.
    m_university = new QComboBox(this);
    m_university->setObjectName(QStringLiteral("universityList"));
    m_university->setMinimumWidth(360);
    setUniversityList(m_university);
    m_fileName = new QLineEdit(this);
    m_fileName->setObjectName(QStringLiteral("fileName"));
    m_fileName->installEventFilter(this);
    m_collegeCode = new QLineEdit(this);
    m_collegeCode->setObjectName(QStringLiteral("collegeCode"));
    m_collegeCode->installEventFilter(this);
    m_importButton = new QPushButton(QStringLiteral("&Import"), this);
    m_importButton->setObjectName(QStringLiteral("importButton"));
    m_browseButton = new QPushButton(QStringLiteral("..."), this);
    m_browseButton->setFixedWidth(32);
    auto *fileNameLabel = new QLabel(QStringLiteral("&File Name"), this);
    fileNameLabel->setBuddy(m_fileName);
    auto *collegeLabel = new QLabel(QStringLiteral("College Range"), this);
    auto *universityLabel = new QLabel(QStringLiteral("University"), this);
    universityLabel->setBuddy(m_university);

    auto *grid = new QGridLayout(this);
    grid->addWidget(universityLabel, 0, 0);
    grid->addWidget(m_university, 0, 1, 1, 2);
    grid->addWidget(fileNameLabel, 1, 0);
    grid->addWidget(m_fileName, 1, 1);
    grid->addWidget(m_browseButton, 1, 2);
    grid->addWidget(collegeLabel, 2, 0);
    grid->addWidget(m_collegeCode, 2, 1, 1, 2);
    grid->addWidget(m_importButton, 3, 1, 1, 2, Qt::AlignRight);
    grid->setColumnStretch(1, 1);

    // Only the college is upper-cased: a path typed on a case-sensitive file
    // system must keep its case to name the file.
    upperCaseTyping(m_collegeCode);
    selectAllOnFocus(this);
    for (QWidget *w : std::initializer_list<QWidget *>{m_university, m_importButton, m_browseButton})
        w->installEventFilter(this);

    connect(m_browseButton, &QPushButton::clicked, this, &CsvImportScreen::chooseFile);
    connect(m_importButton, &QPushButton::clicked, this, &CsvImportScreen::importFile);
    resize(520, 170);
}

bool CsvImportScreen::eventFilter(QObject *watched, QEvent *e)
{
    if (UniversityScreen::eventFilter(watched, e))
        return true; // Esc, or any key while a command runs
    if (e->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent *>(e)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    // Enter goes back and forth between the two boxes; Up from the file
    // name goes to the college, and the college keeps it.
    if (watched == m_fileName && (enter || key == Qt::Key_Up)) {
        m_collegeCode->setFocus();
        return true;
    }
    if (watched == m_collegeCode && enter) {
        m_fileName->setFocus();
        return true;
    }
    if (watched == m_collegeCode && key == Qt::Key_Up)
        return true;
    return UniversityScreen::eventFilter(watched, e);
}

void CsvImportScreen::chooseFile()
{
    const QString file = ui().openFileName(this, QString(), QString(), QStringLiteral("*.csv (*.csv)"));
    if (!file.isEmpty())
        m_fileName->setText(file);
}

void CsvImportScreen::importFile()
{
    m_gate.run({m_importButton, m_browseButton}, [this] { runImport(); });
}

void CsvImportScreen::runImport()
{
    BusyCursor busy;
    // The command's inputs, read once: later changes of the fields or of
    // another screen's university do not reach this import.
    CsvImportRequest request;
    const QString entry = m_university->currentText();
    request.univCode = univCodeOf(entry);
    request.path = m_fileName->text();
    request.college = m_collegeCode->text();

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
    m_collegeCode->setFocus();
}
