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

#include <algorithm>
#include <iterator>

using namespace students;

namespace {

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
    setWindowTitle(QStringLiteral("Change Degree..."));
    setFont(QFont(QStringLiteral("Calibri"), 10));

    // Created in tab order. A code box is white; one that only shows what
    // was found is yellow and never takes the focus.
    m_university = new QComboBox(this);
    m_university->setObjectName(QStringLiteral("universityList"));
    setUniversityList(m_university);
    const auto newBox = [this](bool display, bool readOnly) {
        auto *box = new QLineEdit(this);
        paint(box, display ? emptyColour() : QColor(Qt::white));
        box->setReadOnly(display || readOnly);
        if (display)
            box->setFocusPolicy(Qt::NoFocus);
        box->installEventFilter(this);
        upperCaseTyping(box);
        return box;
    };
    const auto newCodeBox = [&newBox](const char *name, bool readOnly, int maxLength) {
        QLineEdit *box = newBox(false, readOnly);
        box->setObjectName(QLatin1String(name));
        box->setMaxLength(maxLength);
        box->setMaximumWidth(130);
        return box;
    };
    const auto newDisplayBox = [&newBox] { return newBox(true, true); };
    m_mobile = newCodeBox("mobile", false, 11);
    m_studentName = newDisplayBox();
    m_oldCollege = newCodeBox("oldCollege", true, 4);
    m_oldCollegeName = newDisplayBox();
    m_newCollege = newCodeBox("newCollege", false, 4);
    m_newCollegeName = newDisplayBox();
    m_oldDegree = newCodeBox("oldDegree", true, 5);
    m_oldDegreeName = newDisplayBox();
    m_newDegree = newCodeBox("newDegree", false, 5);
    m_newDegreeName = newDisplayBox();
    m_applicationNumber = newDisplayBox();
    m_applicationNumber->setMaximumWidth(130);
    m_changeButton = new QPushButton(QStringLiteral("&Change"), this);
    m_changeButton->setObjectName(QStringLiteral("changeButton"));
    m_changeButton->installEventFilter(this);
    m_university->installEventFilter(this);

    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("University"), this), 0, 0);
    grid->addWidget(m_university, 0, 1, 1, 2);
    const struct
    {
        const char *caption;
        QLineEdit *code;
        QLineEdit *found;
    } rows[] = {{"Mobile No.", m_mobile, m_studentName},
                {"Old College", m_oldCollege, m_oldCollegeName},
                {"New College", m_newCollege, m_newCollegeName},
                {"Old Degree", m_oldDegree, m_oldDegreeName},
                {"New Degree", m_newDegree, m_newDegreeName}};
    int row = 1;
    for (const auto &r : rows) {
        grid->addWidget(new QLabel(QLatin1String(r.caption), this), row, 0);
        grid->addWidget(r.code, row, 1);
        grid->addWidget(r.found, row, 2);
        ++row;
    }
    grid->addWidget(new QLabel(QStringLiteral("App. No."), this), row, 0);
    grid->addWidget(m_applicationNumber, row, 1);
    grid->addWidget(m_changeButton, row + 1, 2, Qt::AlignRight);
    grid->setColumnMinimumWidth(1, 110);
    grid->setColumnStretch(2, 1);
    m_university->setMinimumWidth(380);

    selectAllOnFocus(this);
    connect(m_changeButton, &QPushButton::clicked, this, &DegreeChangeScreen::changeDegree);
    resize(560, 330);
}

bool DegreeChangeScreen::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() == QEvent::FocusOut && watched == m_mobile) {
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
    if (watched == m_changeButton && enter) {
        changeDegree();
        return true;
    }
    if (!enter && key != Qt::Key_Up)
        return UniversityScreen::eventFilter(watched, e);
    // Enter moves forward and Up back along the typed codes, from the list
    // of universities to the Change button.
    QWidget *const order[] = {m_university, m_mobile,    m_oldCollege,  m_newCollege,
                              m_oldDegree,  m_newDegree, m_changeButton};
    QWidget *const *const last = std::end(order) - 1;
    QWidget *const *at = std::find(std::begin(order) + 1, last, watched);
    if (at == last)
        return UniversityScreen::eventFilter(watched, e);
    (enter ? at[1] : at[-1])->setFocus(enter ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void DegreeChangeScreen::lookupStudent()
{
    m_gate.run({}, [this] { runLookup(); });
}

void DegreeChangeScreen::runLookup()
{
    m_shown = StudentLookup();
    const QString code =
            univCodeOf(m_university->currentIndex() < 0 ? QString() : m_university->currentText());
    StudentLookup found;
    bool noUniversity = false;
    const bool ok = runHandled(commandOptions(), [&](int) {
        try {
            found = students::lookupStudent(code, m_mobile->text());
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
        m_university->setFocus();
        return;
    }
    if (found.mobile != m_mobile->text())
        m_mobile->setText(found.mobile);
    if (!found.found) {
        msgBox(QStringLiteral("Invalid Mobile No.!!"), Icon::Exclamation);
        m_mobile->setFocus();
        return;
    }
    m_shown = found;
    m_oldCollege->setText(found.college);
    m_newCollege->setText(found.college);
    m_oldDegree->setText(found.degree);
    m_newDegree->setText(found.degree);
    m_studentName->setText(found.name);
    m_oldCollegeName->setText(found.collegeText);
    m_newCollegeName->setText(found.collegeText);
    m_oldDegreeName->setText(found.degreeText);
    m_newDegreeName->setText(found.degreeText);
}

void DegreeChangeScreen::changeDegree()
{
    bool changed = false;
    m_gate.run({m_changeButton}, [&] { changed = runChange(); });
    // After the gate has given the button back, or it would take the focus.
    if (changed)
        m_university->setFocus();
}

void DegreeChangeScreen::refuse(const ChangeRefusal &refusal)
{
    msgBox(refusal.text, refusal.critical ? Icon::Critical : Icon::Exclamation);
    switch (refusal.focus) {
    case ChangeFocus::NewCollege:
        m_newCollege->setFocus();
        break;
    case ChangeFocus::NewDegree:
        m_newDegree->setFocus();
        break;
    default:
        m_mobile->setFocus();
    }
}

bool DegreeChangeScreen::runChange()
{
    BusyCursor busy;
    // Read once, here: the university the shown student was read from, the
    // codes as the boxes show them now.
    const StudentLookup shown = m_shown;
    const ChangeRequest request{shown.db,
                                m_mobile->text().trimmed(),
                                m_oldCollege->text().trimmed(),
                                m_newCollege->text().trimmed(),
                                m_oldDegree->text().trimmed(),
                                m_newDegree->text().trimmed(),
                                session().userName};
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
            m_newCollegeName->setText(plan.newCollegeText);
        if (request.newDegree != request.oldDegree && !plan.newDegreeText.isEmpty())
            m_newDegreeName->setText(plan.newDegreeText);
        if (plan.hasApplication)
            m_applicationNumber->setText(plan.appno);
        if (refusal.refused()) {
            refuse(refusal);
            return;
        }
        if (askYesNo(QStringLiteral("Are you sure about changing the details"), Icon::Question) !=
            Answer::Yes) {
            m_mobile->setFocus();
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
