#include "settings/settings_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

const QStringList Addresses = {
    QStringLiteral("http://www.site.example/admin/login.asp"),
    QStringLiteral("http://www.site.example/admin/collect.asp"),
    QStringLiteral("http://www.site.example/admin/makehtml.asp"),
    QStringLiteral("http://www.site.example/admin/index.asp"),
};

const QByteArray AddressesBytes =
    "http://www.site.example/admin/login.asp\r\n"
    "http://www.site.example/admin/collect.asp\r\n"
    "http://www.site.example/admin/makehtml.asp\r\n"
    "http://www.site.example/admin/index.asp\r\n";

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
}

}

class TestSettingsFile : public QObject {
    Q_OBJECT
private slots:
    void init();

    void defaultPathIsInCurrentDirectory();

    void firstSaveWritesFourCrLfLines();
    void saveAfterStrayOrTornLinesIsLoadedNextStart_data();
    void saveAfterStrayOrTornLinesIsLoadedNextStart();
    void textIsWrittenAsGb_data();
    void textIsWrittenAsGb();
    void addressesAreNotTrimmed();

    void loadsLastCompleteRecord_data();
    void loadsLastCompleteRecord();
    void acceptsEveryLineEnd_data();
    void acceptsEveryLineEnd();
    void shortFileGivesLinesPresent_data();
    void shortFileGivesLinesPresent();
    void unreadableGivesNothing();

    void unwritableLocationGivesReason_data();
    void unwritableLocationGivesReason();
    void failedFlushGivesReason();
    void malformedRecordIsRefused_data();
    void malformedRecordIsRefused();

private:
    QString path() const { return m_dir->filePath(QStringLiteral("123.txt")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSettingsFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSettingsFile::defaultPathIsInCurrentDirectory()
{
    QCOMPARE(SettingsFile::defaultPath(), QStringLiteral("123.txt"));

    // A relative name follows the working directory the tool is started in.
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    const QString reason = SettingsFile::appendRecord(SettingsFile::defaultPath(), Addresses);
    const QStringList loaded = SettingsFile::loadLastRecord(SettingsFile::defaultPath());
    QVERIFY(QDir::setCurrent(previous));

    QCOMPARE(reason, QString());
    QCOMPARE(loaded, Addresses);
    QCOMPARE(readBytes(path()), AddressesBytes);
}

void TestSettingsFile::firstSaveWritesFourCrLfLines()
{
    QVERIFY(!QFile::exists(path()));
    QCOMPARE(SettingsFile::appendRecord(path(), Addresses), QString());
    QCOMPARE(readBytes(path()), AddressesBytes);
    QCOMPARE(SettingsFile::loadLastRecord(path()), Addresses);
}

void TestSettingsFile::saveAfterStrayOrTornLinesIsLoadedNextStart_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("padding");

    QTest::newRow("after a saved record") << AddressesBytes << QByteArray();
    QTest::newRow("after an editor's stray empty line") << AddressesBytes + "\r\n" << QByteArray("\r\n\r\n\r\n");
    QTest::newRow("after a torn record") << QByteArray("a\r\nb\r\n") << QByteArray("\r\n\r\n");
    QTest::newRow("no line end after the last line") << QByteArray("a\r\nb\r\nc\r\nd") << QByteArray("\r\n");
    QTest::newRow("LF only, torn") << QByteArray("a\nb\nc\nd\ne\n") << QByteArray("\r\n\r\n\r\n");
    QTest::newRow("foreign bytes") << QByteArray("\xFF\x00 keep\n", 8) << QByteArray("\r\n\r\n\r\n");
}

void TestSettingsFile::saveAfterStrayOrTornLinesIsLoadedNextStart()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, padding);
    QVERIFY(writeBytes(path(), before));

    const QStringList second = {QStringLiteral("l2"), QStringLiteral("c2"),
                                QStringLiteral("g2"), QStringLiteral("h2")};
    QCOMPARE(SettingsFile::appendRecord(path(), second), QString());

    // What was there stays byte for byte; the new record starts on a record
    // boundary, so the next start loads it.
    QCOMPARE(readBytes(path()), before + padding + "l2\r\nc2\r\ng2\r\nh2\r\n");
    QCOMPARE(SettingsFile::loadLastRecord(path()), second);
}

void TestSettingsFile::textIsWrittenAsGb_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("GB2312 characters")
        << QStringLiteral("http://网站.example/中文/") << QByteArray("http://\xCD\xF8\xD5\xBE.example/\xD6\xD0\xCE\xC4/");
    QTest::newRow("euro sign, outside GB2312") << QStringLiteral("€") << QByteArray("\xA2\xE3");
    QTest::newRow("copyright sign, four bytes") << QStringLiteral("©") << QByteArray("\x81\x30\x84\x38");
    QTest::newRow("outside the basic plane") << QStringLiteral("a😀b") << QByteArray("a\x94\x39\xFC\x36" "b");
}

void TestSettingsFile::textIsWrittenAsGb()
{
    QFETCH(QString, address);
    QFETCH(QByteArray, bytes);

    const QStringList record = {address, QStringLiteral("b"), QStringLiteral("c"), address};
    QCOMPARE(SettingsFile::appendRecord(path(), record), QString());
    QCOMPARE(readBytes(path()), bytes + "\r\nb\r\nc\r\n" + bytes + "\r\n");
    QCOMPARE(SettingsFile::loadLastRecord(path()), record);
}

void TestSettingsFile::addressesAreNotTrimmed()
{
    const QStringList record = {QStringLiteral(" "), QStringLiteral("  b "),
                                QStringLiteral("\tc"), QStringLiteral("d\t")};
    QCOMPARE(SettingsFile::appendRecord(path(), record), QString());
    QCOMPARE(readBytes(path()), QByteArray(" \r\n  b \r\n\tc\r\nd\t\r\n"));
    QCOMPARE(SettingsFile::loadLastRecord(path()), record);
}

void TestSettingsFile::loadsLastCompleteRecord_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");

    const QStringList second = {"l2", "c2", "g2", "h2"};
    const QByteArray first = "l1\r\nc1\r\ng1\r\nh1\r\n";
    const QByteArray two = first + "l2\r\nc2\r\ng2\r\nh2\r\n";

    QTest::newRow("two records") << two << second;
    QTest::newRow("three records") << two + "l3\r\nc3\r\ng3\r\nh3\r\n"
                                   << QStringList{"l3", "c3", "g3", "h3"};
    QTest::newRow("one extra line") << two + "x\r\n" << second;
    QTest::newRow("two extra lines") << two + "x\r\ny\r\n" << second;
    QTest::newRow("three extra lines") << two + "x\r\ny\r\nz" << second;
    QTest::newRow("an extra empty line") << two + "\r\n" << second;
    QTest::newRow("empty lines are values") << first + "a\r\n\r\n\r\nd\r\n"
                                            << QStringList{"a", "", "", "d"};
    QTest::newRow("a record of empty lines") << first + "\r\n\r\n\r\n\r\n"
                                             << QStringList{"", "", "", ""};
}

void TestSettingsFile::loadsLastCompleteRecord()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);

    QVERIFY(writeBytes(path(), bytes));
    QCOMPARE(SettingsFile::loadLastRecord(path()), expected);
}

void TestSettingsFile::acceptsEveryLineEnd_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");

    const QStringList abcd = {"a", "b", "c", "d"};
    QTest::newRow("LF") << QByteArray("a\nb\nc\nd\n") << abcd;
    QTest::newRow("CR") << QByteArray("a\rb\rc\rd\r") << abcd;
    QTest::newRow("mixed") << QByteArray("a\rb\nc\r\nd\r") << abcd;
    QTest::newRow("CRLF, last line unended") << QByteArray("a\r\nb\r\nc\r\nd") << abcd;
    QTest::newRow("LF, last line unended") << QByteArray("a\nb\nc\nd") << abcd;
    QTest::newRow("CR, last line unended") << QByteArray("a\rb\rc\rdd d") << QStringList{"a", "b", "c", "dd d"};
    QTest::newRow("LF CR is two line ends") << QByteArray("a\n\rc\nd\n") << QStringList{"a", "", "c", "d"};
    QTest::newRow("CR CR LF is two line ends") << QByteArray("a\r\r\nc\nd") << QStringList{"a", "", "c", "d"};
    QTest::newRow("GB text, LF") << QByteArray("\xD6\xD0\nb\nc\n\xCE\xC4\n")
                                 << QStringList{QStringLiteral("中"), "b", "c", QStringLiteral("文")};
}

void TestSettingsFile::acceptsEveryLineEnd()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);

    QVERIFY(writeBytes(path(), bytes));
    QCOMPARE(SettingsFile::loadLastRecord(path()), expected);
}

void TestSettingsFile::shortFileGivesLinesPresent_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("empty") << QByteArray() << QStringList();
    QTest::newRow("one line") << QByteArray("a\r\n") << QStringList{"a"};
    QTest::newRow("one line, unended") << QByteArray("a") << QStringList{"a"};
    QTest::newRow("one empty line") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("two lines") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("three lines") << QByteArray("a\r\nb\r\nc\r\n") << QStringList{"a", "b", "c"};
    QTest::newRow("three lines, one empty") << QByteArray("a\r\n\r\nc") << QStringList{"a", "", "c"};
}

void TestSettingsFile::shortFileGivesLinesPresent()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);

    QVERIFY(writeBytes(path(), bytes));
    QCOMPARE(SettingsFile::loadLastRecord(path()), expected);
}

void TestSettingsFile::unreadableGivesNothing()
{
    QCOMPARE(SettingsFile::loadLastRecord(path()), QStringList());
    QVERIFY(!QFile::exists(path()));

    // A directory by the file's name cannot be read as the file.
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("123.txt")));
    QCOMPARE(SettingsFile::loadLastRecord(path()), QStringList());
}

void TestSettingsFile::unwritableLocationGivesReason_data()
{
    QTest::addColumn<QString>("target");

    QTest::newRow("parent does not exist") << QStringLiteral("missing/123.txt");
    QTest::newRow("parent is a file") << QStringLiteral("plain/123.txt");
    QTest::newRow("target is a directory") << QStringLiteral("folder");
}

void TestSettingsFile::unwritableLocationGivesReason()
{
    QFETCH(QString, target);

    // Tests run as root, which writes through file modes; these locations
    // stay unwritable for root too.
    const QByteArray plainBytes = "not a directory\n";
    QVERIFY(writeBytes(m_dir->filePath(QStringLiteral("plain")), plainBytes));
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("folder")));
    const QStringList before = QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

    const QString reason = SettingsFile::appendRecord(m_dir->filePath(target), Addresses);
    QVERIFY2(!reason.trimmed().isEmpty(), "a failed save must say why");

    // Nothing was created or changed.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
    QCOMPARE(readBytes(m_dir->filePath(QStringLiteral("plain"))), plainBytes);
    QVERIFY(QDir(m_dir->filePath(QStringLiteral("folder"))).isEmpty());
}

void TestSettingsFile::failedFlushGivesReason()
{
    // /dev/full accepts the open and refuses every byte: the failure only
    // shows when the buffered record is written out.
    if (!QFileInfo::exists(QStringLiteral("/dev/full")))
        QSKIP("this system has no /dev/full");
    const QString reason = SettingsFile::appendRecord(QStringLiteral("/dev/full"), Addresses);
    QVERIFY2(!reason.trimmed().isEmpty(), "a failed save must say why");
}

void TestSettingsFile::malformedRecordIsRefused_data()
{
    QTest::addColumn<QStringList>("record");

    QTest::newRow("no addresses") << QStringList();
    QTest::newRow("three addresses") << QStringList{"a", "b", "c"};
    QTest::newRow("five addresses") << QStringList{"a", "b", "c", "d", "e"};
    QTest::newRow("LF inside an address") << QStringList{"a", "b\nx", "c", "d"};
    QTest::newRow("CR inside an address") << QStringList{"a", "b", "c", "d\r"};
}

void TestSettingsFile::malformedRecordIsRefused()
{
    QFETCH(QStringList, record);

    // Such a record would shift every later one by its line count.
    QVERIFY(!SettingsFile::appendRecord(path(), record).isEmpty());
    QVERIFY(!QFile::exists(path()));

    QVERIFY(writeBytes(path(), AddressesBytes));
    QVERIFY(!SettingsFile::appendRecord(path(), record).isEmpty());
    QCOMPARE(readBytes(path()), AddressesBytes);
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settings_file.moc"
