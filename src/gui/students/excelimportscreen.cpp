#include "gui/students/excelimportscreen.h"

#include "core/services/handler.h"
#include "core/services/interaction.h"
#include "core/students/applicationimport.h"
#include "core/students/excelimport.h"
#include "core/students/university.h"
#include "gui/services/formutil.h"
#include "gui/students/csvimportscreen.h"
#include "gui/students/screenutil.h"

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

enum GridColumn { OldCode, DegreeCode, Count, Import, Columns };

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
    setObjectName(QStringLiteral("ExcelImportScreen"));
    setWindowTitle(kCaption);

    m_cmb = new QComboBox(this);
    setUniversityList(m_cmb);
    m_cmb->setObjectName(QStringLiteral("cmb"));
    m_cmb->setMinimumWidth(360);
    for (int i = 0; i < 3; ++i) {
        m_text[i] = new QLineEdit(this);
        m_text[i]->setObjectName(QStringLiteral("text(%1)").arg(i));
        m_text[i]->installEventFilter(this);
    }
    const char *labels[] = {"&File Name", "College Code", "University", "Email"};
    for (int i = 0; i < 4; ++i) {
        m_lbreg[i] = new QLabel(QLatin1String(labels[i]), this);
        m_lbreg[i]->setObjectName(QStringLiteral("lbreg(%1)").arg(i));
    }
    m_lbreg[0]->setBuddy(m_text[0]);
    m_lbreg[2]->setBuddy(m_cmb);

    m_frame = new QFrame(this);
    m_frame->setObjectName(QStringLiteral("Framespr"));
    m_frame->setFrameShape(QFrame::StyledPanel);
    m_spread = new SheetGrid(0, Columns, m_frame);
    m_spread->setObjectName(QStringLiteral("spread"));
    m_spread->setHorizontalHeaderLabels({QStringLiteral("Old Code"), QStringLiteral("Degree Code"),
                                         QStringLiteral("Count"), QStringLiteral("Import ?")});
    m_spread->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_spread->verticalHeader()->setDefaultSectionSize(22);
    m_spread->setMinimumHeight(180);
    m_spread->installEventFilter(this);

    const char *captions[] = {"&Import", "...", "&Update", "&Cancel", "&Send Error Mail"};
    for (int i = 0; i < 5; ++i) {
        m_cmd[i] =
                new QPushButton(QLatin1String(captions[i]), i >= 2 ? static_cast<QWidget *>(m_frame) : this);
        m_cmd[i]->setObjectName(QStringLiteral("cmd(%1)").arg(i));
        m_cmd[i]->installEventFilter(this);
    }
    m_cmd[1]->setFixedWidth(32);

    auto *frameLayout = new QHBoxLayout(m_frame);
    frameLayout->addWidget(m_spread, 1);
    auto *buttons = new QVBoxLayout;
    for (int i = 2; i < 5; ++i)
        buttons->addWidget(m_cmd[i]);
    buttons->addStretch(1);
    frameLayout->addLayout(buttons);

    auto *grid = new QGridLayout(this);
    grid->addWidget(m_lbreg[2], 0, 0);
    grid->addWidget(m_cmb, 0, 1, 1, 4);
    grid->addWidget(m_lbreg[0], 1, 0);
    grid->addWidget(m_text[0], 1, 1, 1, 3);
    grid->addWidget(m_cmd[1], 1, 4);
    grid->addWidget(m_lbreg[1], 2, 0);
    grid->addWidget(m_text[1], 2, 1);
    grid->addWidget(m_lbreg[3], 2, 2, Qt::AlignRight);
    grid->addWidget(m_text[2], 2, 3, 1, 2);
    grid->addWidget(m_cmd[0], 3, 3, 1, 2, Qt::AlignRight);
    grid->addWidget(m_frame, 4, 0, 1, 5);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 2);
    m_text[1]->setMaximumWidth(90);
    setMinimumWidth(560);

    // The path keeps its case: on this file system it names the workbook.
    upperCaseTyping(m_text[1]);
    upperCaseTyping(m_text[2]);
    selectAllOnFocus(this);
    m_cmb->installEventFilter(this);

    connect(m_cmd[1], &QPushButton::clicked, this, [this] { command([this] { chooseFile(); }); });
    connect(m_cmd[0], &QPushButton::clicked, this, [this] { Import_Data(0); });
    connect(m_cmd[2], &QPushButton::clicked, this,
            [this] { Import_Data(m_sheetUniv == kApplicationUniv ? 3 : 2); });
    connect(m_cmd[3], &QPushButton::clicked, this, &ExcelImportScreen::hideGrid);
    connect(m_cmd[4], &QPushButton::clicked, this, [this] { command([this] { sendErrorMail(); }); });
    m_frame->hide();
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

bool ExcelImportScreen::eventFilter(QObject *watched, QEvent *e)
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
    for (int i = 0; i < 3; ++i) {
        if (watched != m_text[i])
            continue;
        if (enter) {
            m_text[(i + 1) % 3]->setFocus();
            return true;
        }
        if (key == Qt::Key_Up) {
            if (i == 0)
                m_text[2]->setFocus();
            else if (i == 2)
                m_text[1]->setFocus();
            return true;
        }
    }
    return UniversityScreen::eventFilter(watched, e);
}

void ExcelImportScreen::command(const std::function<void()> &work)
{
    m_gate.run({m_cmd[0], m_cmd[1], m_cmd[2], m_cmd[3], m_cmd[4]}, work);
    // The gate gives the buttons back as they were; Update is offered only
    // while the grid lists a loaded sheet.
    m_cmd[2]->setEnabled(m_sheetLoaded);
}

void ExcelImportScreen::chooseFile()
{
    const QString file = ui().openFileName(this, QString(), QString(), QStringLiteral("*.xls* (*.xls*)"));
    if (file.isEmpty())
        return;
    m_text[1]->setText(collegeFromFileName(file));
    m_text[0]->setText(file);
    setWindowTitle(kCaption + m_text[1]->text());
    runHandled(buttonHandling(), [&](int) { makeUploadFolders(file); });
}

void ExcelImportScreen::Import_Data(int phase)
{
    command([this, phase] { importPhase(phase); });
}

void ExcelImportScreen::importPhase(int phase)
{
    BusyCursor busy;
    // The command's inputs, read once. The import phases belong to the
    // sheet's university, whatever the list shows by now.
    const QString entry = m_cmb->currentText();
    const QString univ = phase == 0 ? univCodeOf(entry) : m_sheetUniv;
    const QString college = m_text[1]->text();
    const QString path = m_text[0]->text();
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
    switch (phase) {
    case 0:
        sheetPhase(db, univ, college, path);
        break;
    case 2:
        studentListPhase(db, college, grid);
        break;
    case 3:
        applicationPhase(db, college, grid);
        break;
    default:
        break;
    }
}

void ExcelImportScreen::sheetPhase(const QString &db, const QString &univ, const QString &college,
                                   const QString &path)
{
    std::optional<BusyCursor> busy(std::in_place);
    SheetRequest request{db, univ, college, path};
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
        sheet = stageWorkbook(request, acceptLayout, progress->observer());
    });
    progress->close();
    progress.reset();
    busy.reset();
    if (!ok)
        return;
    switch (sheet.outcome) {
    case SheetResult::UnknownCollege:
        msgBox(QStringLiteral("Invalid college code"), Icon::Exclamation);
        m_text[0]->setFocus();
        return;
    case SheetResult::Declined:
        // Nothing was loaded; the grid stays empty and only the error mail
        // and Cancel are offered.
        m_text[2]->setText(sheet.email);
        m_sheetUniv = univ;
        m_workbookPath = path;
        m_spread->setRowCount(0);
        showGrid(false);
        m_cmd[4]->setFocus();
        return;
    case SheetResult::Staged:
        break;
    }
    m_text[2]->setText(sheet.email);
    m_sheetUniv = univ;
    m_workbookPath = path;
    m_counters.sheet = sheet.counters.sheet;
    m_counters.nameEmpty = sheet.counters.nameEmpty;
    fillGrid(sheet.degrees);
    showGrid(true);
    if (!sheet.degrees.isEmpty()) {
        m_spread->setCurrentCell(0, DegreeCode);
        m_spread->setFocus();
    }
}

void ExcelImportScreen::fillGrid(const QVector<DegreeCount> &degrees)
{
    m_spread->setRowCount(int(degrees.size()));
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
        m_spread->setItem(r, OldCode, old);
        m_spread->setItem(r, DegreeCode, code);
        m_spread->setItem(r, Count, count);
        m_spread->setItem(r, Import, tick);
    }
}

QVector<DegreeDecision> ExcelImportScreen::gridDecisions() const
{
    QVector<DegreeDecision> out;
    for (int r = 0; r < m_spread->rowCount(); ++r) {
        const auto text = [&](int c) {
            return m_spread->item(r, c) ? m_spread->item(r, c)->text() : QString();
        };
        if (text(OldCode).isEmpty() && text(DegreeCode).isEmpty())
            continue;
        const QTableWidgetItem *tick = m_spread->item(r, Import);
        out.append({text(OldCode), text(DegreeCode), tick && tick->checkState() == Qt::Checked});
    }
    return out;
}

void ExcelImportScreen::sendErrorMail()
{
    const QString to = m_text[2]->text();
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

void ExcelImportScreen::studentListPhase(const QString &db, const QString &college,
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
    finish(college, m_counters, result.beforeLine, result.afterLine);
}

void ExcelImportScreen::applicationPhase(const QString &db, const QString &college,
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
    finish(college, shown, result.beforeLine, result.afterLine);
}

void ExcelImportScreen::finish(const QString &college, const ImportCounters &counters,
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
    m_text[1]->clear();
    m_text[0]->clear();
    m_text[2]->clear();
    // The grid is emptied with its standard steps but keeps the screen's
    // font, so the next sheet's codes look like the first one's.
    const QFont font = m_spread->font();
    clearSheetGrid(m_spread);
    m_spread->setFont(font);
    m_text[0]->setFocus();
}

void ExcelImportScreen::showGrid(bool loaded)
{
    m_sheetLoaded = loaded;
    m_cmd[2]->setEnabled(loaded);
    m_frame->show();
    fitToContents();
}

void ExcelImportScreen::hideGrid()
{
    m_frame->hide();
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
