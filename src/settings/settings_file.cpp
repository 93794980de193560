#include "settings_file.h"

#include "gb_text.h"

#include <QFile>

namespace {

constexpr int RecordLines = 4;

// Splits text into lines the way a reader that accepts any line end would:
// CR LF, LF and a lone CR each end a line. A last line without line end counts
// whole; a line end at the very end does not start another, empty, line.
QStringList splitLines(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

}

namespace SettingsFile {

QString defaultPath()
{
    return QStringLiteral("123.txt");
}

QString appendRecord(const QString &path, const QStringList &addresses)
{
    // The file is read back by line position, so a record must be exactly
    // four lines: a wrong count or a line break inside an address would shift
    // every record saved after it.
    if (addresses.size() != RecordLines)
        return QStringLiteral("A record needs %1 addresses, got %2.")
            .arg(RecordLines).arg(addresses.size());
    QString text;
    for (const QString &address : addresses) {
        if (address.contains(QLatin1Char('\r')) || address.contains(QLatin1Char('\n')))
            return QStringLiteral("An address may not contain a line break.");
        text += address + QLatin1String("\r\n");
    }

    // One write of the whole record keeps a torn record to a failed write.
    const QByteArray bytes = toGbBytes(text);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return file.errorString();
    const qint64 written = file.write(bytes);
    if (written < 0)
        return file.errorString();
    if (written != bytes.size())
        return QStringLiteral("Only %1 of %2 bytes were written.").arg(written).arg(bytes.size());
    if (!file.flush())
        return file.errorString();
    file.close();
    return {};
}

QStringList loadLastRecord(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = splitLines(fromGbBytes(file.readAll()));
    if (lines.size() < RecordLines)
        return lines;
    const qsizetype records = lines.size() / RecordLines;
    return lines.mid((records - 1) * RecordLines, RecordLines);
}

}
