#include "browser_profile.h"

#include "base/folder_key.h"

#include <QDir>
#include <QStandardPaths>

namespace {

// Where QtWebEngine keeps a named profile's data by default.
QString storagePath(const QString &name)
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/QtWebEngine/") + name;
}

} // namespace

QString BrowserProfile::nameFor(const QString &folder)
{
    return QStringLiteral("OrvoCollector-") + folderKey(folder);
}

void BrowserProfile::takeOverSharedProfile(const QString &name)
{
    const QString shared = storagePath(QStringLiteral("OrvoCollector"));
    const QString own = storagePath(name);
    if (!QDir(own).exists() && QDir(shared).exists())
        QDir().rename(shared, own);
}
