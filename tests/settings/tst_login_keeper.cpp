// Where a remembered login is kept: the desktop's keyring where one answers
// (run with KEYRING=1 under a real gnome-keyring-daemon in a D-Bus session
// of its own), else login.ini beside 123.txt, readable by its owner only,
// and never read when another user could have written it.

#include "settings/login_keeper.h"
#include "virtual_clock.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

const bool Keyring = qgetenv("KEYRING") == "1";
constexpr int Patience = 60000; // ms for the keyring's answer; only ever a limit

// A keeper as a new run of the tool makes it, once it has read what is kept.
std::unique_ptr<LoginKeeper> loaded(const QString &settings, VirtualClock &clock)
{
    auto keeper = std::make_unique<LoginKeeper>(settings, clock);
    keeper->load();
    return QTest::qWaitFor([&keeper] { return keeper->isLoaded(); }, Patience) ? std::move(keeper) : nullptr;
}

} // namespace

class TestLoginKeeper : public QObject {
    Q_OBJECT
private slots:
    void aKeptLoginComesBackAfterARestartUntilForgotten();
    void theFileIsOwnerOnlyAndAnotherUsersIsNeverRead();
};

void TestLoginKeeper::aKeptLoginComesBackAfterARestartUntilForgotten()
{
    QTemporaryDir folder;
    const QString settings = folder.filePath("123.txt");
    VirtualClock clock;
    const RememberedLogin login{"http://cms/登录", 1, "user", "admin", "pw", "p=w&%\n密码", {{"remember", "on"}, {"lang", ""}},
                                "go", {"nonce", "user", "pw", "remember", "lang", "go"}, true, "https://cms:8443"};
    auto first = loaded(settings, clock);
    QVERIFY(first && !first->login());
    QCOMPARE(first->keyringAnswers(), Keyring);
    QSignalSpy changed(first.get(), &LoginKeeper::changed);
    first->keep(login);
    QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, Patience);
    QCOMPARE(changed.first().first().toString(), QString());
    QCOMPARE(QFile::exists(first->filePath()), !Keyring);
    QCOMPARE(int(QFileInfo(first->filePath()).permissions() & 0x77), 0);
    auto again = loaded(settings, clock);
    QVERIFY(again && again->login() && again->login()->sameAs(login) && again->login()->password == login.password
            && again->login()->failed); // a try's mark too
    QCOMPARE(again->place(), Keyring ? LoginKeeper::Place::Keyring : LoginKeeper::Place::File);
    again->forget();
    QTRY_VERIFY_WITH_TIMEOUT(!loaded(settings, clock)->login(), Patience);
}

void TestLoginKeeper::theFileIsOwnerOnlyAndAnotherUsersIsNeverRead()
{
    if (Keyring)
        QSKIP("the keyring keeps it");
    QTemporaryDir folder;
    VirtualClock clock;
    const QString settings = folder.filePath("123.txt");
    const QString file = folder.filePath("login.ini");
    QFile written(file);
    QVERIFY(written.open(QIODevice::WriteOnly) && written.write("address=http%3A%2F%2Fcms%2Flogin\npasswordField=pw\npassword=x\n") > 0);
    written.close();
    QVERIFY(written.setPermissions(QFileDevice::Permissions(0x6644)));
    QVERIFY(loaded(settings, clock)->login());
    QCOMPARE(int(QFileInfo(file).permissions() & 0x77), 0);
    if (::getuid() != 0)
        QSKIP("only root can give the file to another user");
    QCOMPARE(::chown(qPrintable(file), 65534, 65534), 0);
    QVERIFY(!loaded(settings, clock)->login());
}

QTEST_GUILESS_MAIN(TestLoginKeeper)
#include "tst_login_keeper.moc"
