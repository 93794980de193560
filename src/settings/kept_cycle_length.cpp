#include "kept_cycle_length.h"

#include "base/owner_only.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString pathBeside(const QString &settingsPath)
{
    return QFileInfo(settingsPath).absoluteDir().filePath(QStringLiteral("cycle.ini"));
}

} // namespace

namespace KeptCycleLength {

int load(const QString &settingsPath)
{
    QFile file(pathBeside(settingsPath));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.trimmed().startsWith("minutes="))
            return line.trimmed().mid(8).toInt();
    }
    return 0;
}

QString save(const QString &settingsPath, int minutes)
{
    return writeOwnerOnlyFile(pathBeside(settingsPath), "minutes=" + QByteArray::number(minutes) + '\n');
}

} // namespace KeptCycleLength
