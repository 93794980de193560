#pragma once

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

// Ends a bench program with status 2, in its own name, for an argument it
// cannot use.
[[noreturn]] inline void failWith(const QString &message)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()), qPrintable(message));
    std::exit(2);
}

// The value of --`name` as a number from `min` to `max`; `fallback` when not given.
inline double numberOption(const QCommandLineParser &parser, const QString &name, double fallback, double min, double max)
{
    if (!parser.isSet(name))
        return fallback;
    bool ok = false;
    const double value = parser.value(name).toDouble(&ok);
    if (!ok || value < min || value > max)
        failWith(QStringLiteral("--%1 wants a number from %2 to %3, not '%4'").arg(name).arg(min).arg(max).arg(parser.value(name)));
    return value;
}
