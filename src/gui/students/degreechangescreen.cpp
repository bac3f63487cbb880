#include "gui/students/degreechangescreen.h"

#include "core/services/handler.h"
#include "core/services/interaction.h"
#include "core/services/session.h"
#include "core/students/degreechange.h"
#include "core/students/university.h"
#include "gui/services/formutil.h"
#include "gui/students/screenutil.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace students;

namespace {

// Enter moves forward and Up back along these boxes; -1 is the list, 99 the button.
constexpr int kChain[] = {-1, 4, 0, 1, 2, 3, 99};

void paint(QLineEdit *edit, const QColor &colour)
{
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, colour);
    edit->setPalette(p);
}

HandlerOptions commandOptions()
{
    HandlerOptions options;
    options.style = ErrorStyle::NumberCommaDescription;
    options.icon = Icon::None;
    return options;
}

} // namespace

DegreeChangeScreen::DegreeChangeScreen(QWidget *parent)
    : UniversityScreen(parent)
{
    setObjectName(QStringLiteral("DegreeChangeScreen"));
    setWindowTitle(QStringLiteral("Change Degree..."));
    setFont(QFont(QStringLiteral("Calibri"), 10));

    m_cmb = new QComboBox(this);
    setUniversityList(m_cmb);
    m_cmb->setObjectName(QStringLiteral("cmb"));
    for (int i : {4, 14, 0, 10, 1, 11, 2, 12, 3, 13, 15}) {
        m_text[i] = new QLineEdit(this);
        m_text[i]->setObjectName(QStringLiteral("text(%1)").arg(i));
        const bool display = i >= 10;
        paint(m_text[i], display ? emptyColour() : QColor(Qt::white));
        m_text[i]->setReadOnly(display || i == 0 || i == 2);
        if (display)
            m_text[i]->setFocusPolicy(Qt::NoFocus);
        m_text[i]->installEventFilter(this);
        upperCaseTyping(m_text[i]);
    }
    text(4)->setMaxLength(11);
    for (int i : {0, 1})
        text(i)->setMaxLength(4);
    for (int i : {2, 3})
        text(i)->setMaxLength(5);
    m_cmd = new QPushButton(QStringLiteral("&Change"), this);
    m_cmd->setObjectName(QStringLiteral("cmd(0)"));
    m_cmd->installEventFilter(this);
    m_cmb->installEventFilter(this);

    auto *lbreg = new QLabel(QStringLiteral("University"), this);
    lbreg->setObjectName(QStringLiteral("lbreg"));
    auto *grid = new QGridLayout(this);
    grid->addWidget(lbreg, 0, 0);
    grid->addWidget(m_cmb, 0, 1, 1, 2);
    const struct
    {
        const char *caption;
        int code;
        int display;
    } rows[] = {{"Mobile No.", 4, 14},
                {"Old College", 0, 10},
                {"New College", 1, 11},
                {"Old Degree", 2, 12},
                {"New Degree", 3, 13}};
    int row = 1;
    for (const auto &r : rows) {
        grid->addWidget(new QLabel(QLatin1String(r.caption), this), row, 0);
        grid->addWidget(text(r.code), row, 1);
        grid->addWidget(text(r.display), row, 2);
        ++row;
    }
    grid->addWidget(new QLabel(QStringLiteral("App. No."), this), row, 0);
    grid->addWidget(text(15), row, 1);
    grid->addWidget(m_cmd, row + 1, 2, Qt::AlignRight);
    grid->setColumnMinimumWidth(1, 110);
    grid->setColumnStretch(2, 1);
    for (int i : {4, 0, 1, 2, 3, 15})
        text(i)->setMaximumWidth(130);
    m_cmb->setMinimumWidth(380);

    selectAllOnFocus(this);
    connect(m_cmd, &QPushButton::clicked, this, &DegreeChangeScreen::changeDegree);
    resize(560, 330);
}

bool DegreeChangeScreen::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() == QEvent::FocusOut && watched == text(4)) {
        // Only a move to another control of this screen counts as leaving
        // the box; a message box or another window taking the focus does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(e)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            lookupStudent();
        return false;
    }
    if (e->type() != QEvent::KeyPress)
        return UniversityScreen::eventFilter(watched, e);
    if (UniversityScreen::eventFilter(watched, e))
        return true; // Esc
    const int key = static_cast<QKeyEvent *>(e)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == m_cmd && enter) {
        changeDegree();
        return true;
    }
    if (!enter && key != Qt::Key_Up)
        return UniversityScreen::eventFilter(watched, e);
    int at = -1;
    for (int i = 1; i <= 5; ++i)
        if (watched == text(kChain[i]))
            at = i;
    if (at < 0)
        return UniversityScreen::eventFilter(watched, e);
    const int to = kChain[enter ? at + 1 : at - 1];
    if (to == -1)
        m_cmb->setFocus(Qt::BacktabFocusReason);
    else if (to == 99)
        m_cmd->setFocus(Qt::TabFocusReason);
    else
        text(to)->setFocus(enter ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void DegreeChangeScreen::lookupStudent()
{
    m_gate.run({}, [this] { runLookup(); });
}

void DegreeChangeScreen::runLookup()
{
    m_shown = StudentLookup();
    const QString code = univCodeOf(m_cmb->currentIndex() < 0 ? QString() : m_cmb->currentText());
    StudentLookup found;
    bool noUniversity = false;
    const bool ok = runHandled(commandOptions(), [&](int) {
        try {
            found = students::lookupStudent(code, text(4)->text());
        } catch (const AppError &e) {
            if (e.number() != kNoUniversity)
                throw;
            noUniversity = true;
        }
    });
    if (!ok)
        return;
    if (noUniversity) {
        msgBox(QStringLiteral("Select the university first!!"), Icon::Exclamation);
        m_cmb->setFocus();
        return;
    }
    if (found.mobile != text(4)->text())
        text(4)->setText(found.mobile);
    if (!found.found) {
        msgBox(QStringLiteral("Invalid Mobile No.!!"), Icon::Exclamation);
        text(4)->setFocus();
        return;
    }
    m_shown = found;
    text(0)->setText(found.college);
    text(1)->setText(found.college);
    text(2)->setText(found.degree);
    text(3)->setText(found.degree);
    text(14)->setText(found.name);
    text(10)->setText(found.collegeText);
    text(11)->setText(found.collegeText);
    text(12)->setText(found.degreeText);
    text(13)->setText(found.degreeText);
}

void DegreeChangeScreen::changeDegree()
{
    bool changed = false;
    m_gate.run({m_cmd}, [&] { changed = runChange(); });
    // After the gate has given the button back, or it would take the focus.
    if (changed)
        m_cmb->setFocus();
}

void DegreeChangeScreen::refuse(const ChangeRefusal &refusal)
{
    msgBox(refusal.text, refusal.critical ? Icon::Critical : Icon::Exclamation);
    switch (refusal.focus) {
    case ChangeFocus::NewCollege:
        text(1)->setFocus();
        break;
    case ChangeFocus::NewDegree:
        text(3)->setFocus();
        break;
    default:
        text(4)->setFocus();
    }
}

bool DegreeChangeScreen::runChange()
{
    BusyCursor busy;
    // Read once, here: the university the shown student was read from, the
    // codes as the boxes show them now.
    const StudentLookup shown = m_shown;
    const ChangeRequest request{shown.db,
                                text(4)->text().trimmed(),
                                text(0)->text().trimmed(),
                                text(1)->text().trimmed(),
                                text(2)->text().trimmed(),
                                text(3)->text().trimmed(),
                                session().LoginUser};
    const ChangeRefusal input = checkChangeInput(request);
    if (input.refused()) {
        refuse(input);
        return false;
    }
    // The boxes may still show an earlier student after a failed look-up.
    if (!shown.found || shown.mobile.trimmed() != request.mobile || shown.college != request.oldCollege ||
        shown.degree != request.oldDegree) {
        refuse({QStringLiteral("Look up the student by a valid mobile or application number first!!"), false,
                ChangeFocus::Mobile});
        return false;
    }

    bool updated = false;
    runHandled(commandOptions(), [&](int) {
        ChangePlan plan;
        ChangeRefusal refusal = prepareChange(request, plan);
        // What the checks found before a refusal is shown as well: the new
        // college before the degree check, the application number before the
        // test for a verified application.
        if (request.newCollege != request.oldCollege && !plan.newCollegeText.isEmpty())
            text(11)->setText(plan.newCollegeText);
        if (request.newDegree != request.oldDegree && !plan.newDegreeText.isEmpty())
            text(13)->setText(plan.newDegreeText);
        if (plan.hasApplication)
            text(15)->setText(plan.appno);
        if (refusal.refused()) {
            refuse(refusal);
            return;
        }
        if (askYesNo(QStringLiteral("Are you sure about changing the details"), Icon::Question) !=
            Answer::Yes) {
            text(4)->setFocus();
            return;
        }
        refusal = applyChange(request, plan);
        if (refusal.refused()) {
            refuse(refusal);
            return;
        }
        updated = true;
    });
    if (!updated)
        return false;
    msgBox(QStringLiteral("Updated!!"), Icon::Information);
    m_shown = StudentLookup();
    clearInputs(this);
    return true;
}
