#pragma once

#include <QStringList>

// Answers -h or --help among the raw arguments: prints the usage and ends the
// program with status 0. It runs before the application object exists, so
// the usage prints on a machine without a display too.
void answerHelp(int argc, char *argv[]);

// Reads the program's arguments (Qt's own already taken out) and returns
// whether --start was given. An argument it does not know prints the usage
// and ends the program with status 2.
bool startRequested(const QStringList &arguments);
