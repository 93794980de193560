#include "owner_only.h"

#include "no_link.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

void makeOwnerOnlyFolder(const QString &path)
{
    QDir().mkpath(path);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QString writeOwnerOnlyFile(const QString &path, const QByteArray &bytes)
{
    if (const QString link = linkRefusal(path); !link.isEmpty())
        return link;
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    QFile created(path);
    if (!created.open(QIODevice::NewOnly, ownerOnly) && !created.exists())
        return created.errorString();
    created.close();
    if (!created.setPermissions(ownerOnly))
        return created.errorString();
    // QSaveFile keeps the permissions of the file it replaces.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) < 0 || !file.commit())
        return file.errorString();
    return {};
}
