#pragma once

#include <QList>
#include <QString>

// A listed site folder, and why it cannot run, in words (empty: it can).
struct ListedSite {
    QString folder; // absolute, symbolic links resolved where it exists
    QString problem;
};

// sites.txt: the site folders of a set, one a line, in UTF-8, relative to
// the set's folder or absolute; blank lines and lines starting with # are
// left out. A folder whose sites.txt exists runs as a set.
namespace SiteListFile {

QString pathIn(const QString &setFolder);
bool existsIn(const QString &setFolder);

// The folders in the order listed, each folder once: a folder listed again
// is listed with its problem. `error` says why the file could not be read;
// nothing is listed then.
QList<ListedSite> read(const QString &setFolder, QString *error);

// Adds `folder` at the end, creating the file with the set's own folder as
// its first line when there is none. Returns why it could not be written.
QString add(const QString &setFolder, const QString &folder);
// Takes every line naming `folder` off the list; the folder is left alone.
QString remove(const QString &setFolder, const QString &folder);

} // namespace SiteListFile
