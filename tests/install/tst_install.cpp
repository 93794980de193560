// Installs the build into a temporary DESTDIR under the /usr prefix, as a
// package build does, and checks what a desktop finds there.

#include "main_window/app_icon.h"

#include <QFileInfo>
#include <QImage>
#include <QProcess>
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
    void iconIsTheWindowIconAtEverySize_data();
    void iconIsTheWindowIconAtEverySize();

private:
    QTemporaryDir m_destDir;
    QString m_usr;
};

void TestInstall::initTestCase()
{
    QProcess install;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DESTDIR"), m_destDir.path());
    install.setProcessEnvironment(env);
    install.setProcessChannelMode(QProcess::ForwardedChannels);
    install.start(QStringLiteral(CMAKE_COMMAND), {QStringLiteral("--install"), QStringLiteral(BUILD_DIR),
                                                  QStringLiteral("--prefix"), QStringLiteral("/usr")});
    QVERIFY(install.waitForFinished(Patience));
    QCOMPARE(install.exitCode(), 0);
    m_usr = m_destDir.filePath(QStringLiteral("usr"));
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
