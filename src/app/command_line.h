#pragma once

#include <QStringList>

// Reads the program's arguments (Qt's own already taken out) and returns
// whether --start was given. --help prints the usage and ends the program
// with status 0; any argument it does not know prints the usage too and ends
// it with status 2.
bool startRequested(const QStringList &arguments);
