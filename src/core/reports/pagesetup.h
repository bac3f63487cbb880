#pragma once

#include <QString>

class WorkbookWriter;

// The printed page of a report sheet, as the spreadsheet's PageSetup holds it.
// Margins are in inches; the numbers are the spreadsheet's published constants.
struct PageSetupValues
{
    QString PrintTitleRows;
    QString PrintTitleColumns;
    QString CenterHeader, LeftHeader, RightHeader;
    QString CenterFooter, LeftFooter, RightFooter;
    double LeftMargin = 0, RightMargin = 0, TopMargin = 0, BottomMargin = 0;
    double HeaderMargin = 0, FooterMargin = 0;
    bool PrintHeadings = false;
    bool PrintGridlines = false;
    int PrintComments = 0;
    bool CenterHorizontally = false;
    bool CenterVertically = false;
    int Orientation = 0;
    bool Draft = false;
    int PaperSize = 0;
    int FirstPageNumber = 0;
    int Order = 0;
    bool BlackAndWhite = false;
    int Zoom = 0;

    // True when the address lines were cut to keep the header within the
    // spreadsheet's 255 characters.
    bool addressShortened = false;

    // The header and footer as the file stores them ("&L...&C...&R...").
    QString headerText() const;
    QString footerText() const;
};

// The values for a sheet whose first `rows` rows repeat on every page, with
// the installation's two address lines in the header. A "&" in an address
// prints as "&"; long addresses are shortened to fit.
PageSetupValues pageSetupValues(qint16 rows, const QString &address1, const QString &address2);

// Prepares the printed page of the sheet being written, with InstAddress1
// and InstAddress2 of the sign-in state.
void Set_Page_Setup(WorkbookWriter &sheet, qint16 rows);
