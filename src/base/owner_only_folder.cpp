#include "owner_only_folder.h"

#include <QDir>
#include <QFile>

void makeOwnerOnlyFolder(const QString &path)
{
    QDir().mkpath(path);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}
