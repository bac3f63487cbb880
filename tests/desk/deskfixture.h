#pragma once

#include "support/testdb.h"

#include <QString>

// Known central rows for the desk: two universities, users at levels, and
// grievances written as the portal writes them.
class DeskTest : public DbTest
{
protected:
    void SetUp() override;

    static void addUniversity(const QString &code, const QString &name, const QString &db,
                              const QString &shortName, const QString &email = QString());
    static void addUser(const QString &name, const QString &level, const QString &held = QString());
    // status / level / sender given as SQL literals or NULL.
    static void addGrievance(int id, const QString &levelLiteral, const QString &statusLiteral,
                             const QString &univCode = QStringLiteral("041"),
                             const QString &senderLiteral = QStringLiteral("'Student'"));
    static QString heldBy(const QString &user);
    static QString lockFlag();

    // Signs in as `user` at `level` with the university list read.
    static void signIn(const QString &user, const QString &level);
};
