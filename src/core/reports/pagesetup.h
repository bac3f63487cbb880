#pragma once

#include <QString>

class WorkbookWriter;

// What differs between the reports' printed pages: the title line of the
// header, and whether the sheet is printed across (its charts beside the
// table) scaled to one page wide.
struct PrintPage
{
    QString title;
    bool landscapeOneWide = false;
};

// The examination centre list's page: upright at 90 %.
PrintPage examCentrePage();

// The printed page of a report sheet: what setUpPrintPage writes. Margins
// are in inches; orientation and paper size are the spreadsheet's numbers
// (1 portrait, 2 landscape, 9 A4); FitToPagesWide 0 prints at Zoom.
struct PageSetupValues
{
    QString CenterHeader;
    QString LeftFooter, CenterFooter;
    double LeftMargin = 0, RightMargin = 0, TopMargin = 0, BottomMargin = 0;
    double HeaderMargin = 0, FooterMargin = 0;
    bool CenterHorizontally = false;
    int Orientation = 0;
    int PaperSize = 0;
    int Zoom = 0;
    int FitToPagesWide = 0;

    // True when the address lines were cut to keep the header within the
    // spreadsheet's 255 characters.
    bool addressShortened = false;

    // The header and footer as the file stores them ("&L...&C...").
    QString headerText() const;
    QString footerText() const;
};

// The values for a sheet whose first `rows` rows repeat on every page, with
// the installation's two address lines in the header. A "&" in an address
// prints as "&"; long addresses are shortened to fit.
PageSetupValues pageSetupValues(qint16 rows, const QString &address1, const QString &address2,
                                const PrintPage &page = examCentrePage());

// Prepares the printed page of the sheet being written, with installationAddress1
// and installationAddress2 of the sign-in state.
void setUpPrintPage(WorkbookWriter &sheet, qint16 rows, const PrintPage &page = examCentrePage());
