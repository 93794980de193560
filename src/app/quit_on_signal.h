#pragma once

#include <QCoreApplication>

#include <functional>

// Runs `quit` on SIGTERM, SIGINT and SIGHUP, on the event loop's thread; by
// default it ends the event loop. The program then shuts down through its
// destructors (the browser writes its cookies to disk) instead of dying
// mid-write.
void quitOnTerminationSignals(const std::function<void()> &quit = [] { QCoreApplication::exit(0); });
