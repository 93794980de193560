// The whole window with the real embedded browser, minimised into the
// notification area: the cycle must go on loading pages and pressing
// buttons while nothing of the window is shown.

#include "automation/cycle_clock.h"
#include "fake_cms.h"
#include "live_window.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QtTest>

namespace {

constexpr int Patience = 60000; // ms; only ever a limit, never a measurement

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TestHiddenWindowCycle : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cycleRunsWhileTheWindowIsInTheTray();
};

void TestHiddenWindowCycle::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).removeRecursively();
}

void TestHiddenWindowCycle::cycleRunsWhileTheWindowIsInTheTray()
{
    FakeCms cms;
    QVERIFY(cms.listen());
    LiveWindow live(cms, 50);
    QCOMPARE(live.saveFailure, QString());
    const QByteArray settingsBefore = fileHash(live.settings);
    Form1 &form = live.form;
    FakeTrayIcon &tray = live.tray;
    form.stages().clock().setCycleLength(2);
    form.show();

    QTest::mouseClick(form.Command6, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(cms.log().contains(QStringLiteral("GET /login")), Patience);
    QTest::mouseClick(form.Command1, Qt::LeftButton);
    form.showMinimized();
    QTRY_VERIFY(form.isHidden());
    QVERIFY(tray.visible);

    QTRY_VERIFY_WITH_TIMEOUT(cms.log().count(QStringLiteral("GET /collect")) >= 3, Patience);
    QVERIFY(form.isHidden());
    const QStringList cycle = {QStringLiteral("GET /collect"), QStringLiteral("POST /collect"),
                               QStringLiteral("GET /generate"), QStringLiteral("POST /generate?form=2"),
                               QStringLiteral("GET /homepage")};
    const QStringList log = cms.log();
    QCOMPARE(log.mid(1, 5), cycle);
    // The second cycle, started by the clock while hidden, runs whole too.
    const int second = log.indexOf(QStringLiteral("GET /collect"), 2);
    QVERIFY(second > 0);
    QCOMPARE(log.mid(second, 5), cycle);
    QVERIFY(form.Label3->text().startsWith(QStringLiteral("离")));

    emit tray.restoreRequested();
    QVERIFY(form.isVisible());
    QCOMPARE(fileHash(live.settings), settingsBefore);
}

QTEST_MAIN(TestHiddenWindowCycle)
#include "tst_hidden_window_cycle.moc"
