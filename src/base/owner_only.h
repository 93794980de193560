#pragma once

#include <QByteArray>
#include <QString>

// Files and folders only their owner may read: the login's cookies, a
// robot's secret, a remembered password.

// Makes the folder, and any missing above it, and lets only its owner in
// (0700), whatever it allowed before.
void makeOwnerOnlyFolder(const QString &path);

// Writes the file whole, readable and writable by its owner only (0600):
// a missing one is created so before anything is written, an existing one
// is set so. The bytes are written beside it and then put in its place, so
// a crash or a full disk leaves the old file whole; a symbolic link in its
// place is left alone. Returns why it could not be written; empty when it was.
QString writeOwnerOnlyFile(const QString &path, const QByteArray &bytes);
