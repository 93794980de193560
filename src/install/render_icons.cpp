// Build-time tool: draws the window icon as PNG files for the icon theme.
// Usage: render-icons OUTPUT_DIR SIZE... writes OUTPUT_DIR/SIZE/orvo-collector.png.

#include "main_window/app_icon.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3) {
        std::fputs("usage: render-icons OUTPUT_DIR SIZE...\n", stderr);
        return 2;
    }
    for (const QString &size : args.mid(2)) {
        const QString folder = args[1] + QLatin1Char('/') + size;
        if (!QDir().mkpath(folder) || !appIconPixmap(size.toInt()).save(folder + QStringLiteral("/orvo-collector.png"))) {
            std::fprintf(stderr, "render-icons: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
