#include "gui/students/excelimportscreen.h"

#include "core/services/handler.h"
#include "core/services/interaction.h"
#include "core/students/applicationimport.h"
#include "core/students/excelimport.h"
#include "core/students/university.h"
#include "gui/services/formutil.h"
#include "gui/students/importprogress.h"
#include "gui/students/screenutil.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <optional>

using namespace students;

namespace {

const QString kCaption = QStringLiteral("Import Student Data (Excel). . .");

enum GridColumn { OldCode, DegreeCode, Count, Tick, Columns };

HandlerOptions importHandling()
{
    HandlerOptions options;
    options.style = ErrorStyle::NumberCommaDescription;
    options.icon = Icon::None;
    return options;
}

// The buttons' own work reports "{description} {number}" with an exclamation.
HandlerOptions buttonHandling()
{
    HandlerOptions options;
    options.style = ErrorStyle::DescriptionNumber;
    options.icon = Icon::Exclamation;
    return options;
}

} // namespace

ExcelImportScreen::ExcelImportScreen(QWidget *parent)
    : UniversityScreen(parent)
{
    setWindowTitle(kCaption);

    // Created in tab order.
    m_university = new QComboBox(this);
    m_university->setObjectName(QStringLiteral("universityList"));
    m_university->setMinimumWidth(360);
    setUniversityList(m_university);
    const auto newBox = [this](const char *name) {
        auto *box = new QLineEdit(this);
        box->setObjectName(QLatin1String(name));
        box->installEventFilter(this);
        return box;
    };
    m_fileName = newBox("fileName");
    m_collegeCode = newBox("collegeCode");
    m_email = newBox("email");
    auto *fileNameLabel = new QLabel(QStringLiteral("&File Name"), this);
    fileNameLabel->setBuddy(m_fileName);
    auto *collegeLabel = new QLabel(QStringLiteral("College Code"), this);
    auto *universityLabel = new QLabel(QStringLiteral("University"), this);
    universityLabel->setBuddy(m_university);
    auto *emailLabel = new QLabel(QStringLiteral("Email"), this);

    m_gridPanel = new QFrame(this);
    m_gridPanel->setFrameShape(QFrame::StyledPanel);
    m_degreeGrid = new SheetGrid(0, Columns, m_gridPanel);
    m_degreeGrid->setObjectName(QStringLiteral("degreeGrid"));
    m_degreeGrid->setHorizontalHeaderLabels({QStringLiteral("Old Code"), QStringLiteral("Degree Code"),
                                             QStringLiteral("Count"), QStringLiteral("Import ?")});
    m_degreeGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_degreeGrid->verticalHeader()->setDefaultSectionSize(22);
    m_degreeGrid->setMinimumHeight(180);
    m_degreeGrid->installEventFilter(this);

    const auto newButton = [this](const char *caption, QWidget *owner) {
        auto *button = new QPushButton(QLatin1String(caption), owner);
        button->installEventFilter(this);
        return button;
    };
    m_importButton = newButton("&Import", this);
    m_importButton->setObjectName(QStringLiteral("importButton"));
    m_browseButton = newButton("...", this);
    m_browseButton->setObjectName(QStringLiteral("browseButton"));
    m_browseButton->setFixedWidth(32);
    m_updateButton = newButton("&Update", m_gridPanel);
    m_updateButton->setObjectName(QStringLiteral("updateButton"));
    m_cancelButton = newButton("&Cancel", m_gridPanel);
    m_errorMailButton = newButton("&Send Error Mail", m_gridPanel);
    m_errorMailButton->setObjectName(QStringLiteral("errorMailButton"));

    auto *panelLayout = new QHBoxLayout(m_gridPanel);
    panelLayout->addWidget(m_degreeGrid, 1);
    auto *gridButtons = new QVBoxLayout;
    gridButtons->addWidget(m_updateButton);
    gridButtons->addWidget(m_cancelButton);
    gridButtons->addWidget(m_errorMailButton);
    gridButtons->addStretch(1);
    panelLayout->addLayout(gridButtons);

    auto *grid = new QGridLayout(this);
    grid->addWidget(universityLabel, 0, 0);
    grid->addWidget(m_university, 0, 1, 1, 4);
    grid->addWidget(fileNameLabel, 1, 0);
    grid->addWidget(m_fileName, 1, 1, 1, 3);
    grid->addWidget(m_browseButton, 1, 4);
    grid->addWidget(collegeLabel, 2, 0);
    grid->addWidget(m_collegeCode, 2, 1);
    grid->addWidget(emailLabel, 2, 2, Qt::AlignRight);
    grid->addWidget(m_email, 2, 3, 1, 2);
    grid->addWidget(m_importButton, 3, 3, 1, 2, Qt::AlignRight);
    grid->addWidget(m_gridPanel, 4, 0, 1, 5);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 2);
    m_collegeCode->setMaximumWidth(90);
    setMinimumWidth(560);

    // The path keeps its case: on this file system it names the workbook.
    upperCaseTyping(m_collegeCode);
    upperCaseTyping(m_email);
    selectAllOnFocus(this);
    m_university->installEventFilter(this);

    connect(m_browseButton, &QPushButton::clicked, this, &ExcelImportScreen::chooseWorkbook);
    connect(m_importButton, &QPushButton::clicked, this, &ExcelImportScreen::loadWorkbook);
    connect(m_updateButton, &QPushButton::clicked, this, &ExcelImportScreen::storeCheckedDegrees);
    connect(m_cancelButton, &QPushButton::clicked, this, &ExcelImportScreen::hideGrid);
    connect(m_errorMailButton, &QPushButton::clicked, this, &ExcelImportScreen::mailFormatError);
    m_gridPanel->hide();
}

void ExcelImportScreen::activated()
{
    // Qt activates the screen again after every message box and progress
    // window; only the first activation after opening moves the focus, and
    // the grid stays as the operator is checking it.
    if (m_freshShow) {
        m_freshShow = false;
        UniversityScreen::activated();
    }
}

void ExcelImportScreen::showEvent(QShowEvent *e)
{
    if (!e->spontaneous()) {
        m_freshShow = true;
        hideGrid();
    }
    UniversityScreen::showEvent(e);
}

void ExcelImportScreen::closeEvent(QCloseEvent *e)
{
    // A workbook's conversion lets events run, the close box's included; the
    // command must not go on in a deleted screen.
    if (m_gate.busy()) {
        m_closeWanted = true;
        e->ignore();
        return;
    }
    UniversityScreen::closeEvent(e);
}

bool ExcelImportScreen::eventFilter(QObject *watched, QEvent *e)
{
    if (UniversityScreen::eventFilter(watched, e))
        return true; // Esc, or any key while a command runs
    if (e->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent *>(e)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    // Enter goes round the three boxes (file, college, e-mail); Up goes from
    // the file name to the e-mail and from the e-mail to the college, and
    // the college keeps it.
    if (enter || key == Qt::Key_Up) {
        QLineEdit *next = nullptr;
        if (watched == m_fileName)
            next = enter ? m_collegeCode : m_email;
        else if (watched == m_collegeCode)
            next = enter ? m_email : nullptr;
        else if (watched == m_email)
            next = enter ? m_fileName : m_collegeCode;
        else
            return UniversityScreen::eventFilter(watched, e);
        if (next)
            next->setFocus();
        return true;
    }
    return UniversityScreen::eventFilter(watched, e);
}

void ExcelImportScreen::command(const std::function<void()> &work)
{
    m_gate.run({m_importButton, m_browseButton, m_updateButton, m_cancelButton, m_errorMailButton}, work);
    // The gate gives the buttons back as they were; Update is offered only
    // while the grid lists a loaded sheet.
    m_updateButton->setEnabled(m_sheetLoaded);
    if (m_closeWanted) {
        m_closeWanted = false;
        closeScreen(this);
    }
}

void ExcelImportScreen::chooseWorkbook()
{
    command([this] { chooseFile(); });
}

void ExcelImportScreen::loadWorkbook()
{
    command([this] { runImport(Import::Sheet); });
}

void ExcelImportScreen::storeCheckedDegrees()
{
    const Import what = m_sheetUniv == kApplicationUniv ? Import::Applications : Import::StudentList;
    command([this, what] { runImport(what); });
}

void ExcelImportScreen::mailFormatError()
{
    command([this] { sendErrorMail(); });
}

void ExcelImportScreen::chooseFile()
{
    const QString file = ui().openFileName(this, QString(), QString(), QStringLiteral("*.xls* (*.xls*)"));
    if (file.isEmpty())
        return;
    m_collegeCode->setText(collegeFromFileName(file));
    m_fileName->setText(file);
    setWindowTitle(kCaption + m_collegeCode->text());
    runHandled(buttonHandling(), [&](int) { makeUploadFolders(file); });
}

void ExcelImportScreen::runImport(Import what)
{
    BusyCursor busy;
    // The command's inputs, read once. What is stored from the grid belongs
    // to the sheet's university, whatever the list shows by now.
    const QString entry = m_university->currentText();
    const QString univ = what == Import::Sheet ? univCodeOf(entry) : m_sheetUniv;
    const QString college = m_collegeCode->text();
    const QString path = m_fileName->text();
    const QVector<DegreeDecision> grid = gridDecisions();
    ImportRefusal refusal;
    QString db;
    if (!runHandled(importHandling(), [&](int) {
            refusal = checkImportFields(entry.trimmed(), univ, college, path);
            if (refusal.text.isEmpty())
                db = selectUniversity(univ);
        }))
        return;
    if (!refusal.text.isEmpty()) {
        busy.restore();
        msgBox(refusal.text, refusal.critical ? Icon::Critical : Icon::Exclamation);
        return;
    }
    switch (what) {
    case Import::Sheet:
        loadSheet(db, univ, college, path);
        break;
    case Import::StudentList:
        storeStudentList(db, college, grid);
        break;
    case Import::Applications:
        storeApplications(db, college, grid);
        break;
    }
}

void ExcelImportScreen::loadSheet(const QString &db, const QString &univ, const QString &college,
                                  const QString &path)
{
    std::optional<BusyCursor> busy(std::in_place);
    SheetRequest request{db, univ, college, path};
    ConversionWatch watch;
    watch.stopRequested = [this] { return m_closeWanted; };
    SheetResult sheet;
    std::optional<ImportProgress> progress;
    progress.emplace(this, windowTitle(), QStringLiteral("Reading the workbook . . ."));
    const auto acceptLayout = [&](const QString &mismatch) {
        busy.reset();
        const bool yes = askYesNo(mismatch + QStringLiteral("\r\n\r\nLoad the sheet anyway?"),
                                  Icon::Question) == Answer::Yes;
        busy.emplace();
        return yes;
    };
    const bool ok = runHandled(importHandling(), [&](int) {
        sheet = stageWorkbook(request, acceptLayout, progress->observer(), watch);
    });
    progress->close();
    progress.reset();
    busy.reset();
    if (!ok)
        return;
    switch (sheet.outcome) {
    case SheetResult::UnknownCollege:
        msgBox(QStringLiteral("Invalid college code"), Icon::Exclamation);
        m_fileName->setFocus();
        return;
    case SheetResult::Declined:
        // Nothing was loaded; the grid stays empty and only the error mail
        // and Cancel are offered.
        m_email->setText(sheet.email);
        m_sheetUniv = univ;
        m_workbookPath = path;
        m_degreeGrid->setRowCount(0);
        showGrid(false);
        m_errorMailButton->setFocus();
        return;
    case SheetResult::Staged:
        break;
    }
    m_email->setText(sheet.email);
    m_sheetUniv = univ;
    m_workbookPath = path;
    m_counters.sheet = sheet.counters.sheet;
    m_counters.nameEmpty = sheet.counters.nameEmpty;
    fillGrid(sheet.degrees);
    showGrid(true);
    if (!sheet.degrees.isEmpty()) {
        m_degreeGrid->setCurrentCell(0, DegreeCode);
        m_degreeGrid->setFocus();
    }
}

void ExcelImportScreen::fillGrid(const QVector<DegreeCount> &degrees)
{
    m_degreeGrid->setRowCount(int(degrees.size()));
    // Only the code and the tick are the operator's to change.
    const QBrush fixed(QColor(240, 240, 240));
    for (int r = 0; r < degrees.size(); ++r) {
        const DegreeCount &d = degrees.at(r);
        auto *old = new QTableWidgetItem(d.code);
        old->setFlags(old->flags() & ~Qt::ItemIsEditable);
        old->setBackground(fixed);
        auto *code = new QTableWidgetItem(d.code);
        auto *count = new QTableWidgetItem;
        count->setData(Qt::DisplayRole, d.count);
        count->setFlags(count->flags() & ~Qt::ItemIsEditable);
        count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        count->setBackground(fixed);
        auto *tick = new QTableWidgetItem;
        tick->setFlags((tick->flags() | Qt::ItemIsUserCheckable) & ~Qt::ItemIsEditable);
        tick->setCheckState(Qt::Checked);
        m_degreeGrid->setItem(r, OldCode, old);
        m_degreeGrid->setItem(r, DegreeCode, code);
        m_degreeGrid->setItem(r, Count, count);
        m_degreeGrid->setItem(r, Tick, tick);
    }
}

QVector<DegreeDecision> ExcelImportScreen::gridDecisions() const
{
    QVector<DegreeDecision> out;
    for (int r = 0; r < m_degreeGrid->rowCount(); ++r) {
        const auto text = [&](int c) {
            return m_degreeGrid->item(r, c) ? m_degreeGrid->item(r, c)->text() : QString();
        };
        if (text(OldCode).isEmpty() && text(DegreeCode).isEmpty())
            continue;
        const QTableWidgetItem *tick = m_degreeGrid->item(r, Tick);
        out.append({text(OldCode), text(DegreeCode), tick && tick->checkState() == Qt::Checked});
    }
    return out;
}

void ExcelImportScreen::sendErrorMail()
{
    const QString to = m_email->text();
    if (to.trimmed().isEmpty())
        return;
    mail::Result sent;
    if (!runHandled(buttonHandling(),
                    [&](int) { sent = students::sendErrorMail(to, selectUniversity(m_sheetUniv)); }))
        return;
    if (!sent.sent)
        msgBox(QStringLiteral("The error mail to %1 was not sent: %2.").arg(to, sent.reason),
               Icon::Exclamation);
}

void ExcelImportScreen::storeStudentList(const QString &db, const QString &college,
                                         const QVector<DegreeDecision> &grid)
{
    std::optional<BusyCursor> busy(std::in_place);
    ImportResult result;
    {
        ImportProgress progress(this, windowTitle(), QStringLiteral("Importing the students . . ."));
        const bool ok = runHandled(importHandling(), [&](int) {
            result = importStudentList(db, college, grid, m_counters, progress.observer());
        });
        progress.close();
        if (!ok)
            return;
    }
    busy.reset();
    m_counters = result.counters;
    finishImport(college, m_counters, result.beforeLine, result.afterLine);
}

void ExcelImportScreen::storeApplications(const QString &db, const QString &college,
                                          const QVector<DegreeDecision> &grid)
{
    std::optional<BusyCursor> busy(std::in_place);
    // The same workbook imported twice would create every application again:
    // say how many students already have one, and store nothing unless the
    // operator wants them again.
    qint64 existing = 0;
    if (!runHandled(importHandling(), [&](int) { existing = existingApplications(db, college, grid); }))
        return;
    if (existing > 0) {
        busy.reset();
        const QString text =
                QStringLiteral(
                        "%1 of the students in this sheet already %2 an application of college %3 for the "
                        "same degree.\r\n\r\nCreate their applications again?")
                        .arg(existing)
                        .arg(existing == 1 ? QStringLiteral("has") : QStringLiteral("have"), college);
        if (askYesNo(text, Icon::Question) != Answer::Yes)
            return;
        busy.emplace();
    }

    ApplicationRequest request;
    request.db = db;
    request.college = college;
    request.grid = grid;
    request.admDate = ui().now().date().toString(QStringLiteral("yyyy-MM-dd"));
    ApplicationResult result;
    bool ok = false;
    {
        ImportProgress progress(this, windowTitle(), QStringLiteral("Storing the applications . . ."));
        ok = runHandled(importHandling(),
                        [&](int) { importApplications(request, result, progress.observer()); });
        progress.close();
    }
    busy.reset();
    if (!ok) {
        if (!result.degrees.isEmpty()) {
            // Earlier degrees are stored; the grid no longer matches the
            // staging table, so it is not offered again.
            msgBox(QStringLiteral("%1 applications of %2 were stored before the import stopped.")
                           .arg(result.total)
                           .arg(result.degrees.join(QStringLiteral(", "))),
                   Icon::Exclamation);
            m_sheetLoaded = false;
            hideGrid();
        }
        return;
    }
    // This path counts only the applications and those that existed; the
    // other counts are the ones last recorded.
    ImportCounters shown = m_counters;
    shown.dupDb = existing;
    shown.finalUploaded = result.total;
    finishImport(college, shown, result.beforeLine, result.afterLine);
}

void ExcelImportScreen::finishImport(const QString &college, const ImportCounters &counters,
                                     const QString &beforeLine, const QString &afterLine)
{
    // The students are stored (committed): the workbook moves and the
    // summary appears only now.
    std::optional<AppError> moveFailed;
    try {
        moveToCompleted(m_workbookPath);
    } catch (const AppError &e) {
        moveFailed = e;
    }
    msgBox(completionMessage(college, counters, beforeLine, afterLine), Icon::Information);
    if (moveFailed)
        msgBox(formatError(ErrorStyle::DescriptionNumber, *moveFailed), Icon::Exclamation);
    m_sheetLoaded = false;
    hideGrid();
    m_collegeCode->clear();
    m_fileName->clear();
    m_email->clear();
    // The grid is emptied with its standard steps but keeps the screen's
    // font, so the next sheet's codes look like the first one's.
    const QFont font = m_degreeGrid->font();
    clearSheetGrid(m_degreeGrid);
    m_degreeGrid->setFont(font);
    m_fileName->setFocus();
}

void ExcelImportScreen::showGrid(bool loaded)
{
    m_sheetLoaded = loaded;
    m_updateButton->setEnabled(loaded);
    m_gridPanel->show();
    fitToContents();
}

void ExcelImportScreen::hideGrid()
{
    m_gridPanel->hide();
    fitToContents();
}

void ExcelImportScreen::fitToContents()
{
    // The screen grows by the grid while it is shown and shrinks back after.
    QWidget *window = qobject_cast<QMdiSubWindow *>(parentWidget());
    if (!window)
        window = this;
    layout()->activate();
    window->resize(window->width(), window->minimumSizeHint().height());
}
