#include "core/reports/pagesetup.h"

#include "core/services/errors.h"
#include "core/services/session.h"
#include "core/services/workbook.h"

namespace {

const QString kBoldFont = QStringLiteral("&\"Arial,Bold\"");
const QString kRegularFont = QStringLiteral("&\"Arial,Regular\"");
const QString kUniversity = QStringLiteral("TESSALY CENTRAL UNIVERSITY");

// Characters as the spreadsheet counts them (code points).
int length(const QString &text)
{
    return int(text.toUcs4().size());
}

// In a header "&" starts a code; a literal one is written "&&".
QString literal(const QString &text)
{
    QString out = text;
    return out.replace(QLatin1Char('&'), QLatin1String("&&"));
}

void chopOne(QString &text)
{
    const int n = text.size() >= 2 && text.at(text.size() - 1).isLowSurrogate() ? 2 : 1;
    text.chop(n);
}

QString centreHeader(const QString &address1, const QString &address2, const QString &title)
{
    return kBoldFont + QStringLiteral("&14") + kUniversity + kRegularFont + QStringLiteral("&10") +
           QChar(10) + literal(address1) + QStringLiteral(", ") + literal(address2) + kBoldFont +
           QStringLiteral("&12") + QChar(10) + literal(title);
}

} // namespace

PrintPage examCentrePage()
{
    return {QStringLiteral("PG Theory Examination Centres list with tagged Colleges / Departments - Jan / "
                           "Feb 2019 Examinations"),
            false};
}

QString PageSetupValues::headerText() const
{
    return CenterHeader.isEmpty() ? QString() : QStringLiteral("&C") + CenterHeader;
}

QString PageSetupValues::footerText() const
{
    QString text;
    if (!LeftFooter.isEmpty())
        text += QStringLiteral("&L") + LeftFooter;
    if (!CenterFooter.isEmpty())
        text += QStringLiteral("&C") + CenterFooter;
    return text;
}

PageSetupValues pageSetupValues(qint16 rows, const QString &address1, const QString &address2,
                                const PrintPage &page)
{
    if (rows < 1)
        throw AppError(ErrNo::Workbook, QStringLiteral("The number of title rows must be at least 1."));
    PageSetupValues p;

    // The spreadsheet refuses a header over 255 characters (codes included);
    // only the address lines are variable, so they give way, the longer first.
    QString a1 = address1, a2 = address2;
    auto fits = [&] {
        return length(QStringLiteral("&C") + centreHeader(a1, a2, page.title)) <=
               WorkbookWriter::kMaxHeaderLength;
    };
    while (!fits() && !(a1.isEmpty() && a2.isEmpty())) {
        p.addressShortened = true;
        if (length(literal(a1)) >= length(literal(a2)))
            chopOne(a1);
        else
            chopOne(a2);
    }
    p.CenterHeader = centreHeader(a1, a2, page.title);
    p.CenterFooter = QStringLiteral("&P");
    p.LeftFooter = QStringLiteral("&D");
    p.LeftMargin = 0.25;
    p.RightMargin = 0.25;
    p.TopMargin = 1;
    p.BottomMargin = 0.5;
    p.HeaderMargin = 0.25;
    p.FooterMargin = 0.25;
    p.CenterHorizontally = true;
    p.PaperSize = 9; // A4
    if (page.landscapeOneWide) {
        p.Orientation = 2;
        p.FitToPagesWide = 1;
    } else {
        p.Orientation = 1; // portrait
        p.Zoom = 90;
    }
    return p;
}

void setUpPrintPage(WorkbookWriter &sheet, qint16 rows, const PrintPage &page)
{
    const PageSetupValues p =
            pageSetupValues(rows, session().installationAddress1, session().installationAddress2, page);
    // Everything else (headings, gridlines, comments, vertical centring,
    // draft, page order, black and white) keeps the file's defaults.
    sheet.setRepeatRows(0, rows - 1);
    sheet.setHeader(p.headerText(), p.HeaderMargin);
    sheet.setFooter(p.footerText(), p.FooterMargin);
    sheet.setMargins(p.LeftMargin, p.RightMargin, p.TopMargin, p.BottomMargin);
    if (p.CenterHorizontally)
        sheet.centreHorizontally();
    if (p.Orientation == 1)
        sheet.setPortrait();
    else
        sheet.setLandscape();
    sheet.setPaper(p.PaperSize);
    if (p.FitToPagesWide > 0)
        sheet.fitToPages(p.FitToPagesWide, 0);
    else
        sheet.setPrintScale(p.Zoom);
}
