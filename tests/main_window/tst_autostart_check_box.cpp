// The check box "登录系统后自动开始挂机", clicked as a person would, against
// the autostart entries it leaves on disk.

#include "virtual_window.h"

#include <QCheckBox>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList entries(const QString &directory)
{
    return QDir(directory).entryList({QStringLiteral("*.desktop")}, QDir::Files);
}

// The value of `key` in an entry, as written in the file.
QString valueOf(const QString &entryPath, const QString &key)
{
    QFile file(entryPath);
    file.open(QIODevice::ReadOnly);
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(key + QLatin1Char('=')))
            return line.mid(key.size() + 1);
    }
    return {};
}

} // namespace

class TestAutostartCheckBox : public QObject {
    Q_OBJECT
private slots:
    void entryStartsTheToolInItsOwnFolder_data();
    void entryStartsTheToolInItsOwnFolder();
};

void TestAutostartCheckBox::entryStartsTheToolInItsOwnFolder_data()
{
    QTest::addColumn<QString>("folderName");
    QTest::addColumn<QString>("pathValue"); // the folder's name as the Path key holds it
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("execValue");
    QTest::newRow("spaces and Chinese") << "采集 站点 一" << "采集 站点 一" << "/opt/奥沃 工具/orvo-collector"
                                        << "\"/opt/奥沃 工具/orvo-collector\" --start";
    // Inside quotes ", `, $ and \ take a backslash, then every backslash is
    // doubled as in any value; % is doubled to stay out of field codes.
    QTest::newRow("reserved characters") << "站点\\备份 $1" << "站点\\\\备份 $1" << "/opt/a\"b`c$d\\e%f/orvo-collector"
                                         << "\"/opt/a\\\\\"b\\\\`c\\\\$d\\\\\\\\e%%f/orvo-collector\" --start";
}

void TestAutostartCheckBox::entryStartsTheToolInItsOwnFolder()
{
    QFETCH(QString, folderName);
    QFETCH(QString, pathValue);
    QFETCH(QString, program);
    QFETCH(QString, execValue);
    QTemporaryDir root;
    const AutostartPlaces places{root.filePath(QStringLiteral("autostart")), program};
    const QString folder = root.filePath(folderName);
    const QString otherFolder = root.filePath(QStringLiteral("其他站点"));
    QVERIFY(QDir().mkpath(folder) && QDir().mkpath(otherFolder));
    const auto autostartBox = [](const VirtualWindow &window) { return window.mainWindow.findChild<QCheckBox *>("autostartBox"); };
    // First-run windows, their address panels open.
    VirtualWindow here(folder + QStringLiteral("/123.txt"), places);
    VirtualWindow other(otherFolder + QStringLiteral("/123.txt"), places);
    QVERIFY(!autostartBox(here)->isChecked());

    QTest::mouseClick(autostartBox(here), Qt::LeftButton);
    QVERIFY(autostartBox(here)->isChecked());
    QCOMPARE(entries(places.directory).size(), 1);
    const QString entry = places.directory + QLatin1Char('/') + entries(places.directory).first();
    QCOMPARE(valueOf(entry, QStringLiteral("Exec")), execValue);
    QCOMPARE(valueOf(entry, QStringLiteral("Path")), root.path() + QLatin1Char('/') + pathValue);
    QProcess validate;
    validate.start(QStringLiteral("desktop-file-validate"), {entry});
    QVERIFY(validate.waitForFinished(60000));
    QVERIFY2(validate.exitCode() == 0, validate.readAllStandardOutput().constData());

    // A second folder gets an entry of its own; each box shows its own.
    QTest::mouseClick(autostartBox(other), Qt::LeftButton);
    QCOMPARE(entries(places.directory).size(), 2);
    QVERIFY(autostartBox(VirtualWindow(folder + QStringLiteral("/123.txt"), places))->isChecked());

    QTest::mouseClick(autostartBox(here), Qt::LeftButton);
    QVERIFY(!autostartBox(here)->isChecked());
    QVERIFY(!autostartBox(VirtualWindow(folder + QStringLiteral("/123.txt"), places))->isChecked());
    QCOMPARE(entries(places.directory).size(), 1);
    QCOMPARE(valueOf(places.directory + QLatin1Char('/') + entries(places.directory).first(), QStringLiteral("Path")),
             otherFolder);
}

QTEST_MAIN(TestAutostartCheckBox)
#include "tst_autostart_check_box.moc"
