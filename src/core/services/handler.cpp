#include "core/services/handler.h"

#include "core/services/database.h"

QString formatError(ErrorStyle style, const AppError &error)
{
    const QString number = QString::number(error.number());
    switch (style) {
    case ErrorStyle::DescriptionNumber:
        return error.description() + QLatin1Char(' ') + number;
    case ErrorStyle::NumberCommaDescription:
        return number + QStringLiteral(", ") + error.description();
    case ErrorStyle::NumberTwoBlanks:
        return number + QStringLiteral("  ") + error.description();
    case ErrorStyle::NumberDescription:
        return number + QLatin1Char(' ') + error.description();
    }
    return error.description();
}

bool openConnection(Conn::Greeting greeting)
{
    if (Conn::open(greeting))
        return true;
    msgBox(formatError(ErrorStyle::DescriptionNumber, Conn::lastError()), Icon::Exclamation);
    return false;
}

namespace {
void show(const HandlerOptions &options, const AppError &error)
{
    msgBox(formatError(options.style, error), options.icon, options.title);
}
} // namespace

bool runHandled(const HandlerOptions &options, const std::function<void(int attempt)> &work)
{
    for (int attempt = 0;; ++attempt) {
        try {
            work(attempt);
            return true;
        } catch (const AppError &error) {
            if (error.isReported())
                return false;
            if (error.isGoneAway() && !error.isSpent() && attempt < options.maxReconnects) {
                if (!openConnection())
                    return false;
                continue;
            }
            show(options, error);
            return false;
        } catch (const std::exception &e) {
            // Nothing may escape a handler; report it like any other failure.
            show(options,
                 AppError(51, QStringLiteral("Internal error: %1").arg(QString::fromLocal8Bit(e.what()))));
            return false;
        }
    }
}

bool runHandled(ErrorStyle style, const std::function<void()> &work)
{
    HandlerOptions options;
    options.style = style;
    return runHandled(options, [&work](int) { work(); });
}
