#pragma once

#include <QString>

#include <functional>

class QWidget;

// The menu command "&Exam Centres with Tagged Colleges": writes the list to
// a new workbook in the user's reports folder and opens it in the desktop's
// spreadsheet application, or says where the file was saved when no
// spreadsheet program with a window is there to show it.
void runExamCentreList(QWidget *parent);

// Opens a report workbook just saved in the desktop's spreadsheet program,
// or says where `what` ("The examination centre list") was saved when no
// program with a window is there to show it.
void openSavedReport(const QString &path, const QString &what);

// Opens a workbook; false when no spreadsheet application can. Tests
// replace it; an empty function restores the desktop's.
using WorkbookOpener = std::function<bool(const QString &path)>;
void setWorkbookOpener(WorkbookOpener opener);

// True when a spreadsheet application is installed (LibreOffice or another
// on PATH, or a desktop default for .xlsx files).
bool spreadsheetApplicationInstalled();
