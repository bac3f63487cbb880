#include "shelltest.h"

#include "core/services/config.h"
#include "core/services/session.h"
#include "core/services/sqltext.h"

#include <QApplication>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {
QString literalOrNull(const QString &value)
{
    return value.isNull() ? u"null"_s : sql::quote(value);
}
} // namespace

void ShellTest::SetUp()
{
    DbTest::SetUp();
    resetCentral();
}

void ShellTest::TearDown()
{
    settle();
    DbTest::TearDown();
}

void ShellTest::addUser(const QString &name, const QString &typedPassword, const QString &group,
                        const QString &permission, const QString &held)
{
    admin(u"insert into corvane3_tkt.masuser(fusername, fpasswd, fgroup, fsection, "
          "fpermission, ftktid) "
          "values(%1, %2, %3, 'Desk', %4, %5)"_s.arg(
                  sql::quote(name), sql::quote(EncodePassword(typedPassword)), literalOrNull(group),
                  literalOrNull(permission), literalOrNull(held)));
}

void ShellTest::addUniv(const QString &code, const QString &name)
{
    admin(u"insert into corvane3_tkt.masuniv(funivcode, funivname, fdbname, funivshort, femailid) "
          "values(%1, %2, 'corvane3_tsc', 'U', null)"_s.arg(sql::quote(code), sql::quote(name)));
}

void ShellTest::pressKey(QWidget *widget, int key, Qt::KeyboardModifiers modifiers, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(widget, &release);
}

void ShellTest::typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        const QChar upper = c.toUpper();
        const int key = (upper >= QLatin1Char('A') && upper <= QLatin1Char('Z')) ||
                                        (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                                ? upper.unicode()
                                : (c == QLatin1Char(' ') ? int(Qt::Key_Space) : int(Qt::Key_unknown));
        const Qt::KeyboardModifiers mods = c.isUpper() ? Qt::ShiftModifier : Qt::NoModifier;
        pressKey(widget, key, mods, QString(c));
    }
}

void ShellTest::settle()
{
    for (int i = 0; i < 3; ++i) {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
