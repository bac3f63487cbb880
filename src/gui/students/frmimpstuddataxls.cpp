#include "gui/students/frmimpstuddataxls.h"

#include "core/services/handler.h"
#include "core/services/interaction.h"
#include "core/students/applicationimport.h"
#include "core/students/excelimport.h"
#include "core/students/university.h"
#include "gui/services/formutil.h"
#include "gui/students/screenutil.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProgressDialog>
#include <QPushButton>
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

// A progress window that appears only once a phase has run for a second.
class PhaseProgress
{
public:
    explicit PhaseProgress(QWidget *screen)
        : m_screen(screen)
    {
        m_clock.start();
    }

    void report(int done, int total, const QString &text)
    {
        if (!m_dialog && m_clock.elapsed() >= 1000) {
            m_dialog.emplace(m_screen);
            m_dialog->setWindowTitle(m_screen->windowTitle());
            m_dialog->setCancelButton(nullptr);
            m_dialog->setMinimumDuration(0);
            m_dialog->setWindowModality(Qt::WindowModal);
            m_dialog->setMinimumWidth(420);
        }
        if (!m_dialog)
            return;
        m_dialog->setMaximum(qMax(total, 1));
        m_dialog->setValue(qMin(done, total));
        m_dialog->setLabelText(text);
        QApplication::processEvents();
    }

private:
    QWidget *m_screen;
    QElapsedTimer m_clock;
    std::optional<QProgressDialog> m_dialog;
};

QString countsSoFar(const ImportCounters &c)
{
    return QStringLiteral(
                   "Rows with a name: %1   Without name: %2\nWithout mobile no.: %3   Duplicates: %4 in the "
                   "sheet, %5 in the database")
            .arg(c.sheet)
            .arg(c.nameEmpty)
            .arg(c.noMobile)
            .arg(c.dupSheet)
            .arg(c.dupDb);
}

} // namespace

frmimpstuddataxls::frmimpstuddataxls(QWidget *parent)
    : UniversityScreen(parent)
{
    setObjectName(QStringLiteral("frmimpstuddataxls"));
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
    m_spread = new SpreadGrid(0, Columns, m_frame);
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

    connect(m_cmd[1], &QPushButton::clicked, this, &frmimpstuddataxls::chooseFile);
    connect(m_cmd[0], &QPushButton::clicked, this, [this] { Import_Data(0); });
    connect(m_cmd[2], &QPushButton::clicked, this, &frmimpstuddataxls::applyGrid);
    connect(m_cmd[3], &QPushButton::clicked, this, &frmimpstuddataxls::cancel);
    connect(m_cmd[4], &QPushButton::clicked, this, &frmimpstuddataxls::sendErrorMail);
    m_frame->hide();
}

void frmimpstuddataxls::activated()
{
    // Qt activates the screen again after every message box and progress
    // window; only the first activation after opening moves the focus, and
    // the grid stays as the operator is checking it.
    if (m_freshShow) {
        m_freshShow = false;
        UniversityScreen::activated();
    }
}

void frmimpstuddataxls::showEvent(QShowEvent *e)
{
    if (!e->spontaneous()) {
        m_freshShow = true;
        hideGrid();
    }
    UniversityScreen::showEvent(e);
}

bool frmimpstuddataxls::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() != QEvent::KeyPress)
        return UniversityScreen::eventFilter(watched, e);
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

void frmimpstuddataxls::chooseFile()
{
    const QString file = ui().openFileName(this, QString(), QString(), QStringLiteral("*.xls* (*.xls*)"));
    if (file.isEmpty())
        return;
    m_text[1]->setText(collegeFromFileName(file));
    m_text[0]->setText(file);
    setWindowTitle(kCaption + m_text[1]->text());
    runHandled(buttonHandling(), [&](int) { makeUploadFolders(file); });
}

void frmimpstuddataxls::Import_Data(int phase)
{
    BusyCursor busy;
    const QString entry = m_cmb->currentText();
    const QString univ = phase == 0 ? univCodeOf(entry) : m_sheetUniv;
    const QString college = m_text[1]->text();
    const QString path = m_text[0]->text();
    ImportRefusal refusal;
    if (!runHandled(importHandling(),
                    [&](int) { refusal = checkImportFields(entry.trimmed(), univ, college, path); }))
        return;
    if (!refusal.text.isEmpty()) {
        busy.restore();
        msgBox(refusal.text, refusal.critical ? Icon::Critical : Icon::Exclamation);
        return;
    }
    switch (phase) {
    case 0:
        sheetPhase(univ, college, path);
        break;
    case 2:
        studentListPhase(univ, college);
        break;
    case 3:
        applicationPhase(univ, college);
        break;
    default:
        break;
    }
}

void frmimpstuddataxls::sheetPhase(const QString &univ, const QString &college, const QString &path)
{
    std::optional<BusyCursor> busy(std::in_place);
    PhaseProgress progress(this);
    bool invalidCollege = false;
    bool refused = false;
    bool accepted = false; // the operator's answer survives a retry
    QVector<DegreeCount> degrees;
    const bool ok = runHandled(importHandling(), [&](int) {
        invalidCollege = refused = false;
        const QString db = selectUniversity(univ);
        const CollegeInfo info = lookUpCollege(db, college);
        if (!info.found) {
            invalidCollege = true;
            return;
        }
        m_text[2]->setText(info.email);
        m_workbookPath = path;
        m_sheetUniv = univ;
        // The CSV goes beside the workbook actually read, so a path typed
        // after choosing another file cannot overwrite that file's copy.
        makeUploadFolders(path);
        const QString csv = csvPathFor(path);
        progress.report(0, 1, QStringLiteral("Reading the workbook . . ."));
        const SheetTable table = writeSheetCsv(path, csv);
        const QString mismatch = layoutMismatch(table, univ);
        if (!mismatch.isEmpty() && !accepted) {
            busy.reset();
            accepted = askYesNo(mismatch + QStringLiteral("\r\n\r\nLoad the sheet anyway?"),
                                Icon::Question) == Answer::Yes;
            busy.emplace();
            if (!accepted) {
                refused = true;
                return;
            }
        }
        ImportRun run;
        const QVector<ImportStep> steps = sheetLoadSteps(db, csv, univ);
        runImportSteps(steps, run, [&](int index, int count, const QString &caption) {
            progress.report(index, count, caption + QStringLiteral(" . . .\n") + countsSoFar(run.counters));
        });
        m_counters.sheet = run.counters.sheet;
        m_counters.nameEmpty = run.counters.nameEmpty;
        degrees = stagedDegrees(db);
    });
    busy.reset();
    if (!ok)
        return;
    if (invalidCollege) {
        msgBox(QStringLiteral("Invalid college code"), Icon::Exclamation);
        m_text[0]->setFocus();
        return;
    }
    if (refused) {
        // Nothing was loaded; the grid stays empty and only the error mail
        // and Cancel are offered.
        m_spread->setRowCount(0);
        showGrid(false);
        m_cmd[4]->setFocus();
        return;
    }
    m_spread->setRowCount(int(degrees.size()));
    for (int r = 0; r < degrees.size(); ++r) {
        const DegreeCount &d = degrees.at(r);
        // Only the code and the tick are the operator's to change.
        const QBrush fixed(QColor(240, 240, 240));
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
    showGrid(true);
    if (!degrees.isEmpty()) {
        m_spread->setCurrentCell(0, DegreeCode);
        m_spread->setFocus();
    }
}

QVector<DegreeDecision> frmimpstuddataxls::gridDecisions() const
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

void frmimpstuddataxls::applyGrid()
{
    const QVector<DegreeDecision> grid = gridDecisions();
    // The staging table is the one of the sheet's university, even when
    // another screen has looked a university up since.
    if (!runHandled(buttonHandling(),
                    [&](int) { applyDegreeDecisions(selectUniversity(m_sheetUniv), grid); })) {
        hideGrid();
        return;
    }
    QApplication::processEvents();
    Import_Data(m_sheetUniv == kApplicationUniv ? 3 : 2);
}

void frmimpstuddataxls::cancel()
{
    hideGrid();
}

void frmimpstuddataxls::sendErrorMail()
{
    const QString to = m_text[2]->text();
    if (to.trimmed().isEmpty())
        return;
    mail::Result sent;
    if (!runHandled(buttonHandling(), [&](int) {
            const QString db = m_sheetUniv.isEmpty() ? currentUniversityDb() : selectUniversity(m_sheetUniv);
            sent = students::sendErrorMail(to, db);
        }))
        return;
    if (!sent.sent)
        msgBox(QStringLiteral("The error mail to %1 was not sent: %2.").arg(to, sent.reason),
               Icon::Exclamation);
}

void frmimpstuddataxls::studentListPhase(const QString &univ, const QString &college)
{
    std::optional<BusyCursor> busy(std::in_place);
    PhaseProgress progress(this);
    ImportRun run;
    run.counters = m_counters;
    const bool ok = runHandled(importHandling(), [&](int) {
        importStudentList(univ, college, run, [&](int index, int count, const QString &caption) {
            progress.report(index, count, caption + QStringLiteral(" . . .\n") + countsSoFar(run.counters));
        });
    });
    busy.reset();
    if (!ok)
        return;
    m_counters = run.counters;
    finish(college, m_counters, run.beforeLine, run.afterLine);
}

void frmimpstuddataxls::applicationPhase(const QString &univ, const QString &college)
{
    std::optional<BusyCursor> busy(std::in_place);
    PhaseProgress progress(this);
    ApplicationRequest request;
    request.univCode = univ;
    request.college = college;
    request.degrees = degreesToImport(gridDecisions());
    request.admDate = ui().now().date().toString(QStringLiteral("yyyy-MM-dd"));
    ApplicationRun run;
    const bool ok = runHandled(importHandling(), [&](int) {
        importApplications(request, run, [&](qint64 done, qint64 total, const QString &caption) {
            progress.report(
                    int(done), int(total),
                    caption + QStringLiteral(" . . .\n%1 of %2 applications stored").arg(done).arg(total));
        });
    });
    busy.reset();
    if (!ok)
        return;
    // This path counts only the applications; the other counts are the
    // ones last recorded.
    ImportCounters shown = m_counters;
    shown.finalUploaded = run.total;
    finish(college, shown, run.beforeLine, run.afterLine);
}

void frmimpstuddataxls::finish(const QString &college, const ImportCounters &counters,
                               const QString &beforeLine, const QString &afterLine)
{
    std::optional<AppError> moveFailed;
    try {
        moveToCompleted(m_workbookPath);
    } catch (const AppError &e) {
        moveFailed = e;
    }
    msgBox(completionMessage(college, counters, beforeLine, afterLine), Icon::Information);
    if (moveFailed)
        msgBox(formatError(ErrorStyle::DescriptionNumber, *moveFailed), Icon::Exclamation);
    hideGrid();
    m_text[1]->clear();
    m_text[0]->clear();
    m_text[2]->clear();
    FormatSpread(m_spread);
    m_text[0]->setFocus();
}

void frmimpstuddataxls::showGrid(bool loaded)
{
    m_cmd[2]->setEnabled(loaded);
    m_frame->show();
    fitToContents();
}

void frmimpstuddataxls::hideGrid()
{
    m_frame->hide();
    fitToContents();
}

void frmimpstuddataxls::fitToContents()
{
    // The screen grows by the grid while it is shown and shrinks back after.
    QWidget *window = qobject_cast<QMdiSubWindow *>(parentWidget());
    if (!window)
        window = this;
    layout()->activate();
    window->resize(window->width(), window->minimumSizeHint().height());
}
