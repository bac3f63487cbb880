#pragma once

class QComboBox;
class QLineEdit;
class QWidget;

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

// Empties the list and adds one entry per university of UnivList, in order;
// the chosen entry stays chosen when it is still listed.
void fillUniversities(QComboBox *combo);

// Turns every typed character into its upper-case form.
void upperCaseTyping(QLineEdit *edit);

// Places the screen (or the MDI window holding it) in the middle of its host.
void centreInHost(QWidget *screen);

// Closes the screen, or the MDI window holding it.
void closeScreen(QWidget *screen);

} // namespace students
