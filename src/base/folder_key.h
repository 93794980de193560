#pragma once

#include <QString>

// A short name for a folder, for the things kept per folder outside it (the
// autostart entry, the browser profile, the running copy): 16 hex digits of
// a hash of the path as given.
QString folderKey(const QString &folderPath);
