#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <array>

// The supervisor's figures, read from tkthead and tktdetl as stored. The
// README defines each one; times are in hours.
namespace supervisor {

// Days from..to, both included; univCode empty for every university.
struct Period
{
    QDate from, to;
    QString univCode;
};

// The period the screen opens with: the 30 days up to and including today.
Period defaultPeriod(const QDate &today);

// A message for a period that cannot be shown (empty when it can).
QString checkPeriod(const Period &period);

// Age bands of a pending grievance, since it was raised.
enum AgeBand { UnderOneDay, OneToTwoDays, TwoToSevenDays, OverSevenDays };
constexpr int kAgeBands = 4;
QString ageBandName(int band);

struct PendingLevel
{
    QString level; // as stored; "" for none
    std::array<int, kAgeBands> counts{};
    int total() const;
};

struct DayCount
{
    QDate day;
    int received = 0, closed = 0;
};

// One level or university: of the grievances received in the period, how
// many were answered and closed so far, and the median hours to each; a
// median of no grievance is negative.
struct TimeLine
{
    QString key;
    int received = 0, answered = 0, closed = 0;
    double firstAnswerHours = -1, closeHours = -1;
};

struct StaffLine
{
    QString user;
    int replies = 0, forwards = 0;
    double heldHours = -1;
};

struct Figures
{
    Period period;
    QDateTime asOf;
    QVector<PendingLevel> pending;           // by level
    QVector<DayCount> days;                  // every day of the period
    QVector<TimeLine> byLevel, byUniversity; // by key
    QVector<StaffLine> staff;                // most replies first
};

// Each figure on its own (throw AppError); `now` comes from the clock seam.
QVector<PendingLevel> pendingNow(const QString &univCode, const QDateTime &now);
QVector<DayCount> receivedAndClosed(const Period &period);
void answerTimes(const Period &period, QVector<TimeLine> *byLevel, QVector<TimeLine> *byUniversity);
QVector<StaffLine> staffWork(const Period &period);

// Every figure of the screen.
Figures figures(const Period &period, const QDateTime &now);

// The median of `values` (the mean of the middle two for an even count);
// negative when there are none.
double median(QVector<double> values);

// How the screen and the workbook name a level ("Level 3", "No level") and a
// university ("041 TCU": its code and, when listed, its short name).
QString levelLabel(const QString &level);
QString universityLabel(const QString &code);

// A table's cell as text: numbers in their shortest form ("12.5", "3").
QString cellText(const QVariant &cell);

// One table of figures as the screen lists it and the workbook writes it:
// cells are numbers (double), texts, or empty (an invalid QVariant).
struct FigureTable
{
    QString name; // the sheet's
    QStringList headings;
    QVector<QVector<QVariant>> rows;
};

// The tables, in sheet order: pending, per day, by level, by university,
// staff.
QVector<FigureTable> tables(const Figures &figures);

// Writes the figures to a new workbook in `folder`, a sheet per table with
// its chart beside it, printed like the other reports. Returns its path.
QString exportWorkbook(const Figures &figures, const QString &folder);

// The title line of the printed pages' header.
QString printTitle(const Figures &figures);

} // namespace supervisor
