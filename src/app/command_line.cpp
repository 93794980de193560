#include "command_line.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace {

QString usage(const QString &program)
{
    return QStringLiteral(
               "用法：%1 [--start]\n"
               "\n"
               "OrvoCMS 全自动挂机采集工具。地址取自当前文件夹中的 123.txt。\n"
               "\n"
               "选项：\n"
               "  --start     窗口出现后立即开始自动挂机（123.txt 中须已保存四个地址）\n"
               "  -h, --help  显示本说明\n")
        .arg(program);
}

[[noreturn]] void printAndExit(FILE *stream, const QString &text, int status)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::exit(status);
}

} // namespace

bool startRequested(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption start(QStringLiteral("start"));
    parser.addOptions({help, start});
    const QString program = QFileInfo(arguments.value(0)).fileName();

    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        printAndExit(stderr, QStringLiteral("命令行参数有误：%1\n\n").arg(arguments.mid(1).join(QLatin1Char(' '))) + usage(program),
                     2);
    }
    if (parser.isSet(help))
        printAndExit(stdout, usage(program), 0);
    return parser.isSet(start);
}
