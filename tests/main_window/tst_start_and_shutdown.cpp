#include "automation/cycle_clock.h"
#include "automation/stage_machine.h"
#include "automation/timer.h"
#include "fake_browser.h"
#include "fake_desktop.h"
#include "fake_tray_icon.h"
#include "main_window/form1.h"
#include "main_window/qt_desktop.h"
#include "virtual_clock.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QWindow>

#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

struct Window {
    VirtualClock clock;
    FakeBrowser browser{clock};
    FakeDesktop desktop;
    FakeTrayIcon tray;
    Form1 form;

    explicit Window(const QString &settings) : form(browser, nullptr, clock, desktop, tray, settings)
    {
        form.show();
    }
    QStringList fields() const
    {
        return {form.Text2->text(), form.Text3->text(), form.Text4->text(), form.Text5->text()};
    }
    void type(const QStringList &addresses)
    {
        QLineEdit *edits[] = {form.Text2, form.Text3, form.Text4, form.Text5};
        for (int i = 0; i < 4; ++i)
            edits[i]->setText(addresses[i]);
    }
    bool firstRunState() const
    {
        return form.Frame1->isVisible() && !form.Command6->isEnabled() && !form.Command1->isEnabled();
    }
};

const QStringList Saved{"http://cms/登陆", "http://cms/collect", "http://cms/generate", "http://cms/home"};
const QByteArray SavedBytes = "http://cms/\xB5\xC7\xC2\xBD\r\nhttp://cms/collect\r\nhttp://cms/generate\r\nhttp://cms/home\r\n";

} // namespace

class TestStartAndShutdown : public QObject {
    Q_OBJECT
private slots:
    void firstRunSaveAndNextStart();
    void startWithIncompleteFile_data();
    void startWithIncompleteFile();
    void startLoadsTheLastSavedRecord();
    void showingThePanelAgainDoesNotReload();
    void unwritableFileIsNotReportedAsSaved();
    void closeAnsweredCancelKeepsTheCycleRunning();
    void closeAnsweredOkQuits();
    void everyWindowManagerCloseAsksAgainAfterCancel();
    void pastedLineBreakIsKeptOutOfTheSettingsFile();
    void trayMenuExitAsksToo();
    void minimiseGoesToTheTrayAndRestoresAsItWas_data();
    void minimiseGoesToTheTrayAndRestoresAsItWas();
    void secondMinimiseAfterRestoreLeavesOneIcon();
    void withoutNotificationAreaTheWindowOnlyMinimises();
};

void TestStartAndShutdown::firstRunSaveAndNextStart()
{
    QTemporaryDir folder;
    const QString settings = folder.filePath("123.txt");
    {
        Window first(settings);
        QVERIFY(first.firstRunState());
        QVERIFY(first.form.Picture1->isVisible());
        first.type(Saved);
        QTest::mouseClick(first.form.Command7, Qt::LeftButton);
        QCOMPARE(first.desktop.messages, QStringList{"恭喜，保存成功，请手动登陆后台后，再开始挂机自动采集·"});
        QVERIFY(!first.form.Frame1->isVisible());
        QVERIFY(!first.form.Picture1->isVisible());
        QVERIFY(first.form.Command6->isEnabled());
        QVERIFY(first.form.Command1->isEnabled());
        QCOMPARE(readAll(settings), SavedBytes);
    }
    Window next(settings);
    QCOMPARE(next.fields(), Saved);
    QVERIFY(!next.form.Frame1->isVisible());
    QVERIFY(next.form.Command6->isEnabled());
    QVERIFY(next.form.Command1->isEnabled());
    QVERIFY(next.desktop.messages.isEmpty());
}

void TestStartAndShutdown::startWithIncompleteFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("empty") << QByteArray() << QStringList{"", "", "", ""};
    QTest::newRow("two lines") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b", "", ""};
    QTest::newRow("empty line in record") << QByteArray("a\r\n\r\nc\r\nd\r\n") << QStringList{"a", "", "c", "d"};
}

void TestStartAndShutdown::startWithIncompleteFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, fields);
    QTemporaryDir folder;
    writeAll(folder.filePath("123.txt"), bytes);
    Window window(folder.filePath("123.txt"));
    // A field with no line stays empty; it never gets a copy of another.
    QCOMPARE(window.fields(), fields);
    QVERIFY(window.firstRunState());
}

void TestStartAndShutdown::startLoadsTheLastSavedRecord()
{
    QTemporaryDir folder;
    const QString settings = folder.filePath("123.txt");
    writeAll(settings, SavedBytes);
    {
        Window window(settings);
        QTest::mouseClick(window.form.Command9, Qt::LeftButton);
        window.form.Text3->setText("http://cms/collect2");
        QTest::mouseClick(window.form.Command7, Qt::LeftButton);
    }
    QCOMPARE(readAll(settings),
             SavedBytes + "http://cms/\xB5\xC7\xC2\xBD\r\nhttp://cms/collect2\r\nhttp://cms/generate\r\nhttp://cms/home\r\n");
    Window next(settings);
    QCOMPARE(next.form.Text3->text(), QStringLiteral("http://cms/collect2"));
}

void TestStartAndShutdown::showingThePanelAgainDoesNotReload()
{
    QTemporaryDir folder;
    writeAll(folder.filePath("123.txt"), SavedBytes);
    Window window(folder.filePath("123.txt"));
    window.form.Text5->setText("edited");
    QTest::mouseClick(window.form.Command9, Qt::LeftButton);
    QVERIFY(window.form.Frame1->isVisible());
    QCOMPARE(window.form.Text5->text(), QStringLiteral("edited"));
}

void TestStartAndShutdown::unwritableFileIsNotReportedAsSaved()
{
    QTemporaryDir folder;
    writeAll(folder.filePath("file"), "x");
    const QString settings = folder.filePath("file/123.txt"); // a folder that is a file
    Window window(settings);
    window.type(Saved);
    QTest::mouseClick(window.form.Command7, Qt::LeftButton);
    QCOMPARE(window.desktop.messages.size(), 1);
    const QString message = window.desktop.messages.first();
    QVERIFY2(message.contains("123.txt") && message.contains(QStringLiteral("没有保存")), qPrintable(message));
    QVERIFY(!message.contains(QStringLiteral("保存成功")));
    QCOMPARE(window.fields(), Saved);
    // The user can still work with what was typed.
    QVERIFY(!window.form.Frame1->isVisible());
    QVERIFY(window.form.Command1->isEnabled());
    QVERIFY(!QFile::exists(settings));
}

void TestStartAndShutdown::closeAnsweredCancelKeepsTheCycleRunning()
{
    QTemporaryDir folder;
    writeAll(folder.filePath("123.txt"), SavedBytes);
    Window window(folder.filePath("123.txt"));
    window.browser.setLoadDelay(500);
    QSignalSpy quit(&window.form, &Form1::quitRequested);
    window.form.stages().Command1_Click();
    window.clock.advance(5000);
    window.desktop.answer = false;
    window.tray.visible = true;
    QVERIFY(!window.form.close());
    QCOMPARE(window.desktop.questions.size(), 1);
    QCOMPARE(window.desktop.questions[0].title, QStringLiteral("退出"));
    QCOMPARE(window.desktop.questions[0].text, QStringLiteral("真的退出吗?"));
    QCOMPARE(quit.count(), 0);
    QVERIFY(window.form.isVisible());
    QVERIFY(!window.tray.visible); // the icon goes before the question
    window.clock.advance(60000);
    QCOMPARE(window.browser.timesOf("navigate http://cms/generate"), QList<qint64>{60500});
}

void TestStartAndShutdown::closeAnsweredOkQuits()
{
    QTemporaryDir folder;
    writeAll(folder.filePath("123.txt"), SavedBytes);
    Window window(folder.filePath("123.txt"));
    QSignalSpy quit(&window.form, &Form1::quitRequested);
    window.form.stages().Command1_Click();
    window.form.close();
    QCOMPARE(quit.count(), 1);
    QCOMPARE(readAll(folder.filePath("123.txt")), SavedBytes); // nothing written on the way out
}

// Closed as a window manager closes (a spontaneous close of the platform
// window), with the real question box answered Cancel by its Escape key.
void TestStartAndShutdown::everyWindowManagerCloseAsksAgainAfterCancel()
{
    QTemporaryDir folder;
    VirtualClock clock;
    FakeBrowser browser{clock};
    QtDesktop desktop(QStringLiteral("title"));
    FakeTrayIcon tray;
    Form1 form(browser, nullptr, clock, desktop, tray, folder.filePath("123.txt"));
    QSignalSpy quit(&form, &Form1::quitRequested);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    for (int round = 0; round < 3; ++round) {
        form.windowHandle()->close();
        QPointer<QMessageBox> box;
        QTRY_VERIFY((box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())));
        QCOMPARE(box->text(), QStringLiteral("真的退出吗?"));
        QCOMPARE(box->button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
        QTest::keyClick(box, Qt::Key_Escape);
        QTRY_VERIFY(!box);
        QVERIFY(form.isVisible());
    }
    QCOMPARE(quit.count(), 0);
}

void TestStartAndShutdown::pastedLineBreakIsKeptOutOfTheSettingsFile()
{
    QTemporaryDir folder;
    const QString settings = folder.filePath("123.txt");
    Window window(settings);
    window.type({"", "http://cms/collect", "http://cms/generate", "http://cms/home"});
    QApplication::clipboard()->setText(QStringLiteral("http://cms/\r\n登陆\n"));
    window.form.Text2->setFocus();
    window.form.Text2->paste();
    QCOMPARE(window.form.Text2->text(), QStringLiteral("http://cms/登陆"));
    QTest::mouseClick(window.form.Command7, Qt::LeftButton);
    QCOMPARE(window.desktop.messages, QStringList{"恭喜，保存成功，请手动登陆后台后，再开始挂机自动采集·"});
    QCOMPARE(readAll(settings), SavedBytes);
}

void TestStartAndShutdown::trayMenuExitAsksToo()
{
    QTemporaryDir folder;
    Window window(folder.filePath("123.txt"));
    QSignalSpy quit(&window.form, &Form1::quitRequested);
    window.desktop.answer = false;
    emit window.tray.exitRequested();
    QCOMPARE(window.desktop.questions.size(), 1);
    QCOMPARE(quit.count(), 0);
    window.desktop.answer = true;
    emit window.tray.exitRequested();
    QCOMPARE(quit.count(), 1);
}

void TestStartAndShutdown::minimiseGoesToTheTrayAndRestoresAsItWas_data()
{
    QTest::addColumn<bool>("maximised");
    QTest::newRow("normal") << false;
    QTest::newRow("maximised") << true;
}

void TestStartAndShutdown::minimiseGoesToTheTrayAndRestoresAsItWas()
{
    QFETCH(bool, maximised);
    QTemporaryDir folder;
    Window window(folder.filePath("123.txt"));
    window.form.move(130, 90);
    const QSize size = window.form.size();
    if (maximised) {
        window.form.showMaximized();
        QTRY_VERIFY(window.form.isMaximized());
    }
    window.form.showMinimized();
    QTRY_VERIFY(window.form.isHidden());
    QVERIFY(window.tray.visible);
    emit window.tray.restoreRequested();
    QVERIFY(window.form.isVisible());
    QVERIFY(!window.form.isMinimized());
    QCOMPARE(window.form.isMaximized(), maximised);
    if (!maximised) {
        QCOMPARE(window.form.pos(), QPoint(130, 90));
        QCOMPARE(window.form.size(), size);
    }
    QVERIFY(window.tray.visible); // the icon stays until the window closes
}

void TestStartAndShutdown::secondMinimiseAfterRestoreLeavesOneIcon()
{
    QTemporaryDir folder;
    Window window(folder.filePath("123.txt"));
    window.form.showMinimized();
    QTRY_VERIFY(window.form.isHidden());
    emit window.tray.restoreRequested();
    window.form.showMinimized();
    QTRY_VERIFY(window.form.isHidden());
    QCOMPARE(window.tray.iconsShown, 1);
    QVERIFY(window.tray.visible);
}

void TestStartAndShutdown::withoutNotificationAreaTheWindowOnlyMinimises()
{
    QTemporaryDir folder;
    Window window(folder.filePath("123.txt"));
    window.tray.available = false;
    window.form.showMinimized();
    QTest::qWait(50);
    QVERIFY(!window.form.isHidden());
    QVERIFY(window.form.isMinimized());
    QCOMPARE(window.tray.iconsShown, 0);
}

QTEST_MAIN(TestStartAndShutdown)
#include "tst_start_and_shutdown.moc"
