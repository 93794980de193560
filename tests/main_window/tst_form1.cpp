#include "automation/countdown.h"
#include "automation/cycle_clock.h"
#include "fake_browser.h"
#include "fake_desktop.h"
#include "fake_tray_icon.h"
#include "main_window/form1.h"
#include "virtual_clock.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A window over a settings file that holds one whole record.
struct Rig {
    QTemporaryDir folder;
    QString settings = writeSettings(folder.filePath("123.txt"));
    VirtualClock clock;
    FakeBrowser browser{clock};
    FakeDesktop desktop;
    FakeTrayIcon tray;
    Form1 form{browser, nullptr, clock, desktop, tray, settings};

    Rig() { form.show(); }

    static QString writeSettings(const QString &path)
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("http://cms/login\r\nhttp://cms/collect\r\nhttp://cms/generate\r\nhttp://cms/home\r\n");
        return path;
    }

    void fillAddresses()
    {
        form.Text2->setText(QStringLiteral("http://cms/login"));
        form.Text3->setText(QStringLiteral("http://cms/collect"));
        form.Text4->setText(QStringLiteral("http://cms/generate"));
        form.Text5->setText(QStringLiteral("http://cms/home"));
    }
};

} // namespace

class TestForm1 : public QObject {
    Q_OBJECT
private slots:
    void controlsStandWhereTheyArePlaced_data();
    void controlsStandWhereTheyArePlaced();
    void textsAtStart();
    void resizingMovesNothing();
    void buttonsDriveTheCycle();
    void countdownShowsInTheRedLine();
    void typedLengthCountsOnlyWhenEditingEnds_data();
    void typedLengthCountsOnlyWhenEditingEnds();
    void retypingTheLengthAcrossARestartKeepsTheFocusAndTheLength();
    void nextCollectionCountdownEndsAtTheRestart();
    void saveRefusesAnEmptyAddress();
    void productPageButtonOpensTheProductPage();
};

void TestForm1::controlsStandWhereTheyArePlaced_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QRect>("pixels");
    // Twips of the design divided by 15.
    QTest::newRow("WebBrowser1") << "WebBrowser1" << QRect(0, 8, 721, 457);
    QTest::newRow("Picture1") << "Picture1" << QRect(0, 0, 721, 465);
    QTest::newRow("Label4") << "Label4" << QRect(136, 32, 473, 25);
    QTest::newRow("Label5") << "Label5" << QRect(224, 72, 265, 33);
    QTest::newRow("Frame1") << "Frame1" << QRect(104, 144, 537, 193);
    QTest::newRow("Text2") << "Text2" << QRect(96, 32, 425, 18);
    QTest::newRow("Text5") << "Text5" << QRect(96, 128, 425, 18);
    QTest::newRow("Command7") << "Command7" << QRect(216, 152, 89, 33);
    QTest::newRow("Command6") << "Command6" << QRect(16, 480, 121, 41);
    QTest::newRow("Command1") << "Command1" << QRect(168, 480, 137, 41);
    QTest::newRow("Label3") << "Label3" << QRect(312, 472, 289, 17);
    QTest::newRow("Combo1") << "Combo1" << QRect(464, 496, 41, 20);
    QTest::newRow("Command9") << "Command9" << QRect(624, 472, 97, 25);
    QTest::newRow("Command10") << "Command10" << QRect(624, 504, 97, 25);
}

void TestForm1::controlsStandWhereTheyArePlaced()
{
    QFETCH(QString, control);
    QFETCH(QRect, pixels);
    Rig rig;
    const QHash<QString, QWidget *> controls = {
        {"WebBrowser1", rig.form.WebBrowser1}, {"Picture1", rig.form.Picture1}, {"Label4", rig.form.Label4},
        {"Label5", rig.form.Label5},           {"Frame1", rig.form.Frame1},     {"Text2", rig.form.Text2},
        {"Text5", rig.form.Text5},             {"Command7", rig.form.Command7}, {"Command6", rig.form.Command6},
        {"Command1", rig.form.Command1},       {"Label3", rig.form.Label3},     {"Combo1", rig.form.Combo1},
        {"Command9", rig.form.Command9},       {"Command10", rig.form.Command10}};
    QCOMPARE(controls.value(control)->geometry(), pixels);
}

void TestForm1::textsAtStart()
{
    Rig rig;
    QVERIFY(rig.form.windowTitle().startsWith(QStringLiteral("OrvoCMS（24小时）全自动挂机采集工具8.0    ")));
    QCOMPARE(rig.form.size(), QSize(728, 530));
    QCOMPARE(rig.form.Command6->text(), QStringLiteral("1: 手动登陆"));
    QCOMPARE(rig.form.Command1->text(), QStringLiteral("2: 开始自动挂机"));
    QCOMPARE(rig.form.Command9->text(), QStringLiteral("地址设置"));
    QCOMPARE(rig.form.Command10->text(), QStringLiteral("访问官网"));
    QCOMPARE(rig.form.Command7->text(), QStringLiteral("保存"));
    QCOMPARE(rig.form.Frame1->title(), QStringLiteral("地址设置"));
    QCOMPARE(rig.form.Label3->text(), QStringLiteral(".."));
    QCOMPARE(rig.form.Label2->text(), QStringLiteral("采集间隔时间：         分钟"));
    QCOMPARE(rig.form.Label1[0]->text(), QStringLiteral("后台登陆地址："));
    QCOMPARE(rig.form.Label1[3]->text(), QStringLiteral("生成首页地址："));
    QVERIFY(rig.form.Label3->font().bold());
    QCOMPARE(rig.form.Label3->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(rig.form.Combo1->currentText(), QStringLiteral("10"));
    QStringList entries;
    for (int i = 0; i < rig.form.Combo1->count(); ++i)
        entries << rig.form.Combo1->itemText(i);
    QCOMPARE(entries, (QStringList{"10", "12", "15", "18", "20", "25", "30", "35"}));
    QCOMPARE(rig.form.stages().Text1, QStringLiteral("Text1"));
    // The words after the gap in Label2 clear the cycle length box.
    QVERIFY(rig.form.Label2->x() + rig.form.Label2->sizeHint().width()
            > rig.form.Combo1->geometry().right() + QFontMetrics(rig.form.Label2->font()).horizontalAdvance("分钟"));
    QVERIFY(!rig.form.windowIcon().isNull());
}

void TestForm1::resizingMovesNothing()
{
    Rig rig;
    const QRect before = rig.form.Command10->geometry();
    rig.form.resize(1200, 900);
    QCOMPARE(rig.form.Command10->geometry(), before);
    QCOMPARE(rig.form.WebBrowser1->geometry(), QRect(0, 8, 721, 457));
}

void TestForm1::buttonsDriveTheCycle()
{
    Rig rig;
    rig.fillAddresses();
    QTest::mouseClick(rig.form.Command6, Qt::LeftButton);
    QVERIFY(rig.form.Picture1->isHidden());
    QApplication::setActiveWindow(&rig.form);
    QVERIFY(QTest::qWaitForWindowActive(&rig.form));
    rig.form.Command1->setFocus();
    QTest::mouseClick(rig.form.Command1, Qt::LeftButton);
    QCOMPARE(rig.browser.callNames(), (QStringList{"navigate http://cms/login", "navigate http://cms/collect"}));
    QCOMPARE(rig.form.stages().Text1, QStringLiteral("1"));
    QVERIFY(!rig.form.Command1->isEnabled());
    QVERIFY(!rig.form.Command6->isEnabled());
    QVERIFY(!rig.form.Command9->isEnabled());
    QVERIFY(rig.form.Command10->isEnabled());
    // The focus leaves the disabled button for the browser, not for the
    // cycle length box, whose cursor would blink there for days.
    QCOMPARE(QApplication::focusWidget(), rig.form.WebBrowser1);

    // An address edited on the panel is used by the next page opened.
    rig.form.Text4->setText(QStringLiteral("http://cms/generate2"));
    rig.browser.finishLoad();
    rig.clock.advance(60000);
    QCOMPARE(rig.browser.callNames().last(), QStringLiteral("navigate http://cms/generate2"));
}

void TestForm1::countdownShowsInTheRedLine()
{
    Rig rig;
    rig.fillAddresses();
    rig.form.stages().Command1_Click();
    rig.browser.finishLoad();
    rig.clock.advance(1000);
    QCOMPARE(rig.form.Label3->text(), QStringLiteral("离生成信息页面时间还有 59 秒"));
}

void TestForm1::typedLengthCountsOnlyWhenEditingEnds_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("finish"); // the key that ends the editing, or 0
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("minutes");
    QTest::newRow("half typed, not yet confirmed") << "2" << 0 << "2" << 10;
    QTest::newRow("Enter") << "25" << int(Qt::Key_Return) << "25" << 25;
    QTest::newRow("Tab") << "5" << int(Qt::Key_Tab) << "5" << 5;
    QTest::newRow("1 not completed to 10") << "1" << int(Qt::Key_Tab) << "1" << 1;
    QTest::newRow("too large refused") << "1441" << int(Qt::Key_Return) << "144" << 144;
    QTest::newRow("letters refused") << "a1b2" << int(Qt::Key_Return) << "12" << 12;
    QTest::newRow("zero refused, empty box falls back") << "0" << int(Qt::Key_Tab) << "10" << 10;
    QTest::newRow("next entry of the list") << "" << int(Qt::Key_Down) << "12" << 12;
}

void TestForm1::typedLengthCountsOnlyWhenEditingEnds()
{
    QFETCH(QString, keys);
    QFETCH(int, finish);
    QFETCH(QString, shown);
    QFETCH(int, minutes);
    Rig rig;
    QApplication::setActiveWindow(&rig.form);
    rig.form.Combo1->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(&rig.form));
    if (!keys.isEmpty()) {
        rig.form.Combo1->lineEdit()->selectAll();
        QTest::keyClicks(rig.form.Combo1->lineEdit(), keys);
    }
    if (finish)
        QTest::keyClick(rig.form.Combo1, Qt::Key(finish));
    QCOMPARE(rig.form.Combo1->currentText(), shown);
    QCOMPARE(rig.form.stages().clock().cycleLength(), minutes);
}

// Retyping "10" as "20", key by key, just as the clock restarts the cycle:
// the restart leaves the keyboard alone, the half-typed "2" never counts,
// and the next restart comes 20 minutes after this one.
void TestForm1::retypingTheLengthAcrossARestartKeepsTheFocusAndTheLength()
{
    Rig rig;
    rig.browser.setLoadDelay(100);
    QApplication::setActiveWindow(&rig.form);
    QVERIFY(QTest::qWaitForWindowActive(&rig.form));
    rig.form.stages().Command1_Click();
    rig.clock.advance(80200); // the home page is open, the clock runs
    const qint64 clockStart = rig.browser.timesOf("navigate http://cms/home").value(0);
    QVERIFY(clockStart > 0);
    rig.clock.advanceTo(clockStart + 599000);

    rig.form.Combo1->setFocus();
    rig.form.Combo1->lineEdit()->selectAll();
    QTest::keyClicks(rig.form.Combo1->lineEdit(), QStringLiteral("2"));
    rig.clock.advance(1000); // the restart
    QCOMPARE(rig.browser.timesOf("navigate http://cms/collect").size(), 2);
    QCOMPARE(QApplication::focusWidget(), rig.form.Combo1);
    rig.clock.advance(1000);
    QTest::keyClicks(rig.form.Combo1->lineEdit(), QStringLiteral("0"));
    QTest::keyClick(rig.form.Combo1->lineEdit(), Qt::Key_Tab);
    QCOMPARE(rig.form.stages().clock().cycleLength(), 20);

    rig.clock.advanceTo(clockStart + 600000 + 1200000);
    QCOMPARE(rig.browser.timesOf("navigate http://cms/collect"),
             (QList<qint64>{0, clockStart + 600000, clockStart + 1800000}));
}

// From the second cycle on the clock has run through the 80 s of waits
// before the home page opens; the red line must still reach zero when the
// next collection starts, not 80 seconds later.
void TestForm1::nextCollectionCountdownEndsAtTheRestart()
{
    Rig rig;
    rig.browser.setLoadDelay(100);
    rig.form.stages().Command1_Click();
    rig.clock.advance(80200);
    const qint64 clockStart = rig.browser.timesOf("navigate http://cms/home").value(0);
    QVERIFY(clockStart > 0);
    for (int cycle = 1; cycle <= 2; ++cycle) {
        rig.clock.advanceTo(clockStart + cycle * 600000 - 1);
        QCOMPARE(rig.browser.timesOf("navigate http://cms/collect").size(), cycle);
        const QString line = rig.form.Label3->text();
        QVERIFY2(line == QStringLiteral("离下次采集时间还有 1 秒") || line == QStringLiteral("离下次采集时间还有 0 秒"),
                 qPrintable(QStringLiteral("cycle %1: %2").arg(cycle).arg(line)));
    }
}

void TestForm1::saveRefusesAnEmptyAddress()
{
    Rig rig;
    QTest::mouseClick(rig.form.Command9, Qt::LeftButton);
    QVERIFY(rig.form.Frame1->isVisible());
    rig.form.Text4->clear();
    QTest::mouseClick(rig.form.Command7, Qt::LeftButton);
    QCOMPARE(rig.desktop.messages, QStringList{"地址框不能为空"});
    QVERIFY(rig.form.Frame1->isVisible());
    QVERIFY(rig.form.Picture1->isVisible());
}

void TestForm1::productPageButtonOpensTheProductPage()
{
    Rig rig;
    QTest::mouseClick(rig.form.Command10, Qt::LeftButton);
    QCOMPARE(rig.desktop.opened, QList<QUrl>{QUrl(QStringLiteral(PRODUCT_PAGE_URL))});
}

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
