#include "folder_key.h"

#include <QCryptographicHash>

QString folderKey(const QString &folderPath)
{
    return QString::fromLatin1(QCryptographicHash::hash(folderPath.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
}
