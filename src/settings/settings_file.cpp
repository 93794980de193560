#include "settings_file.h"

#include "base/gb_text.h"
#include "base/no_link.h"

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

// How many non-empty lines end the file.
qsizetype trailingRun(const QStringList &lines)
{
    qsizetype run = 0;
    while (run < lines.size() && !lines.at(lines.size() - 1 - run).isEmpty())
        ++run;
    return run;
}

}

namespace SettingsFile {

QString defaultPath()
{
    return QStringLiteral("123.txt");
}

QString appendRecord(const QString &path, const AdminAddresses &addresses)
{
    // The file is read back by line position, so a record must be exactly
    // four lines: a line break inside an address would shift every record
    // saved after it.
    QString record;
    for (const QString &address : addresses.inOrder()) {
        if (address.contains(QLatin1Char('\r')) || address.contains(QLatin1Char('\n')))
            return QStringLiteral("地址中不能有换行");
        record += address + QLatin1String("\r\n");
    }

    if (const QString link = linkRefusal(path); !link.isEmpty())
        return link;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append))
        return QStringLiteral("无法打开文件（%1）").arg(file.errorString());
    // The new record starts on a record boundary whatever the file ends in
    // (an editor's stray empty line, a torn record, no final line end): the
    // lines before it are made up to whole records, so the loader, counting
    // records from the top, finds the new one whole and last.
    // A device in the file's place (say /dev/full) is written to, never read.
    QString before;
    if (!file.isSequential() && file.seek(0))
        before = fromGbBytes(file.readAll());
    QString padding;
    if (!before.isEmpty() && !before.endsWith(QLatin1Char('\n')) && !before.endsWith(QLatin1Char('\r')))
        padding += QLatin1String("\r\n");
    const QStringList lines = splitLines(before);
    const qsizetype partial = lines.size() % RecordLines;
    if (partial != 0)
        padding += QString(QLatin1String("\r\n")).repeated(RecordLines - partial);
    // Nor may the new record join a run of non-empty lines that does not end
    // on a whole record (a blank line inside the file moved it): a record of
    // empty lines then stands between them.
    else if (trailingRun(lines) % RecordLines != 0)
        padding += QString(QLatin1String("\r\n")).repeated(RecordLines);

    // One write of the whole record keeps a torn record to a failed write.
    const QByteArray bytes = toGbBytes(padding + record);
    const qint64 written = file.write(bytes);
    if (written < 0 || !file.flush())
        return QStringLiteral("写入失败（%1）").arg(file.errorString());
    if (written != bytes.size())
        return QStringLiteral("只写入了 %1 字节，应为 %2 字节").arg(written).arg(bytes.size());
    file.close();
    return {};
}

AdminAddresses loadLastRecord(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = splitLines(fromGbBytes(file.readAll()));
    // Records are counted from the start of each run of non-empty lines, so
    // that a blank line left by a hand edit shifts none of those after it.
    QStringList last;
    for (qsizetype i = 0, runStart = 0; i <= lines.size(); ++i) {
        if (i < lines.size() && !lines.at(i).isEmpty())
            continue;
        for (qsizetype record = runStart; record + RecordLines <= i; record += RecordLines)
            last = lines.mid(record, RecordLines);
        runStart = i + 1;
    }
    if (!last.isEmpty())
        return AdminAddresses::fromLines(last);
    // No complete record: the lines there are, to be completed on a first run.
    if (lines.size() < RecordLines)
        return AdminAddresses::fromLines(lines);
    const qsizetype records = lines.size() / RecordLines;
    return AdminAddresses::fromLines(lines.mid((records - 1) * RecordLines, RecordLines));
}

}
