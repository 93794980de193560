// The window as a person meets it, over a browser that loads nothing and
// message boxes the test answers: the settings file on disk, the buttons, the
// cycle length box, closing, the tray, the autostart entry.

#include "automation/cycle/cycle_clock.h"
#include "automation/cycle/stage_machine.h"
#include "base/run_journal.h"
#include "fake_browser.h"
#include "fake_cms.h"
#include "fake_desktop.h"
#include "fake_tray_icon.h"
#include "main_window/app_icon.h"
#include "main_window/main_window.h"
#include "main_window/notify_dialog.h"
#include "main_window/site_list_panel.h"
#include "base/qt_desktop.h"
#include "main_window/system_tray_icon.h"
#include "settings/keyring.h"
#include "settings/login_keeper.h"
#include "settings/notify_settings.h"
#include "set_on_virtual_time.h"
#include "site_run/site_face.h"
#include "site_run/site_run.h"
#include "text_file.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

namespace {

const QStringList Saved{"http://cms/登陆", "http://cms/collect", "http://cms/generate", "http://cms/home"};
const QByteArray SavedBytes =
    "http://cms/\xB5\xC7\xC2\xBD\r\nhttp://cms/collect\r\nhttp://cms/generate\r\nhttp://cms/home\r\n";

// A folder of its own with a settings file of `bytes` in it; none for null bytes.
struct Settings {
    explicit Settings(const QByteArray &bytes = SavedBytes)
    {
        if (!bytes.isNull())
            writeFile(path, bytes);
    }
    QTemporaryDir folder;
    const QString path = folder.filePath("123.txt");
};

// The whole window on virtual time, showing the site's run built as the
// tool builds it, over a browser that loads nothing and message boxes the
// test answers, shown.
struct Window {
    explicit Window(const QString &settings, const AutostartPlaces &places = AutostartPlaces::forThisUser())
        : run(browser, clock, keyring, network, settings), mainWindow(QFileInfo(settings).absolutePath(), run.face(), nullptr, desktop, tray, places)
    {
        mainWindow.show();
        // What is remembered decides whether a lost login is told at once.
        if (!QTest::qWaitFor([this] { return run.logins().isLoaded(); }, 60000))
            qFatal("the remembered login was never read");
    }

    template <typename T = QPushButton> T *find(const char *name) const { return mainWindow.findChild<T *>(name); }
    // Top to bottom: login, collection, generation, home page.
    QList<QLineEdit *> addressFields() const { return find<QGroupBox>("addressPanel")->findChildren<QLineEdit *>(); }
    QStringList fields() const { QStringList texts; for (auto *field : addressFields()) texts << field->text(); return texts; }
    bool firstRun() const { return find<QWidget>("addressPanel")->isVisible() && !find("loginButton")->isEnabled() && !find("startButton")->isEnabled(); }
    void save(const QStringList &addresses)
    {
        QTest::mouseClick(find("addressSettingsButton"), Qt::LeftButton);
        QApplication::clipboard()->setText(addresses[0]);
        const QList<QLineEdit *> fields = addressFields();
        fields[0]->clear();
        fields[0]->paste();
        for (int i = 1; i < 4; ++i)
            fields[i]->setText(addresses[i]);
        QTest::mouseClick(find("saveButton"), Qt::LeftButton);
    }
    // Typed over the length box's text into the box with the focus, as a person does.
    void typeLength(const QString &keys)
    {
        QApplication::setActiveWindow(&mainWindow);
        find<QComboBox>("cycleLengthBox")->setFocus();
        find<QComboBox>("cycleLengthBox")->lineEdit()->selectAll();
        QTest::keyClicks(find<QComboBox>("cycleLengthBox")->lineEdit(), keys);
    }

    VirtualClock clock;
    FakeBrowser browser{clock};
    FakeDesktop desktop;
    FakeTrayIcon tray;
    QNetworkAccessManager network;
    Keyring keyring{clock};
    SiteRun run;
    MainWindow mainWindow;
};

// The journal's lines without their time stamps.
QStringList events(const QString &path)
{
    QStringList lines;
    for (const QString &line : QString::fromUtf8(fileBytes(path)).split('\n', Qt::SkipEmptyParts))
        lines << line.section(' ', 2);
    return lines;
}

QStringList entries(const QString &directory)
{
    return QDir(directory).entryList({QStringLiteral("*.desktop")}, QDir::Files);
}

// The value of `key` in an entry, as written in the file.
QString valueOf(const QString &entryPath, const QString &key)
{
    const QRegularExpression line('^' + key + "=(.*)$", QRegularExpression::MultilineOption);
    return line.match(QString::fromUtf8(fileBytes(entryPath))).captured(1);
}

} // namespace

class TestWindow : public QObject {
    Q_OBJECT
private slots:
    void theReportTimeChosenInNotifySettingsIsKept();
    void startShowsTheLastWholeRecordAndSaveAppendsAWholeOne_data();
    void startShowsTheLastWholeRecordAndSaveAppendsAWholeOne();
    void saveRefusedSaysWhyAndKeepsTheAddresses();
    void startOptionWithoutAddressesSaysWhyNothingRuns();
    void fullJournalWhoseOlderCopyStaysStartsAfresh();
    void unattendedRunIsToldInTheJournalTheTrayAndTheRedLine();
    void typedLengthCountsOnlyOnceConfirmedAndInRange_data();
    void typedLengthCountsOnlyOnceConfirmedAndInRange();
    void wordsAfterTheGapClearTheLengthBox();
    void restartByTheClockLeavesTheKeyboardWithTheTypist();
    void everyCloseAsksAndOnlyOkQuits();
    void windowMinimisedIntoTheTrayComesBackMaximised();
    void trayIconHasAPictureAndItsExitEntryAsksToQuit();
    void boxesShowOutsideTextAsItIsAndEscapeCancels();
    void aLoginThatWorkedIsRememberedOnlyOnEnterAndForgottenOnRequest();
    void aSetsCommandsReachOnlyTheSelectedSiteAndRowsShowTheirOwnTrouble();
    void entryStartsTheToolInItsOwnFolder_data();
    void entryStartsTheToolInItsOwnFolder();
};

void TestWindow::startShowsTheLastWholeRecordAndSaveAppendsAWholeOne_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<bool>("firstRun"); // the address panel shown, 1 and 2 disabled
    QTest::addColumn<QString>("login"); // pasted, then saved with the other three
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("no file; pasted line breaks stay out of the address")
        << QByteArray() << QStringList{"", "", "", ""} << true << "http://cms/\r\n登陆\n" << SavedBytes;
    QTest::newRow("a whole record, which stays") << SavedBytes << Saved << false << Saved[0] << SavedBytes + SavedBytes;
    QTest::newRow("a torn record without its last line end: made whole first")
        << QByteArray("a\r\nb\r\nc") << QStringList{"a", "b", "c", ""} << true << Saved[0]
        << "a\r\nb\r\nc\r\n\r\n" + SavedBytes;
    const QByteArray mixed = "l1\r\nc1\r\ng1\r\nh1\r\n\xB5\xC7\xC2\xBD\nc2\rg2\r\nh2\r\nx\r\n";
    QTest::newRow("GB text, every line end, a torn record after the last whole one")
        << mixed << QStringList{"登陆", "c2", "g2", "h2"} << false << Saved[0] << mixed + "\r\n\r\n\r\n" + SavedBytes;
    // A hand edit's blank line shifts none of the records after it.
    const QByteArray blank = "l1\r\nc1\r\ng1\r\nh1\r\n\r\nl2\r\nc2\r\ng2\r\nh2\r\nl3\r\nc3\r\ng3\r\nh3\r\n";
    QTest::newRow("a blank line after the first of three records")
        << blank << QStringList{"l3", "c3", "g3", "h3"} << false << Saved[0] << blank + "\r\n\r\n\r\n" + SavedBytes;
    const QByteArray torn = "l1\r\nc1\r\ng1\r\nh1\r\n\r\nl2\r\nc2\r\ng2\r\n";
    QTest::newRow("a blank line, then a torn record: a record of blank lines before the new one")
        << torn << QStringList{"l1", "c1", "g1", "h1"} << false << Saved[0] << torn + "\r\n\r\n\r\n\r\n" + SavedBytes;
}

void TestWindow::startShowsTheLastWholeRecordAndSaveAppendsAWholeOne()
{
    QFETCH(QByteArray, before);
    QFETCH(QStringList, shown);
    QFETCH(bool, firstRun);
    QFETCH(QString, login);
    QFETCH(QByteArray, after);
    Settings settings(before);
    {
        Window window(settings.path);
        QCOMPARE(window.fields(), shown);
        QCOMPARE(window.firstRun(), firstRun);
        window.save({login, Saved[1], Saved[2], Saved[3]});
    }
    QCOMPARE(fileBytes(settings.path), after);
    QCOMPARE(Window(settings.path).fields(), Saved);
}

void TestWindow::saveRefusedSaysWhyAndKeepsTheAddresses()
{
    Settings settings;
    Window window(settings.path);
    QVERIFY(QFile::remove(settings.path) && QFile::link("/dev/full", settings.path));
    window.save(Saved);
    QCOMPARE(window.desktop.boxes.size(), 1);
    const QString message = window.desktop.boxes[0].text;
    QVERIFY2(message.contains("123.txt") && message.contains("没有保存"), qPrintable(message));
    QCOMPARE(window.fields(), Saved);
    QVERIFY(window.find("startButton")->isEnabled());
}

// The robot hears why, and never that it started.
void TestWindow::theReportTimeChosenInNotifySettingsIsKept()
{
    Settings settings;
    Window window(settings.path);
    const QString path = NotifySettings::pathBeside(settings.path);
    for (const QString &choice : {"不发送", "07:00", "08:00"}) {
        NotifyDialog dialog(path, window.run.notifier(), "cms");
        dialog.findChild<QComboBox *>("reportAtBox")->setCurrentText(choice);
        const QList<QPushButton *> buttons = dialog.findChildren<QPushButton *>();
        QTest::mouseClick(*std::find_if(buttons.cbegin(), buttons.cend(), [](auto *b) { return b->text() == "保存"; }), Qt::LeftButton);
        QStringList problems;
        const std::optional<QTime> at = NotifySettings::load(path, &problems).reportAt;
        QCOMPARE(at ? at->toString("HH:mm") : "不发送", choice);
    }
}

void TestWindow::startOptionWithoutAddressesSaysWhyNothingRuns()
{
    Settings none(QByteArray{});
    FakeCms robot;
    QVERIFY(robot.listen());
    const NotifySettings notify{robot.url(FakeCms::Robot), FakeCms::RobotSecret, RobotKind::DingTalk, {}};
    QVERIFY(notify.save(NotifySettings::pathBeside(none.path)).isEmpty());
    Window window(none.path);
    window.mainWindow.pressStartOnceShown();
    QTRY_VERIFY(window.find<QLabel>("statusLine")->text().contains("无法自动开始挂机"));
    QVERIFY(window.firstRun() && window.browser.calls.isEmpty());
    QTRY_COMPARE(robot.requests().size(), 1);
    QVERIFY(robot.requests()[0].body.contains("无法开始自动挂机：文件夹里没有 123.txt"));
}

// A journal that cannot be renamed at its limit must not grow without bound.
void TestWindow::fullJournalWhoseOlderCopyStaysStartsAfresh()
{
    Settings settings;
    const QString journal = RunJournal::pathBeside(settings.path);
    QVERIFY(writeFile(journal, QByteArray(RunJournal::MaxBytes - 10, 'x')) && QDir().mkpath(journal + ".1/kept"));
    Window window(settings.path);
    QVERIFY(!fileBytes(journal).contains('x') && fileBytes(journal).endsWith(" 第0轮 启动\n"));
}

// --start with nobody at the window, in the tray, the length set to 2. The
// first collection page has no button (the sign), the second has; the site
// then fails twice (an outage) and redirects to its login (the sign again).
// Only "1" of the buttons that disturb a cycle is usable: it stops the cycle,
// which waits for "2" and reminds of it after 10 minutes. The sign and the
// outage reach the tray and take turns with the countdown on the red line;
// the journal, whose full file is first renamed, tells it all, with each
// signed message the group robot took. A whole cycle opens the heartbeat.
void TestWindow::unattendedRunIsToldInTheJournalTheTrayAndTheRedLine()
{
    Settings settings;
    const QString journal = RunJournal::pathBeside(settings.path);
    const QByteArray full(RunJournal::MaxBytes - 10, 'x');
    QVERIFY(writeFile(journal, full));
    FakeCms robot; // its group robot and heartbeat address
    QVERIFY(robot.listen());
    const NotifySettings notify{robot.url(FakeCms::Robot), FakeCms::RobotSecret, RobotKind::DingTalk, robot.url(FakeCms::Heartbeat)};
    QVERIFY(notify.save(NotifySettings::pathBeside(settings.path)).isEmpty());
    Window window(settings.path);
    window.browser.setLoadDelay(100);
    window.browser.collectionButtons = 0;
    window.typeLength("2\r");
    window.mainWindow.showMinimized();
    QTRY_VERIFY(window.mainWindow.isHidden());
    window.mainWindow.pressStartOnceShown();
    QTRY_COMPARE(window.browser.calls.value(0).what, "http://cms/collect");
    QTRY_VERIFY(window.network.findChildren<QNetworkReply *>().isEmpty()); // the robot told of the start
    QVERIFY(window.find<QWidget>("startPanel")->isHidden());
    QVERIFY(!window.find("startButton")->isEnabled() && !window.find("addressSettingsButton")->isEnabled());
    QVERIFY(window.find("loginButton")->isEnabled());
    QStringList lines;
    const auto wait = [&](int seconds) {
        for (int second = 0; second < seconds; ++second) {
            window.clock.advance(1000);
            lines << window.find<QLabel>("statusLine")->text();
            QTRY_VERIFY(window.network.findChildren<QNetworkReply *>().isEmpty()); // a message sent in its second
        }
    };
    wait(1);
    window.browser.collectionButtons = 1;
    emit window.browser.certificatesNotKept({CertificatesNotKept::Unsaved, "/data/accepted", "No space left on device"});
    wait(281);
    QCOMPARE(robot.log().count("GET /heartbeat"), 1); // the second cycle's
    // A file to mend takes every other second of the countdown while the site is well.
    QCOMPARE(lines.count("无法保存已接受的证书：/data/accepted：No space left on device"), 40);
    wait(1);
    const QString said = QString("采集完成\n2026-12-07 00:00:00 第9轮 伪造") + QString(2000, u'长'); // a line forged, and long
    emit window.browser.pageDialogAnswered(PageDialog::Alert, said);
    const PageLoad refused{PageLoad::Failed, {LoadFailure::ConnectionRefused, "ERR_CONNECTION_REFUSED"}};
    window.browser.loads = {refused, refused, {PageLoad::Elsewhere, {}, "http://cms/login"}};
    wait(120);
    QCOMPARE(window.tray.messages, (QStringList{"未找到提交按钮，请重新登陆后台", "网站无法访问：连接被拒绝",
                                                "未找到提交按钮，请重新登陆后台"}));
    // The trouble takes every other second, not only the one it began in.
    QVERIFY(lines.count("网站无法访问：连接被拒绝") > 1 && lines.count("未找到提交按钮，请重新登陆后台") > 1);

    emit window.tray.restoreRequested();
    QTest::mouseClick(window.find("loginButton"), Qt::LeftButton);
    const int calls = window.browser.calls.size();
    QCOMPARE(window.find<QLabel>("statusLine")->text(), "已停止挂机：登陆后请按 2 开始");
    // A box asks on the red line, which says again what it said once answered.
    emit window.browser.personAwaited({PersonWait::SitePassword, "cms"});
    QCOMPARE(window.find<QLabel>("statusLine")->text(), "等待输入网站 cms 的用户名和密码");
    emit window.browser.personAwaited({});
    QCOMPARE(window.find<QLabel>("statusLine")->text(), "已停止挂机：登陆后请按 2 开始");
    QTRY_VERIFY(window.network.findChildren<QNetworkReply *>().isEmpty()); // the robot told of it
    QVERIFY(window.find("startButton")->isEnabled() && window.find("addressSettingsButton")->isEnabled());
    window.mainWindow.showMinimized();
    QTRY_VERIFY(window.mainWindow.isHidden());
    wait(10 * 60);
    QCOMPARE(window.browser.calls.size(), calls);
    QCOMPARE(window.tray.messages.last(), "已停止挂机10分钟：登陆后请按 2");
    QTest::mouseClick(window.find("startButton"), Qt::LeftButton);
    QCOMPARE(window.browser.calls.last().what, "http://cms/collect");
    QCOMPARE(fileBytes(journal + ".1"), full);
    const QString taken = R"(到 127.0.0.1，回答：{"errcode":0,"errmsg":"ok"})"; // the signature checked out
    QCOMPARE(events(journal), (QStringList{
        "第0轮 启动", "第1轮 打开采集页：http://cms/collect", "第1轮 开始自动挂机，采集间隔 2 分钟",
        "第1轮 通知已发送（started）" + taken,
        "第1轮 采集页载入成功", "第1轮 采集页：未按下提交按钮（找到 0 个 submit_button）",
        "第1轮 在采集页发现后台登录可能已失效，请重新登陆", "第1轮 通知已发送（login_lost）" + taken,
        "第1轮 无法保存已接受的证书：/data/accepted：No space left on device",
        "第1轮 打开信息页生成页：http://cms/generate", "第1轮 信息页生成页载入成功",
        "第1轮 信息页生成页：已按下提交按钮", "第1轮 打开首页生成页：http://cms/home",
        "第1轮 首页生成页载入成功", "第2轮 打开采集页：http://cms/collect",
        "第2轮 到达采集间隔，已重新开始采集", "第2轮 采集页载入成功",
        "第2轮 采集页：已按下提交按钮", "第2轮 采集页的提交按钮又按下了",
        "第2轮 通知已发送（recovered）" + taken, "第2轮 打开信息页生成页：http://cms/generate",
        "第2轮 信息页生成页载入成功", "第2轮 信息页生成页：已按下提交按钮",
        "第2轮 打开首页生成页：http://cms/home", "第2轮 首页生成页载入成功",
        "第2轮 " + ("网页对话框（alert）已自动应答：" + QString(said).replace(QChar(u'\n'), QChar(u' '))).left(2000) + "…（已截断）", "第3轮 打开采集页：http://cms/collect",
        "第3轮 到达采集间隔，已重新开始采集", "第3轮 采集页载入失败：连接被拒绝（ERR_CONNECTION_REFUSED）",
        "第3轮 采集页：未按下提交按钮（不在要打开的页面上）", "第3轮 打开信息页生成页：http://cms/generate",
        "第3轮 信息页生成页载入失败：连接被拒绝（ERR_CONNECTION_REFUSED）", "第3轮 网站无法访问：连接被拒绝（ERR_CONNECTION_REFUSED）",
        "第3轮 信息页生成页：未按下提交按钮（不在要打开的页面上）", "第3轮 通知已发送（outage）" + taken,
        "第3轮 打开首页生成页：http://cms/home", "第3轮 首页生成页没有打开，停在了另一个页面：http://cms/login",
        "第3轮 网站恢复访问（无法访问约 0 分钟）", "第3轮 在首页生成页发现后台登录可能已失效，请重新登陆",
        "第3轮 通知已发送（login_lost）" + taken,
        "第3轮 按了“1: 手动登陆”：挂机已停止，登陆后请按“2: 开始自动挂机”", "第3轮 打开登录页：http://cms/登陆",
        "第3轮 等待输入网站 cms 的用户名和密码：回答之前不在该网站上按任何按钮", "第3轮 网站的询问已回答或已取消",
        "第3轮 通知已发送（waiting）" + taken, "第3轮 登录页载入成功", "第3轮 挂机已停止 10 分钟，仍在等待按“2: 开始自动挂机”",
        "第3轮 通知已发送（stopped）" + taken, "第4轮 打开采集页：http://cms/collect",
        "第4轮 按了“2: 开始自动挂机”：重新开始挂机，采集间隔 2 分钟",
    }));
}

void TestWindow::typedLengthCountsOnlyOnceConfirmedAndInRange_data()
{
    QTest::addColumn<QString>("keys"); // typed over the box's "10"; \r is Enter
    QTest::addColumn<int>("minutes");
    QTest::newRow("half of 20, not yet confirmed") << "2" << 10;
    QTest::newRow("confirmed") << "25\r" << 25;
    QTest::newRow("1 is one minute, not completed to 10") << "1\r" << 1;
    QTest::newRow("0 refused") << "0\r" << 10;
    QTest::newRow("1441 refused at its last key") << "1441\r" << 144;
    QTest::newRow("letters refused") << "ab\r" << 10;
}

void TestWindow::typedLengthCountsOnlyOnceConfirmedAndInRange()
{
    QFETCH(QString, keys);
    QFETCH(int, minutes);
    Settings settings;
    Window window(settings.path);
    window.typeLength(keys);
    QCOMPARE(window.run.stages().clock().cycleLength(), minutes);
    // Kept for the folder: the next start shows it and runs it.
    Window later(settings.path);
    QCOMPARE(later.find<QComboBox>("cycleLengthBox")->currentText(), QString::number(minutes));
    QCOMPARE(later.run.stages().clock().cycleLength(), minutes);
}

void TestWindow::wordsAfterTheGapClearTheLengthBox()
{
    Settings settings;
    Window window(settings.path);
    const QLabel *label = window.find<QLabel>("cycleLengthLabel");
    const int words = label->geometry().right() - label->fontMetrics().horizontalAdvance("分钟");
    QVERIFY2(words > window.find<QComboBox>("cycleLengthBox")->geometry().right(), qPrintable(QString::number(words)));
}

// Someone retyping the length as the clock restarts the cycle keeps typing
// into the box; only the press of 2: 开始自动挂机 moves the focus away.
void TestWindow::restartByTheClockLeavesTheKeyboardWithTheTypist()
{
    Settings settings;
    Window window(settings.path);
    QApplication::setActiveWindow(&window.mainWindow);
    QVERIFY(QTest::qWaitForWindowActive(&window.mainWindow));
    window.browser.setLoadDelay(100);
    QTest::mouseClick(window.find("startButton"), Qt::LeftButton);
    QVERIFY(QApplication::focusWidget() != window.find<QComboBox>("cycleLengthBox"));
    window.clock.advance(80200 + 599000);
    window.find<QComboBox>("cycleLengthBox")->setFocus();
    window.clock.advance(1000);
    QCOMPARE(window.browser.calls.last().what, QStringLiteral("http://cms/collect"));
    QCOMPARE(QApplication::focusWidget(), window.find<QComboBox>("cycleLengthBox"));
}

void TestWindow::everyCloseAsksAndOnlyOkQuits()
{
    Settings settings;
    Window window(settings.path);
    QSignalSpy quit(&window.mainWindow, &MainWindow::quitRequested);
    int asked = 0;
    for (const bool ok : {false, false, true}) {
        // Closed the way a window manager closes: through the platform window.
        window.mainWindow.windowHandle()->close();
        QCOMPARE(window.desktop.boxes.size(), ++asked);
        window.desktop.boxes.last().answer(ok);
        QCOMPARE(quit.count(), int(ok));
        QVERIFY(window.mainWindow.isVisible()); // until the program ends
    }
}

void TestWindow::windowMinimisedIntoTheTrayComesBackMaximised()
{
    Settings settings;
    Window window(settings.path);
    window.mainWindow.showMaximized();
    QTRY_VERIFY(window.mainWindow.isMaximized());
    window.mainWindow.showMinimized();
    QTRY_VERIFY(window.mainWindow.isHidden());
    QVERIFY(window.tray.visible);
    emit window.tray.restoreRequested();
    QVERIFY(window.mainWindow.isVisible() && window.mainWindow.isMaximized());
    // Once the notification area has gone, even as the window was being
    // minimised, it stays minimised, within reach.
    window.mainWindow.showMinimized();
    window.tray.available = false;
    QTRY_VERIFY(window.mainWindow.isMinimized());
    QCoreApplication::processEvents();
    QVERIFY(window.mainWindow.isVisible());
}

void TestWindow::trayIconHasAPictureAndItsExitEntryAsksToQuit()
{
    SystemTrayIcon tray(appIcon());
    QSignalSpy exit(&tray, &TrayIcon::exitRequested);
    const QSystemTrayIcon *icon = tray.findChild<QSystemTrayIcon *>();
    QVERIFY(!icon->icon().isNull());
    for (QAction *entry : icon->contextMenu()->actions()) {
        if (entry->text() == "退出")
            entry->trigger();
    }
    QCOMPARE(exit.count(), 1);
}

// The update offer shows a line fetched from outside; the exit question is
// closed with Escape as often as with Cancel.
void TestWindow::boxesShowOutsideTextAsItIsAndEscapeCancels()
{
    QtDesktop desktop("OrvoCMS");
    const QString markup = "<b>9.0</b>&amp;";
    QList<bool> answers;
    QWidget *box = desktop.ask(nullptr, "发现最新版本", markup, [&answers](bool ok) { answers << ok; });
    const QLabel *text = box->findChild<QLabel *>("qt_msgbox_label");
    QVERIFY(text->sizeHint().width() >= text->fontMetrics().horizontalAdvance(markup));
    QTest::keyClick(box, Qt::Key_Escape);
    QCOMPARE(answers, QList<bool>{false});
}

// The check box "登录系统后自动开始挂机", clicked as a person would, against
// the autostart entries it leaves on disk.
// Escape keeps nothing; Enter keeps it, in login.ini here (no keyring), and
// the panel names it; the same login is not offered again; 忘记登录 removes it.
void TestWindow::aLoginThatWorkedIsRememberedOnlyOnEnterAndForgottenOnRequest()
{
    Settings settings;
    Window window(settings.path);
    QTest::mouseClick(window.find("loginButton"), Qt::LeftButton);
    const RememberedLogin login{{}, 0, "u", "admin", "p", "pw", {}, {}, {"u", "p"}, false};
    const auto logIn = [&window, &login] {
        emit window.browser.loginSubmitted(QUrl(Saved[0]), login, false);
        emit window.browser.loginAnswered(false, QUrl(Saved[1]));
        return QPointer<QMessageBox>(window.mainWindow.findChild<QMessageBox *>("rememberLoginBox"));
    };
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        QPointer<QMessageBox> box = logIn();
        QVERIFY(box && box->isVisible() && box->windowModality() == Qt::NonModal && box->text().contains("login.ini"));
        QTest::keyClick(box, key);
        QTRY_VERIFY(!box);
        QTRY_COMPARE(window.run.logins().login().has_value(), key == Qt::Key_Return);
    }
    QCOMPARE(window.find<QLabel>("rememberedLoginLabel")->text(), "已记住登录：admin@cms");
    QVERIFY(!logIn());
    QTest::mouseClick(window.find("forgetLoginButton"), Qt::LeftButton);
    QCOMPARE(window.find<QLabel>("rememberedLoginLabel")->text(), "没有记住的登录");
    QVERIFY(!fileBytes(window.run.logins().filePath()).contains("password=pw"));
}

void TestWindow::entryStartsTheToolInItsOwnFolder_data()
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

void TestWindow::entryStartsTheToolInItsOwnFolder()
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
    const auto autostartBox = [](const Window &window) { return window.find<QCheckBox>("autostartBox"); };
    // First-run windows, their address panels open.
    Window here(folder + QStringLiteral("/123.txt"), places);
    Window other(otherFolder + QStringLiteral("/123.txt"), places);
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
    QVERIFY(autostartBox(Window(folder + QStringLiteral("/123.txt"), places))->isChecked());

    QTest::mouseClick(autostartBox(here), Qt::LeftButton);
    QVERIFY(!autostartBox(here)->isChecked());
    QVERIFY(!autostartBox(Window(folder + QStringLiteral("/123.txt"), places))->isChecked());
    QCOMPARE(entries(places.directory).size(), 1);
    QCOMPARE(valueOf(places.directory + QLatin1Char('/') + entries(places.directory).first(), QStringLiteral("Path")),
             otherFolder);
}

void TestWindow::aSetsCommandsReachOnlyTheSelectedSiteAndRowsShowTheirOwnTrouble()
{
    SetOnVirtualTime set({"a", "b", "c"}, "a\nb\nc\n");
    QCOMPARE(set.set.load(), QString());
    FakeDesktop desktop;
    FakeTrayIcon tray;
    MainWindow window(set.folder.path(), *set.set.sites()[0].face, nullptr, desktop, tray);
    auto *list = new SiteListPanel(set.set, window, desktop);
    window.addSiteList(list);
    list->select(0);
    window.show();
    auto *rows = window.findChild<QListWidget *>("siteRows");
    QTest::keyClick(rows, Qt::Key_Down);
    QCOMPARE(&window.shownSite(), &set.run("b")->face());
    QTest::mouseClick(window.findChild<QPushButton *>("startButton"), Qt::LeftButton);
    QTest::mouseClick(window.findChild<QPushButton *>("loginButton"), Qt::LeftButton);
    QTest::mouseClick(window.findChild<QPushButton *>("startButton"), Qt::LeftButton);
    for (const QString &site : {"a", "c"})
        QVERIFY(set.browsers[site]->calls.isEmpty());
    QCOMPARE(set.collections("b").size(), 2);
    QCOMPARE(set.browsers["b"]->calls.at(1).what, QString("http://b/login"));

    // c's CMS goes down while the window is in the tray: only c's row says so,
    // and the tray names it.
    QTest::mouseClick(window.findChild<QPushButton *>("startAllButton"), Qt::LeftButton);
    const PageLoad refused{PageLoad::Failed, {LoadFailure::ConnectionRefused, "ERR_CONNECTION_REFUSED"}, {}};
    set.browsers["c"]->loads = {refused, refused, refused};
    window.hide();
    tray.visible = true;
    set.clock.advance(7 * 60000); // c starts half a cycle after a
    QVERIFY2(rows->item(2)->text().contains("无法访问"), qPrintable(rows->item(2)->text()));
    for (int row : {0, 1})
        QVERIFY2(!rows->item(row)->text().contains("⚠"), qPrintable(rows->item(row)->text()));
    QCOMPARE(tray.messages.size(), 1);
    QVERIFY2(tray.messages[0].startsWith("c："), qPrintable(tray.messages[0]));
    set.clock.advance(10 * 60000); // loads well again
    QVERIFY2(!rows->item(2)->text().contains("⚠"), qPrintable(rows->item(2)->text()));
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
