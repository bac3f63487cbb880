#pragma once

#include "support/scripted.h"

#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

// Opens the client's connection (`Conn`) to the test server and gives each
// test a clean sign-in state and scripted interaction. Tests set up their own
// rows; the schema comes from db/*.sql (scripts/db).
class DbTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs setup SQL through a separate admin connection (not `Conn`), so a
    // test's own statements cannot disturb what it measures.
    static void admin(const QString &sql);
    static void admin(const QStringList &statements);
    static QString adminValue(const QString &sql);

    // Empties the central tables and writes the control row.
    static void resetCentral();
    // Kills the client's connection from the admin connection.
    static void killConn();
    static int count(const QString &sql) { return adminValue(sql).toInt(); }

    // Central rows every subsystem's tests need. A null text writes NULL.
    // The password is stored as the sign-in screen encodes `typedPassword`.
    static void addUser(const QString &name, const QString &level, const QString &held = QString(),
                        const QString &permission = QString(),
                        const QString &typedPassword = QStringLiteral("X"));
    // `shortName` defaults to the name's first three letters.
    static void addUniv(const QString &code, const QString &name,
                        const QString &db = QStringLiteral("corvane3_tsc"), const QString &email = QString(),
                        const QString &shortName = QString());
    // A grievance as the portal writes it; level, status and sender are SQL
    // literals (or NULL).
    static void addGrievance(int id, const QString &levelLiteral, const QString &statusLiteral,
                             const QString &univCode = QStringLiteral("041"),
                             const QString &senderLiteral = QStringLiteral("'Student'"));
    // What `user` holds ('' for nothing) and the desk's lock flag.
    static QString heldBy(const QString &user);
    static QString lockFlag();

    // Renames a table away for its lifetime, so statements on it fail.
    struct TableAway
    {
        explicit TableAway(const QString &table);
        ~TableAway();
        QString table;
    };

    ScriptedInteraction &ui = scripted();
};
