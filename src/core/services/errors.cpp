#include "core/services/errors.h"

AppError::AppError(qint64 number, QString description, QString context)
    : m_number(number)
    , m_description(std::move(description))
    , m_context(std::move(context))
    , m_what((QString::number(m_number) + QLatin1Char(' ') + m_description).toStdString())
{}

bool AppError::isGoneAway() const
{
    return m_description.contains(QLatin1String("gone away"));
}

AppError AppError::reported(const AppError &error)
{
    AppError copy = error;
    copy.m_reported = true;
    return copy;
}

AppError AppError::spent(const AppError &error)
{
    AppError copy = error;
    copy.m_spent = true;
    return copy;
}
