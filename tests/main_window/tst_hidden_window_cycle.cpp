// The whole window with the real embedded browser, minimised into the
// notification area: the cycle goes on loading pages and pressing buttons
// while nothing of the window is shown, and leaves the settings file alone.

#include "files.h"
#include "live_window.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

class TestHiddenWindowCycle : public QObject {
    Q_OBJECT
private slots:
    void cycleStopsWhileTheWindowIsInTheTray();
};

void TestHiddenWindowCycle::cycleStopsWhileTheWindowIsInTheTray()
{
    QStandardPaths::setTestModeEnabled(true);
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).removeRecursively();
    FakeCms cms;
    QVERIFY(cms.listen());
    LiveWindow live(cms, 50); // a 2-minute cycle takes 2.4 s
    const QByteArray settings = fileBytes(live.settings);
    live.form.show();
    live.form.Combo1->lineEdit()->selectAll();
    QTest::keyClicks(live.form.Combo1->lineEdit(), "2\r");

    // Started once the login page is in, as a person would: a start while it
    // still loads waits for the browser's load time-out.
    QSignalSpy loaded(&live.browser, &Browser::pageLoaded);
    QTest::mouseClick(live.form.Command6, Qt::LeftButton);
    QVERIFY(loaded.wait(30000));
    QTest::mouseClick(live.form.Command1, Qt::LeftButton);
    live.form.showMinimized();
    QTRY_VERIFY(live.form.isHidden() && live.tray.visible);
    // The second cycle, started by the clock with the window hidden, runs whole too.
    QTRY_VERIFY_WITH_TIMEOUT(cms.log().count("GET /homepage") >= 2, 30000);
    const QStringList cycle = {"GET /collect", "POST /collect", "GET /generate", "POST /generate?form=2", "GET /homepage"};
    QCOMPARE(cms.log(), QStringList{"GET /login"} + cycle + cycle);
    QVERIFY(live.form.isHidden());
    QCOMPARE(fileBytes(live.settings), settings);
}

QTEST_MAIN(TestHiddenWindowCycle)
#include "tst_hidden_window_cycle.moc"
