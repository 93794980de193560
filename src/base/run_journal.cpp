#include "run_journal.h"

#include "no_link.h"
#include "one_line.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

RunJournal::RunJournal(QString path, QObject *parent)
    : QObject(parent), m_path(std::move(path)), m_file(m_path)
{
}

QString RunJournal::pathBeside(const QString &settingsPath)
{
    return QFileInfo(settingsPath).dir().filePath(QStringLiteral("run-journal.txt"));
}

void RunJournal::write(const QString &event)
{
    const QByteArray line = (QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                             + QStringLiteral(" 第%1轮 ").arg(m_cycle) + oneLine(event) + QLatin1Char('\n'))
                                .toUtf8();
    if (!ensureOpen(line.size()))
        return;
    if (m_file.write(line) != line.size() || !m_file.flush()) {
        reportFailure(m_file.errorString());
        m_file.close();
    }
}

bool RunJournal::ensureOpen(qint64 nextLineBytes)
{
    // It names the admin user and addresses: its owner's only when it is made.
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (const QString link = linkRefusal(m_path); !link.isEmpty()) {
        reportFailure(link);
        return false;
    }
    if (!m_file.isOpen() && !m_file.open(QIODevice::WriteOnly | QIODevice::Append, ownerOnly)) {
        reportFailure(m_file.errorString());
        return false;
    }
    if (m_file.size() > 0 && m_file.size() + nextLineBytes > MaxBytes) {
        m_file.close();
        const QString older = m_path + QStringLiteral(".1");
        QFile::remove(older);
        // Where the older journal cannot be replaced, this one starts afresh
        // rather than grow without bound.
        const QIODevice::OpenMode mode = QFile::rename(m_path, older) ? QIODevice::Append : QIODevice::Truncate;
        if (!linkRefusal(m_path).isEmpty() || !m_file.open(QIODevice::WriteOnly | mode, ownerOnly)) {
            reportFailure(m_file.errorString());
            return false;
        }
    }
    return true;
}

RunJournal::LastRun RunJournal::lastRun(const QString &path)
{
    LastRun last = LastRun::None;
    for (const QString &file : {path + QStringLiteral(".1"), path}) {
        QFile journal(file);
        if (!journal.open(QIODevice::ReadOnly))
            continue;
        // "<date> <time> 第N轮 <event>"
        for (const QByteArray &line : journal.readAll().split('\n')) {
            const QByteArray event = line.split(' ').mid(3).join(' ');
            if (event == "启动")
                last = LastRun::Unexpected;
            else if (event == "退出")
                last = LastRun::Quit;
        }
    }
    return last;
}

void RunJournal::reportFailure(const QString &reason)
{
    if (m_failureReported)
        return;
    m_failureReported = true;
    const QString text = QStringLiteral("运行日志“%1”无法写入（%2），采集照常进行，只是不再记录。\n")
                             .arg(QDir::toNativeSeparators(QFileInfo(m_path).absoluteFilePath()), reason);
    std::fputs(text.toLocal8Bit().constData(), stderr);
}
