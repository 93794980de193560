#include "http_test_server.h"
#include "main_window/desktop.h"
#include "update/update_check.h"
#include "automation/timer.h"
#include "virtual_clock.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QUrl>
#include <QWidget>
#include <QtTest>
#include <memory>

namespace {

const QString ProductPage = QStringLiteral("http://www.product.test/orvo");
const QString Title = QStringLiteral("发现最新版本");

// Records the boxes asked for; the test answers them through the stored callback.
class RecordingDesktop : public Desktop {
public:
    struct Ask {
        QWidget *parent;
        QString title;
        QString text;
        std::function<void(bool)> answer;
    };
    QList<Ask> asks;
    QStringList informs;
    QList<QUrl> opened;

    void inform(QWidget *, const QString &text) override { informs << text; }
    QWidget *ask(QWidget *parent, const QString &title, const QString &text,
                 std::function<void(bool)> answer) override
    {
        asks.append({parent, title, text, std::move(answer)});
        return nullptr;
    }
    void openUrl(const QUrl &url) override { opened << url; }
};

// A window, the check inside it, and a server holding the update file.
struct Rig {
    explicit Rig(const QByteArray &fileBody, int status = 200, int delayMs = 0)
        : server([=](const HttpRequest &request) {
              if (request.path() != "/rodeza.txt")
                  return HttpResponse::html("no such file", 404);
              HttpResponse response = HttpResponse::html(fileBody, status);
              response.headers = {{"Content-Type", "text/plain"}};
              response.delayMs = delayMs;
              return response;
          })
    {
        listening = server.listen();
        check = std::make_unique<UpdateCheck>(clock, network, desktop,
                                              server.url(QStringLiteral("/rodeza.txt")).toString(),
                                              ProductPage, &window);
    }
    ~Rig() { check.reset(); }

    VirtualClock clock;
    QNetworkAccessManager network;
    RecordingDesktop desktop;
    HttpTestServer server;
    QWidget window;
    bool listening = false;
    std::unique_ptr<UpdateCheck> check;
};

} // namespace

class TestUpdateCheck : public QObject {
    Q_OBJECT
private slots:
    void offersOnlyAnotherVersion_data();
    void offersOnlyAnotherVersion();
    void answerDecidesWhatOpens_data();
    void answerDecidesWhatOpens();
    void timerFiresAtOneSecondOnly();
    void laterTicksStartNoSecondCheck();
};

void TestUpdateCheck::offersOnlyAnotherVersion_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("question"); // empty: no box at all

    const QString noBox;
    const QByteArray bom("\xEF\xBB\xBF");
    const QString longVersion = QStringLiteral("9.") + QString(148, QLatin1Char('1'));

    QTest::newRow("this version only") << 200 << QByteArray("8.9") << noBox;
    QTest::newRow("this version, CR LF") << 200 << QByteArray("8.9\r\n") << noBox;
    QTest::newRow("this version, more lines") << 200 << QByteArray("8.9\r\n9.5\r\nnotes\r\n") << noBox;
    QTest::newRow("this version, LF lines") << 200 << QByteArray("8.9\n9.5\n") << noBox;
    QTest::newRow("this version, trailing space") << 200 << QByteArray("8.9 ") << noBox;
    QTest::newRow("this version, white space around") << 200 << QByteArray(" \t8.9\t \r\n9.0") << noBox;
    QTest::newRow("this version after a BOM") << 200 << bom + "8.9" << noBox;
    QTest::newRow("this version after a BOM, CR LF") << 200 << bom + "8.9\r\n9.0\r\n" << noBox;
    QTest::newRow("BOM only") << 200 << bom << noBox;
    QTest::newRow("BOM, then a line end") << 200 << bom + "\r\n9.0\r\n" << noBox;
    QTest::newRow("empty file") << 200 << QByteArray() << noBox;
    QTest::newRow("starts with CR LF") << 200 << QByteArray("\r\n9.0\r\n") << noBox;
    QTest::newRow("starts with LF") << 200 << QByteArray("\n9.0\n") << noBox;
    QTest::newRow("blank first line") << 200 << QByteArray("  \t\r\n9.0\r\n") << noBox;
    QTest::newRow("404 naming another version") << 404 << QByteArray("9.0") << noBox;
    QTest::newRow("500 naming another version") << 500 << QByteArray("9.0\r\n") << noBox;

    QTest::newRow("newer") << 200 << QByteArray("9.0") << QStringLiteral("最新版本9.0，是否更新？");
    QTest::newRow("newer, CR LF") << 200 << QByteArray("9.0\r\n8.9\r\n") << QStringLiteral("最新版本9.0，是否更新？");
    QTest::newRow("newer, LF lines") << 200 << QByteArray("9.0\n8.9\n") << QStringLiteral("最新版本9.0，是否更新？");
    QTest::newRow("newer, white space around") << 200 << QByteArray("  9.0 \r\n") << QStringLiteral("最新版本9.0，是否更新？");
    QTest::newRow("newer after a BOM") << 200 << bom + "9.0\r\n" << QStringLiteral("最新版本9.0，是否更新？");
    QTest::newRow("older") << 200 << QByteArray("8.5\r\n") << QStringLiteral("最新版本8.5，是否更新？");
    QTest::newRow("same number, other text") << 200 << QByteArray("8.90") << QStringLiteral("最新版本8.90，是否更新？");
    QTest::newRow("GB2312 version") << 200 << QByteArray("\xD6\xD0\xCE\xC4\xB0\xE6 9\r\n")
                                    << QStringLiteral("最新版本中文版 9，是否更新？");
    QTest::newRow("markup shown as it is") << 200 << QByteArray("<b>9.0</b>&amp;")
                                           << QStringLiteral("最新版本<b>9.0</b>&amp;，是否更新？");
    QTest::newRow("100 characters in full") << 200 << longVersion.left(100).toLatin1()
                                            << QStringLiteral("最新版本") + longVersion.left(100) + QStringLiteral("，是否更新？");
    QTest::newRow("long version shortened") << 200 << longVersion.toLatin1() + "\r\n8.9"
                                            << QStringLiteral("最新版本") + longVersion.left(100) + QStringLiteral("…，是否更新？");
}

void TestUpdateCheck::offersOnlyAnotherVersion()
{
    QFETCH(int, status);
    QFETCH(QByteArray, file);
    QFETCH(QString, question);

    Rig rig(file, status);
    QVERIFY(rig.listening);
    QSignalSpy finished(rig.check.get(), &UpdateCheck::checkFinished);

    rig.clock.advance(1000);
    QVERIFY(finished.wait(15000));

    QCOMPARE(rig.server.requests().size(), 1);
    QCOMPARE(rig.server.requests().first().method, QByteArray("GET"));
    QCOMPARE(rig.server.requests().first().target, QByteArray("/rodeza.txt"));
    if (question.isEmpty()) {
        QCOMPARE(rig.desktop.asks.size(), 0);
    } else {
        QCOMPARE(rig.desktop.asks.size(), 1);
        QCOMPARE(rig.desktop.asks.first().title, Title);
        QCOMPARE(rig.desktop.asks.first().text, question);
        QCOMPARE(rig.desktop.asks.first().parent, &rig.window);
    }
    QCOMPARE(rig.desktop.opened.size(), 0);
    QCOMPARE(rig.desktop.informs.size(), 0);
}

void TestUpdateCheck::answerDecidesWhatOpens_data()
{
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QList<QUrl>>("opened");
    QTest::newRow("OK opens the product page") << true << QList<QUrl>{QUrl(QStringLiteral("http://www.product.test/orvo/"))};
    QTest::newRow("Cancel opens nothing") << false << QList<QUrl>{};
}

void TestUpdateCheck::answerDecidesWhatOpens()
{
    QFETCH(bool, ok);
    QFETCH(QList<QUrl>, opened);
    Rig rig("9.0\r\n");
    QVERIFY(rig.listening);
    QSignalSpy finished(rig.check.get(), &UpdateCheck::checkFinished);
    rig.clock.advance(1000);
    QVERIFY(finished.wait(15000));
    QCOMPARE(rig.desktop.asks.size(), 1);

    rig.desktop.asks.first().answer(ok);

    QCOMPARE(rig.desktop.opened, opened);
    QCOMPARE(rig.server.requests().size(), 1);
    QCOMPARE(rig.desktop.asks.size(), 1);
}

void TestUpdateCheck::timerFiresAtOneSecondOnly()
{
    Rig rig("9.0");
    QVERIFY(rig.listening);
    QSignalSpy ticks(rig.check->Timer5, &Timer::timeout);
    QSignalSpy finished(rig.check.get(), &UpdateCheck::checkFinished);
    QCOMPARE(rig.check->Timer5->interval(), 1000);
    QVERIFY(rig.check->Timer5->isEnabled());

    rig.clock.advance(999);
    QCOMPARE(ticks.size(), 0);
    QVERIFY(rig.check->Timer5->isEnabled());
    QTest::qWait(200); // room for a request that should not be there
    QCOMPARE(rig.server.requests().size(), 0);

    rig.clock.advance(1);
    QCOMPARE(ticks.size(), 1);
    QVERIFY(!rig.check->Timer5->isEnabled());
    QVERIFY(finished.wait(15000));
    QCOMPARE(rig.server.requests().size(), 1);
    QCOMPARE(rig.desktop.asks.size(), 1);

    rig.clock.advance(60000);
    QCOMPARE(ticks.size(), 1);
    QVERIFY(!rig.check->Timer5->isEnabled());
}

void TestUpdateCheck::laterTicksStartNoSecondCheck()
{
    Rig rig("9.0", 200, 300); // the file comes late, so the ticks below fall into the fetch
    QVERIFY(rig.listening);
    QSignalSpy finished(rig.check.get(), &UpdateCheck::checkFinished);

    rig.clock.advance(1000);
    rig.check->Timer5_Timer();
    rig.check->Timer5->setEnabled(true);
    rig.clock.advance(1000);
    QVERIFY(!rig.check->Timer5->isEnabled());

    QVERIFY(finished.wait(15000));
    // After the check, a tick again, then time for anything else to arrive.
    rig.check->Timer5_Timer();
    QTest::qWait(600);

    QCOMPARE(rig.server.requests().size(), 1);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(rig.desktop.asks.size(), 1);
    QVERIFY(!rig.check->Timer5->isEnabled());
}

QTEST_MAIN(TestUpdateCheck)
#include "tst_update_check.moc"
