#pragma once

#include <QStringList>

// Answers -h, --help or --version among the raw arguments: prints the usage
// or the version and ends the program with status 0. It runs before the
// application object exists, so it prints on a machine without a display too.
void answerHelpOrVersion(int argc, char *argv[]);

// What the command line asks of this run.
struct RunOptions {
    bool start = false; // --start: the cycle begins once the window shows
    int minutes = 0;    // --minutes N: the cycle length of this run; 0: the folder's
};

// Reads the program's arguments (Qt's own already taken out). An argument it
// does not know, or a length outside 1 to 1440, prints the usage and ends the
// program with status 2.
RunOptions runOptions(const QStringList &arguments);
