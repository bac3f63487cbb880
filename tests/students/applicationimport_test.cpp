#include "core/services/database.h"
#include "core/services/handler.h"

#include "excelfixture.h"

using namespace Qt::StringLiterals;

using namespace students;

namespace {

class Applications : public ExcelTest
{
protected:
    // Stages a 023 sheet of college 2301 from `rows` (heading added).
    SheetResult stageRows(const SheetRows &rows)
    {
        SheetRows all{appHeading()};
        all += rows;
        return stage(u"023"_s, u"2301"_s, workbook(u"2301.xlsx"_s, all));
    }
};

// Serials continue after the highest of the college and degree; subjects
// become codes as the server compares names (a repeat once, an empty cell
// nothing, another examination's name or a row of another college as typed,
// a code inside an earlier one still taken); castes are
// normalised; an apostrophe in a name becomes a backquote, elsewhere it
// stays; rows go out in statements no longer than the bound.
TEST_F(Applications, everyStudentBecomesACompleteApplication)
{
    admin(u"insert into corvane3_023.studadm(fslno, fcollcode, fdegree, fappno) values"
          "('0041', '2301', 'BA', '5239'), ('0007', '2301', 'BA', '5238'), ('0100', '2302', 'BA', '5237')"_s);
    QVariantList souza = appRow(u"3"_s, u"BA"_s, u"D'Souza"_s, u"CAT'I"_s, 100, {}, u"9000000003"_s);
    souza[6] = u"M'"_s;
    souza[20] = u"o'brien\\x@mail.example"_s;
    const SheetResult sheet = stageRows(
            {appRow(u"1"_s, u"BA"_s, u"Anu"_s, u"CAT-I"_s, 12500, {u"ENG"_s, u"HIS"_s}, u"9000000001"_s),
             appRow(u"2"_s, u"BSC"_s, u"Bala"_s, u"CAT-II"_s, 12500.5, {u"PHY"_s}, u"9000000002"_s,
                    u"2302"_s),
             souza,
             appRow(u"4"_s, u"BA"_s, u"Chitra"_s, u"CATI"_s, u" 99 "_s,
                    {u"ENG"_s, QString(), u"ENG"_s, u"  "_s, u"XHIS"_s, u"HIS"_s, u"POL"_s}, u"9000000004"_s),
             appRow(u"5"_s, u"BA"_s, u"Devi"_s, u"2-A"_s, 0, {u"eco "_s}, u"9000000005"_s)});
    // An older application whose number equals a staging number of this import.
    admin(u"insert into corvane3_023.studadm(fslno, fcollcode, fdegree, fappno, fadmdate) select '0003', "
          "'2301', 'BA', min(fintid), '2001-01-01' from corvane3_023.tmpcollstud"_s);
    const ApplicationResult result = importApps(plainGrid(sheet), 600);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.dump();
    EXPECT_EQ(result.total, 5);
    EXPECT_EQ(result.degrees, (QStringList{u"BA"_s, u"BSC"_s}));
    EXPECT_EQ(result.beforeLine, u"Records Before Importing : BA - 3"_s);
    EXPECT_EQ(result.afterLine, u"Records After Importing : BA - 7, BSC - 1"_s);
    EXPECT_EQ(adminValue(u"select fadmdate from corvane3_023.studadm where fslno = '0003'"_s),
              u"2001-01-01"_s);
    EXPECT_LE(result.largestStatement, 600);
    const QString common = u"1|verified|T|A|GEN|XLS|XLS|NOT KNOWN|2026-06-01|Others|No|.|Rural|"_s;
    EXPECT_EQ(
            applications().split(u'\n'),
            (QStringList{
                    u"BA|0042|Anu|Father of Anu|F|CAT-I|12500.00|s9000000001@mail.example|9000000001|"_s +
                            common +
                            u"BA01,BA02|Photo,Signature|01 University Total Fee=12500.00/2018,02 Fine=0.00/2018"_s,
                    u"BA|0043|D`Souza|Father of D`Souza|M'|CAT'I|100.00|o'brien\\x@mail.example|9000000003|"_s +
                            common +
                            u"Photo,Signature|01 University Total Fee=100.00/2018,02 Fine=0.00/2018"_s,
                    u"BA|0044|Chitra|Father of Chitra|F|CAT-I|99.00|s9000000004@mail.example|9000000004|"_s +
                            common +
                            u"BA01,BA02,POL,XHIS|Photo,Signature|01 University Total Fee=99.00/2018,02 "
                            "Fine=0.00/2018"_s,
                    u"BA|0045|Devi|Father of Devi|F|2A|0.00|s9000000005@mail.example|9000000005|"_s + common +
                            u"BA03|Photo,Signature|01 University Total Fee=0.00/2018,02 Fine=0.00/2018"_s,
                    u"BSC|0001|Bala|Father of Bala|F|CAT-II|12500.50|s9000000002@mail.example|9000000002|"_s +
                            common +
                            u"PHY|Photo|01 University Total Fee=12500.50/2018,02 Fine=0.00/2018"_s}));
}

// A fee that is empty or no number stops the import before any degree is
// written, naming the student.
TEST_F(Applications, anEmptyOrMistypedFeeStopsTheImportBeforeAnythingIsStored)
{
    for (const QVariant &fee : {QVariant(), QVariant(u"12,500"_s), QVariant(u"1e3; drop"_s)}) {
        ui.reset();
        const SheetResult sheet =
                stageRows({appRow(u"1"_s, u"BA"_s, u"Anu"_s, u"CATI"_s, 100, {u"ENG"_s}, u"9000000001"_s),
                           appRow(u"7"_s, u"BSC"_s, u"Bala"_s, u"CATI"_s, fee, {u"ENG"_s}, u"9000000002"_s)});
        EXPECT_EQ(importApps(plainGrid(sheet)).total, 0);
        EXPECT_EQ(appCount(u"studadm"_s) + appCount(u"options"_s), 0);
        EXPECT_EQ(adminValue(u"select group_concat(fsub01) from corvane3_023.tmpcollstud"_s), u"ENG,ENG"_s)
                << "the staging table is left as the sheet phase made it";
        ASSERT_EQ(ui.messages.size(), 1);
        EXPECT_TRUE(ui.last().text.startsWith(
                QLatin1String("5, The fee of Bala (serial number 7, degree BSC) is ")))
                << ui.dump();
    }
}

// The grid decides: two lines ending in one code import that degree once,
// an unticked line's students not at all; the students who already have an
// application are counted under the code the grid gives them.
TEST_F(Applications, theGridDecidesTheDegreesAndWhoIsAlreadyThere)
{
    const SheetRows rows{appRow(u"1"_s, u"BA"_s, u"Anu"_s, u"CATI"_s, 100, {}, u"9000000001"_s),
                         appRow(u"2"_s, u"XBA"_s, u"Bala"_s, u"CATI"_s, 100, {}, u"9000000002"_s),
                         appRow(u"3"_s, u"BSC"_s, u"Chitra"_s, u"CATI"_s, 100, {}, u"9000000003"_s)};
    const QVector<DegreeDecision> grid{
            {u"BA"_s, u"BA"_s, true}, {u"BSC"_s, u"BSC"_s, false}, {u"XBA"_s, u" BA"_s, true}};
    stageRows(rows);
    EXPECT_EQ(existingApplications(kAppDb, u"2301"_s, grid), 0);
    EXPECT_EQ(importApps(grid).total, 2);
    EXPECT_EQ(adminValue(u"select group_concat(concat(fdegree, fslno, fname) order by fslno) from "
                         "corvane3_023.studadm"_s),
              u"BA0001Anu,BA0002Bala"_s);

    stageRows(rows);
    const struct
    {
        QVector<DegreeDecision> grid;
        qint64 existing;
    } cases[] = {
            {grid, 2},
            {{{u"BA"_s, u"BA"_s, true}, {u"BSC"_s, u"BSC"_s, true}, {u"XBA"_s, u"XBA"_s, true}}, 1},
            {{{u"BA"_s, u"MA"_s, true}, {u"BSC"_s, u"BA"_s, true}, {u"XBA"_s, u"BA"_s, false}}, 0},
            {{{u"BA"_s, u"BA"_s, false}, {u"BSC"_s, u"BA"_s, true}, {u"XBA"_s, u"BA"_s, true}}, 1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(existingApplications(kAppDb, u"2301"_s, c.grid), c.existing);
    EXPECT_EQ(existingApplications(kAppDb, u"2302"_s, grid), 0);
}

TEST(ApplicationSerial, fourDigitsAtLeastAndAllDigitsPastThem)
{
    const struct
    {
        const char *previous, *next;
    } cases[] = {{"0", "0001"}, {"0041", "0042"}, {"9998", "9999"}, {"9999", "10000"}, {"10000", "10001"}};
    for (const auto &c : cases)
        EXPECT_EQ(nextSerial(QLatin1String(c.previous)), QLatin1String(c.next)) << c.previous;
}

} // namespace
