#pragma once

#include "core/services/session.h"
#include "support/testdb.h"

// Two universities and no other central rows.
class DeskTest : public DbTest
{
protected:
    void SetUp() override
    {
        DbTest::SetUp();
        resetCentral();
        addUniv(QStringLiteral("041"), QStringLiteral("Alpha University"), QStringLiteral("corvane3_tsc"),
                QStringLiteral("help@alpha.example"), QStringLiteral("ALU"));
        addUniv(QStringLiteral("023"), QStringLiteral("Beta University"), QStringLiteral("corvane3_023"));
    }
    static void signIn(const QString &user, const QString &level)
    {
        session().userName = user;
        session().userLevel = level;
        readUniversities();
    }
};
