#pragma once

#include "core/desk/search.h"
#include "gui/services/commandgate.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTableWidget;
class TrailView;

// Finds grievances by number, mobile, e-mail or words, or those overdue, and
// shows the chosen one's message and trail. Writes nothing.
class FindGrievanceScreen : public QWidget
{
    Q_OBJECT
public:
    explicit FindGrievanceScreen(QWidget *parent = nullptr);

    // Runs the search typed on the screen (Find, or Enter in the search box).
    void find();

    // Opens as large as a 1280x800 screen allows: the grid's eleven columns
    // and a dozen rows, the trail beside the message (the main window sizes
    // a screen by its hint).
    QSize sizeHint() const override { return QSize(1240, 660); }

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void fillUniversities();
    void clearResults();
    void showResults(const desk::SearchResult &result);
    void showSelected();

    QComboBox *m_searchBy = nullptr;
    QLineEdit *m_searchText = nullptr;
    QComboBox *m_university = nullptr;
    QComboBox *m_statusFilter = nullptr;
    QCheckBox *m_overdueOnly = nullptr;
    QPushButton *m_findButton = nullptr;
    QLabel *m_foundCount = nullptr;
    QTableWidget *m_results = nullptr;
    QLabel *m_contact = nullptr; // the selected grievance's sender and addresses
    QPlainTextEdit *m_message = nullptr;
    TrailView *m_trail = nullptr;
    QSplitter *m_split = nullptr; // the grid above the message and trail
    QSplitter *m_lower = nullptr; // the message beside the trail
    QVector<desk::FoundGrievance> m_found;
    CommandGate m_gate;
    bool m_placed = false;
};
