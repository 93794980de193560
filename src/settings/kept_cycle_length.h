#pragma once

#include <QString>

// The cycle length the person confirmed in the window, kept for the folder
// in cycle.ini beside its 123.txt ("minutes=30"), so that every later start,
// unattended ones included, runs it. 123.txt keeps only the addresses: other
// tools read its four-line records.
namespace KeptCycleLength {

// 0 where none is kept or the file cannot be read.
int load(const QString &settingsPath);
// Why it could not be written, in words; empty once it was.
QString save(const QString &settingsPath, int minutes);

} // namespace KeptCycleLength
