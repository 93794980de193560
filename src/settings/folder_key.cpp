#include "folder_key.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

QString folderKey(const QString &folderPath)
{
    return QString::fromLatin1(QCryptographicHash::hash(folderPath.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}

QString canonicalFolder(const QString &folderPath)
{
    const QString canonical = QFileInfo(folderPath).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QDir(folderPath).absolutePath()) : canonical;
}
