// Installs the build under a temporary prefix, as `cmake --install --prefix`
// and a package build do, and checks what a desktop, systemd and a person
// reading --help find there.

#include "main_window/app_icon.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int Patience = 120000; // ms; only ever a limit, never a measurement

} // namespace

class TestInstall : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void menuEntryIsValidAndStartsTheInstalledProgram();
    void systemdUnitStartsTheInstalledProgram();
    void helpWithoutADisplayNamesTheInstalledGuideWithItsPictures();
    void iconIsTheWindowIconAtEverySize_data();
    void iconIsTheWindowIconAtEverySize();

private:
    QTemporaryDir m_prefix;
    QString m_usr;
};

void TestInstall::initTestCase()
{
    m_usr = m_prefix.filePath(QStringLiteral("usr"));
    QProcess install;
    install.setProcessChannelMode(QProcess::ForwardedChannels);
    install.start(QStringLiteral(CMAKE_COMMAND), {QStringLiteral("--install"), QStringLiteral(BUILD_DIR),
                                                  QStringLiteral("--prefix"), m_usr});
    QVERIFY(install.waitForFinished(Patience));
    QCOMPARE(install.exitCode(), 0);
}

void TestInstall::menuEntryIsValidAndStartsTheInstalledProgram()
{
    const QString entry = m_usr + QStringLiteral("/share/applications/orvo-collector.desktop");
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(QStringLiteral("desktop-file-validate"), {entry});
    QVERIFY(validate.waitForFinished(Patience));
    QVERIFY2(validate.exitCode() == 0, validate.readAll().constData());

    // The menu runs Exec through PATH, and finds Icon in the icon theme.
    const QSettings keys(entry, QSettings::IniFormat);
    const QString exec = keys.value(QStringLiteral("Desktop Entry/Exec")).toString();
    QVERIFY(QFileInfo(m_usr + QStringLiteral("/bin/") + exec).isExecutable());
    const QString icon = keys.value(QStringLiteral("Desktop Entry/Icon")).toString();
    QVERIFY(QFileInfo::exists(m_usr + QStringLiteral("/share/icons/hicolor/48x48/apps/%1.png").arg(icon)));
}

void TestInstall::systemdUnitStartsTheInstalledProgram()
{
    const QString unit = m_usr + QStringLiteral("/lib/systemd/user/orvo-collector@.service");
    QProcess verify;
    QTemporaryDir runtime; // a user manager's, which systemd-analyze --user needs
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    verify.setProcessEnvironment(env);
    verify.setProcessChannelMode(QProcess::MergedChannels);
    verify.start(QStringLiteral("systemd-analyze"), {QStringLiteral("--user"), QStringLiteral("verify"), unit});
    QVERIFY(verify.waitForFinished(Patience));
    const QString said = QString::fromUtf8(verify.readAll());
    QVERIFY2(verify.exitCode() == 0 && said.isEmpty(), qPrintable(said));
    // Not merely some program of that name: the one installed with it.
    const QSettings keys(unit, QSettings::IniFormat);
    QCOMPARE(keys.value(QStringLiteral("Service/ExecStart")).toString(),
             m_usr + QStringLiteral("/bin/orvo-collector --start"));
}

void TestInstall::helpWithoutADisplayNamesTheInstalledGuideWithItsPictures()
{
    QProcess help;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *display : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QString::fromLatin1(display));
    help.setProcessEnvironment(env);
    help.start(m_usr + QStringLiteral("/bin/orvo-collector"), {QStringLiteral("--help")});
    QVERIFY(help.waitForFinished(Patience));
    QCOMPARE(help.exitCode(), 0);
    const QString guide = QRegularExpression(QStringLiteral("使用说明：(.*)\\n"))
                              .match(QString::fromUtf8(help.readAllStandardOutput())).captured(1);
    QFile text(guide);
    QVERIFY2(text.open(QIODevice::ReadOnly), qPrintable(guide));
    QVERIFY(QFileInfo(guide).canonicalFilePath().startsWith(QFileInfo(m_usr).canonicalFilePath() + "/share/doc/"));
    auto pictures = QRegularExpression(QStringLiteral("\\]\\((pictures/[^)]+)\\)")).globalMatch(QString::fromUtf8(text.readAll()));
    QVERIFY(pictures.hasNext());
    while (pictures.hasNext()) {
        const QString path = QFileInfo(guide).dir().filePath(pictures.next().captured(1));
        QVERIFY2(!QImage(path).isNull(), qPrintable(path));
    }
}

void TestInstall::iconIsTheWindowIconAtEverySize_data()
{
    QTest::addColumn<int>("size");
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        QTest::addRow("%dx%d", size, size) << size;
}

void TestInstall::iconIsTheWindowIconAtEverySize()
{
    QFETCH(int, size);
    const QImage installed(m_usr + QStringLiteral("/share/icons/hicolor/%1x%1/apps/orvo-collector.png").arg(size));
    QCOMPARE(installed.size(), QSize(size, size));
    // Where the window icon has a picture of that size, the same pixels.
    const QImage window = appIcon().pixmap(size).toImage();
    if (window.size() == installed.size())
        QCOMPARE(installed.convertToFormat(QImage::Format_ARGB32), window.convertToFormat(QImage::Format_ARGB32));
}

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
