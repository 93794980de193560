#include "autostart_entry.h"

#include "base/folder_key.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace {

// A value as desktop entries store strings: backslash and control
// characters escaped, a leading space kept.
QString escapeValue(const QString &value)
{
    QString escaped;
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '\\': escaped += QLatin1String("\\\\"); break;
        case '\n': escaped += QLatin1String("\\n"); break;
        case '\t': escaped += QLatin1String("\\t"); break;
        case '\r': escaped += QLatin1String("\\r"); break;
        default: escaped += c;
        }
    }
    if (escaped.startsWith(QLatin1Char(' ')))
        escaped.replace(0, 1, QLatin1String("\\s"));
    return escaped;
}

// One argument of an Exec line: quoted when it holds a reserved character,
// with ", `, $ and \ escaped inside the quotes; % is doubled everywhere, as
// it would otherwise start a field code.
QString execArgument(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString arg = argument;
    arg.replace(QLatin1Char('%'), QLatin1String("%%"));
    if (std::none_of(arg.begin(), arg.end(), [](QChar c) { return reserved.contains(c); }))
        return arg;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : arg) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    return quoted + QLatin1Char('"');
}

} // namespace

AutostartPlaces AutostartPlaces::forThisUser()
{
    return {QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart"),
            QCoreApplication::applicationFilePath()};
}

AutostartEntry::AutostartEntry(const AutostartPlaces &places, const QString &folder)
    : m_places(places),
      m_folder(QDir::cleanPath(QDir(folder).absolutePath()))
{
    m_filePath = m_places.directory + QStringLiteral("/orvo-collector-%1.desktop").arg(folderKey(m_folder));
}

bool AutostartEntry::exists() const
{
    return QFile::exists(m_filePath);
}

QByteArray AutostartEntry::contents() const
{
    const QString lines[] = {
        QStringLiteral("[Desktop Entry]"),
        QStringLiteral("Type=Application"),
        QStringLiteral("Name=") + escapeValue(QStringLiteral("OrvoCMS自动挂机：") + QDir(m_folder).dirName()),
        QStringLiteral("Comment=") + escapeValue(QStringLiteral("登录系统后在“%1”自动开始挂机").arg(m_folder)),
        QStringLiteral("Exec=") + escapeValue(execArgument(m_places.program) + QStringLiteral(" --start")),
        QStringLiteral("Path=") + escapeValue(m_folder),
        QStringLiteral("Icon=orvo-collector"),
        QStringLiteral("Terminal=false"),
    };
    QByteArray bytes;
    for (const QString &line : lines)
        bytes += line.toUtf8() + '\n';
    return bytes;
}

QString AutostartEntry::write() const
{
    if (!QDir().mkpath(m_places.directory))
        return QStringLiteral("无法创建文件夹“%1”").arg(QDir::toNativeSeparators(m_places.directory));
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents()) < 0 || !file.commit())
        return file.errorString();
    return {};
}

QString AutostartEntry::remove() const
{
    QFile file(m_filePath);
    if (file.exists() && !file.remove())
        return file.errorString();
    return {};
}
