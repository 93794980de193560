#include "site_list_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const QString FileName = QStringLiteral("sites.txt");

bool listsAFolder(const QString &line)
{
    const QString text = line.trimmed();
    return !text.isEmpty() && !text.startsWith(QLatin1Char('#'));
}

QString resolved(const QString &setFolder, const QString &line)
{
    const QFileInfo info(QDir(setFolder).absoluteFilePath(line.trimmed()));
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

QString problemOf(const QFileInfo &folder)
{
    if (!folder.exists())
        return QStringLiteral("文件夹不存在");
    if (!folder.isDir())
        return QStringLiteral("不是文件夹");
    if (!folder.isReadable() || !folder.isWritable() || !folder.isExecutable())
        return QStringLiteral("文件夹无法读写");
    return {};
}

QString write(const QString &setFolder, const QStringList &lines)
{
    QSaveFile file(SiteListFile::pathIn(setFolder));
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    file.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
    return file.commit() ? QString() : file.errorString();
}

QStringList lines(const QString &setFolder, QString *error)
{
    QFile file(SiteListFile::pathIn(setFolder));
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return {};
    }
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

} // namespace

QString SiteListFile::pathIn(const QString &setFolder)
{
    return QDir(setFolder).filePath(FileName);
}

bool SiteListFile::existsIn(const QString &setFolder)
{
    return QFileInfo::exists(pathIn(setFolder));
}

QList<ListedSite> SiteListFile::read(const QString &setFolder, QString *error)
{
    QString failure;
    const QStringList all = lines(setFolder, &failure);
    if (error)
        *error = failure;
    QList<ListedSite> sites;
    QStringList seen;
    for (const QString &line : all) {
        if (!listsAFolder(line))
            continue;
        const QString folder = resolved(setFolder, line);
        QString problem = seen.contains(folder) ? QStringLiteral("重复列出，只运行一次") : problemOf(QFileInfo(folder));
        sites.append({folder, problem});
        seen << folder;
    }
    return sites;
}

QString SiteListFile::add(const QString &setFolder, const QString &folder)
{
    QStringList kept = existsIn(setFolder) ? lines(setFolder, nullptr) : QStringList{QStringLiteral(".")};
    while (!kept.isEmpty() && kept.last().trimmed().isEmpty())
        kept.removeLast();
    // Inside the set's folder a site is listed relative to it, so the set
    // can be moved whole.
    const QString relative = QDir(setFolder).relativeFilePath(folder);
    kept << (relative.startsWith(QLatin1String("..")) ? QDir::cleanPath(folder) : relative);
    return write(setFolder, kept);
}

QString SiteListFile::remove(const QString &setFolder, const QString &folder)
{
    QString failure;
    QStringList kept = lines(setFolder, &failure);
    if (!failure.isEmpty())
        return failure;
    kept.removeIf([&](const QString &line) { return listsAFolder(line) && resolved(setFolder, line) == folder; });
    while (!kept.isEmpty() && kept.last().trimmed().isEmpty())
        kept.removeLast();
    return write(setFolder, kept);
}
