#include "command_line.h"

#include "automation/cycle/cycle_clock.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The user guide as installed beside this program: the same prefix, whichever
// it was installed to (a package's /usr, /usr/local, a --prefix of one's own).
QString installedGuide()
{
    const QString programFolder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    return QDir::cleanPath(programFolder + QStringLiteral("/" GUIDE_FOLDER_FROM_PROGRAM "/使用说明.md"));
}

// `program`: the path it was started by, as the first argument gives it.
QString usage(const QString &program)
{
    return QStringLiteral(
               "用法：%1 [--start] [--minutes 分钟数]\n"
               "\n"
               "OrvoCMS 全自动挂机采集工具。地址取自当前文件夹中的 123.txt。\n"
               "\n"
               "选项：\n"
               "  --start          窗口出现后立即开始自动挂机（123.txt 中须已保存四个地址）\n"
               "  --minutes 分钟数  本次运行的采集间隔（1 到 1440），不改变窗口里保存的间隔\n"
               "  --version        显示版本\n"
               "  -h, --help       显示本说明\n"
               "\n"
               "使用说明：%2\n")
        .arg(QFileInfo(program).fileName(), installedGuide());
}

[[noreturn]] void printAndExit(FILE *stream, const QString &text, int status)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::exit(status);
}

} // namespace

void answerHelpOrVersion(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0)
            printAndExit(stdout, usage(QString::fromLocal8Bit(argv[0])), 0);
        if (std::strcmp(argv[i], "--version") == 0)
            printAndExit(stdout, QStringLiteral("orvo-collector " PRODUCT_VERSION "\n"), 0);
    }
}

RunOptions runOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption start(QStringLiteral("start"));
    const QCommandLineOption minutes(QStringLiteral("minutes"), {}, QStringLiteral("N"));
    parser.addOptions({start, minutes});
    bool whole = true;
    const int length = parser.parse(arguments) ? parser.value(minutes).toInt(&whole) : 0;
    if (!parser.positionalArguments().isEmpty() || !parser.errorText().isEmpty()
        || (parser.isSet(minutes) && (!whole || length < CycleClock::MinCycleLength || length > CycleClock::MaxCycleLength))) {
        printAndExit(stderr,
                     QStringLiteral("命令行参数有误：%1\n\n").arg(arguments.mid(1).join(QLatin1Char(' ')))
                         + usage(arguments.value(0)),
                     2);
    }
    return {parser.isSet(start), length};
}
