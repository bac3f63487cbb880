#pragma once

#include "core/services/database.h"
#include "core/services/errors.h"
#include "core/services/interaction.h"

#include <functional>

// How a screen words a failure.
enum class ErrorStyle {
    DescriptionNumber, // "{description} {number}": desk, reply, lock release, Excel buttons, openConnection
    NumberCommaDescription, // "{number}, {description}": imports, change of degree
    NumberTwoBlanks,        // "{number}  {description}": start-up and main window
    NumberDescription,      // "{number} {description}": the mail routine
};

QString formatError(ErrorStyle style, const AppError &error);

// Opens the one connection anew. On failure shows "{description} {number}"
// (exclamation icon) and returns false.
bool openConnection(Conn::Greeting greeting = Conn::Greeting::Trust);

struct HandlerOptions
{
    ErrorStyle style = ErrorStyle::DescriptionNumber;
    Icon icon = Icon::Exclamation;
    QString title;
    // Reopen-and-retry rounds before a dropped connection is reported.
    int maxReconnects = 3;
};

// The handler convention, in one place. Runs `work`; when the server dropped
// the connection ("gone away") it reopens with openConnection and runs `work` again
// from the start (attempt 0 first). Changes inside `work` run as units of work
// (unitofwork.h), which replay themselves, so a rerun never repeats a change
// that was applied. An error already reported (a failed reopen) is passed over
// silently; any other error is shown in the screen's style. Returns true when
// the work ran to its end.
bool runHandled(const HandlerOptions &options, const std::function<void(int attempt)> &work);
bool runHandled(ErrorStyle style, const std::function<void()> &work);
