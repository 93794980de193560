#pragma once

#include <QFile>

// A whole file, for tests that look at the bytes on disk.
inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

