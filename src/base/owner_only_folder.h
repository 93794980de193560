#pragma once

#include <QString>

// Makes the folder, and any missing above it, and lets only its owner in
// (0700), whatever it allowed before: the session cookies kept there are the
// login to the site.
void makeOwnerOnlyFolder(const QString &path);
