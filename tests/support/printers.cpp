#include "support/printers.h"

#include <QDebug>

namespace {

// qDebug's quoting shows blanks, quotes, line ends and control characters.
template<typename T>
std::string quoted(const T &value)
{
    QString text;
    QDebug(&text).nospace() << value;
    return text.toStdString();
}

} // namespace

void PrintTo(const QString &value, std::ostream *os)
{
    *os << (value.isNull() ? std::string("null QString") : quoted(value));
}

void PrintTo(const QByteArray &value, std::ostream *os)
{
    *os << quoted(value);
}

void PrintTo(const QVariant &value, std::ostream *os)
{
    *os << quoted(value);
}

void PrintTo(const QDate &value, std::ostream *os)
{
    *os << value.toString(Qt::ISODate).toStdString();
}

void PrintTo(const QDateTime &value, std::ostream *os)
{
    *os << value.toString(Qt::ISODateWithMs).toStdString();
}

void PrintTo(Icon value, std::ostream *os)
{
    static const char *const names[] = {"None", "Information", "Exclamation", "Critical", "Question"};
    *os << "Icon::" << names[int(value)];
}

void PrintTo(Answer value, std::ostream *os)
{
    static const char *const names[] = {"Ok", "Yes", "No"};
    *os << "Answer::" << names[int(value)];
}
