#pragma once

#include <QFile>
#include <QString>

// How often `text` stands in the UTF-8 file at `path`; 0 when it cannot be read.
inline int occurrencesIn(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? int(QString::fromUtf8(file.readAll()).count(text)) : 0;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}
