#include "core/students/university.h"

#include "core/services/errors.h"
#include "core/services/session.h"
#include "core/services/sqltext.h"

namespace students {

QString univEntry(const QString &name, const QString &code)
{
    return name + QString(kUnivGap, QLatin1Char(' ')) + code;
}

QString univCodeOf(const QString &entry)
{
    return entry.right(10).trimmed();
}

namespace {
[[noreturn]] void noUniversity()
{
    throw AppError(kNoUniversity, QStringLiteral("Select the university first!!"),
                   QStringLiteral("university"));
}

QString currentUniversityDb()
{
    const QString db = session().chosenUniversityDb;
    if (db.isEmpty())
        noUniversity();
    return sql::identifier(db);
}
} // namespace

QString selectUniversity(const QString &code)
{
    if (code.isEmpty())
        noUniversity();
    universityName(code);
    return currentUniversityDb();
}

} // namespace students
