#pragma once

#include "support/testdb.h"

#include <QKeyEvent>
#include <QString>
#include <QVariant>

#include <ostream>

class QWidget;

// Readable QString values in failure messages.
inline void PrintTo(const QString &value, std::ostream *os)
{
    *os << '"' << value.toStdString() << '"';
}

// Rows and key presses shared by the shell's tests.
class ShellTest : public DbTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    // An account; a null QString writes NULL.
    static void addUser(const QString &name, const QString &typedPassword, const QString &group,
                        const QString &permission, const QString &held = QString());
    static void addUniv(const QString &code, const QString &name);

    // Types text into a widget key by key, as a person would.
    static void typeText(QWidget *widget, const QString &text);
    static void pressKey(QWidget *widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                         const QString &text = QString());

    // Runs deferred deletions and pending timers.
    static void settle();
};
