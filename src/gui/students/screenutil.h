#pragma once

#include "gui/services/commandgate.h"

#include <QWidget>

class QComboBox;

namespace students {

// The busy mouse pointer for as long as it lives; restore() ends it early
// (before a closing message box). Every path out of a command restores it.
class BusyCursor
{
public:
    BusyCursor();
    ~BusyCursor();
    void restore();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    bool m_active = true;
};

// Empties the list and adds one entry per university of universities, in order;
// the chosen entry stays chosen when it is still listed.
void fillUniversities(QComboBox *combo);

// Places the screen (or the MDI window holding it) in the middle of its host.
void centreInHost(QWidget *screen);

// Closes the screen, or the MDI window holding it.
void closeScreen(QWidget *screen);

// What the student-records screens share: the university list is filled
// afresh whenever the screen is shown or activated (keeping the choice), the
// screen opens in the middle of its host once, and Esc closes it.
class UniversityScreen : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    // The drop-down of universities; set by the screen once it is built.
    void setUniversityList(QComboBox *combo) { m_universities = combo; }
    // Called on activation after the list is filled; moves the focus to it.
    virtual void activated();

    bool event(QEvent *event) override;
    // Esc in any control the screen watches closes it; screens that filter
    // their controls' keys call this first.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

    QComboBox *m_universities = nullptr;
    // The screen's commands; while one runs its keys are swallowed.
    CommandGate m_gate;

private:
    bool m_placed = false;
};

} // namespace students
