#include "support/printers.h"

#include <QDebug>

#include <array>

namespace {

// qDebug's quoting shows blanks, quotes, line ends and control characters.
template<typename T>
void print(const T &value, std::ostream *os)
{
    QString text;
    QDebug(&text).nospace() << value;
    *os << text.toStdString();
}

} // namespace

void PrintTo(const QString &value, std::ostream *os)
{
    print(value, os);
}
void PrintTo(const QByteArray &value, std::ostream *os)
{
    print(value, os);
}
void PrintTo(const QVariant &value, std::ostream *os)
{
    print(value, os);
}
void PrintTo(const QDateTime &value, std::ostream *os)
{
    print(value, os);
}
void PrintTo(Icon value, std::ostream *os)
{
    *os << "Icon::"
        << std::array{"None", "Information", "Exclamation", "Critical", "Question"}.at(int(value));
}
void PrintTo(Answer value, std::ostream *os)
{
    *os << "Answer::" << std::array{"Ok", "Yes", "No"}.at(int(value));
}
