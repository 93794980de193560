// Where a remembered login is kept: the desktop's keyring where one answers
// (run with KEYRING=1 under a real gnome-keyring-daemon in a D-Bus session
// of its own), else login.ini beside 123.txt, readable by its owner only,
// and never read when another user could have written it.

#include "settings/keyring.h"
#include "settings/keyring_entry.h"
#include "settings/login_keeper.h"
#include "settings/site_passwords.h"
#include "virtual_clock.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

namespace {

const bool InKeyring = qgetenv("KEYRING") == "1";
constexpr int Patience = 60000; // ms for the keyring's answer; only ever a limit

// A keeper as a new run of the tool makes it, once it has read what is kept.
std::unique_ptr<LoginKeeper> loaded(const QString &settings, Keyring &keyring)
{
    auto keeper = std::make_unique<LoginKeeper>(settings, keyring);
    keeper->load();
    return QTest::qWaitFor([&keeper] { return keeper->isLoaded(); }, Patience) ? std::move(keeper) : nullptr;
}

} // namespace

class TestLoginKeeper : public QObject {
    Q_OBJECT
private slots:
    void aKeptLoginComesBackAfterARestartUntilForgotten();
    void theFileIsOwnerOnlyAndAnotherUsersIsNeverRead();
    void aReadQueuedBehindAnotherGetsTheWholePatience();
    void aLoginForgottenOrReplacedWhileTheKeyringWasSilentNeverComesBack_data();
    void aLoginForgottenOrReplacedWhileTheKeyringWasSilentNeverComesBack();
};

void TestLoginKeeper::aKeptLoginComesBackAfterARestartUntilForgotten()
{
    QTemporaryDir folder;
    const QString settings = folder.filePath("123.txt");
    VirtualClock clock;
    Keyring keyring(clock);
    const RememberedLogin login{"http://cms/登录", 1, "user", "admin", "pw", "p=w&%\n密码", {{"remember", "on"}, {"lang", ""}},
                                "go", {"nonce", "user", "pw", "remember", "lang", "go"}, true, "https://cms:8443"};
    auto first = loaded(settings, keyring);
    QVERIFY(first && !first->login());
    QCOMPARE(first->keyringAnswers(), InKeyring);
    QSignalSpy changed(first.get(), &LoginKeeper::changed);
    first->keep(login);
    QTRY_COMPARE_WITH_TIMEOUT(changed.size(), 1, Patience);
    QCOMPARE(changed.first().first().toString(), QString());
    QCOMPARE(QFile::exists(first->filePath()), !InKeyring);
    QCOMPARE(int(QFileInfo(first->filePath()).permissions() & 0x77), 0);
    auto again = loaded(settings, keyring);
    QVERIFY(again && again->login() && again->login()->sameAs(login) && again->login()->password == login.password
            && again->login()->failed); // a try's mark too
    QCOMPARE(again->place(), InKeyring ? LoginKeeper::Place::Keyring : LoginKeeper::Place::File);
    again->forget();
    QTRY_VERIFY_WITH_TIMEOUT(!loaded(settings, keyring)->login(), Patience);
}

void TestLoginKeeper::theFileIsOwnerOnlyAndAnotherUsersIsNeverRead()
{
    if (InKeyring)
        QSKIP("the keyring keeps it");
    QTemporaryDir folder;
    VirtualClock clock;
    Keyring keyring(clock);
    const QString settings = folder.filePath("123.txt");
    const QString file = folder.filePath("login.ini");
    QFile written(file);
    QVERIFY(written.open(QIODevice::WriteOnly) && written.write("address=http%3A%2F%2Fcms%2Flogin\npasswordField=pw\npassword=x\n") > 0);
    written.close();
    QVERIFY(written.setPermissions(QFileDevice::Permissions(0x6644)));
    QVERIFY(loaded(settings, keyring)->login());
    QCOMPARE(int(QFileInfo(file).permissions() & 0x77), 0);
    if (::getuid() != 0)
        QSKIP("only root can give the file to another user");
    QCOMPARE(::chown(qPrintable(file), 65534, 65534), 0);
    QVERIFY(!loaded(settings, keyring)->login());
}

// A keyring unlocked while its first read waits answers the next one too.
void TestLoginKeeper::aReadQueuedBehindAnotherGetsTheWholePatience()
{
    QTemporaryDir folder;
    VirtualClock clock;
    Keyring keyring(clock);
    SitePasswords first(QStringLiteral("queued"), keyring);
    LoginKeeper second(folder.filePath("123.txt"), keyring);
    connect(&first, &SitePasswords::loaded, this, [&clock] { clock.advance(Keyring::PatienceMs - 1000); });
    first.load();
    second.load();
    clock.advance(Keyring::PatienceMs - 1000); // the first answers late
    QTRY_VERIFY_WITH_TIMEOUT(second.isLoaded(), Patience);
    QCOMPARE(second.keyringAnswers(), InKeyring);
}

void TestLoginKeeper::aLoginForgottenOrReplacedWhileTheKeyringWasSilentNeverComesBack_data()
{
    // The password kept in a run whose keyring did not answer, which then
    // ends before the keyring could act; empty: the login was forgotten.
    QTest::addColumn<QString>("then");
    QTest::newRow("forgotten") << "";
    QTest::newRow("replaced, kept in login.ini") << "new";
}

void TestLoginKeeper::aLoginForgottenOrReplacedWhileTheKeyringWasSilentNeverComesBack()
{
    QFETCH(QString, then);
    QTemporaryDir folder;
    const QString settings = folder.filePath("123.txt");
    VirtualClock clock;
    RememberedLogin login{"http://cms/login", 0, "user", "admin", "pw", "old", {}, "go", {"user", "pw", "go"}, false, "http://cms"};
    {
        Keyring keyring(clock);
        auto first = loaded(settings, keyring);
        first->keep(login);
        QTRY_VERIFY_WITH_TIMEOUT(first->login(), Patience);
    }
    {
        Keyring keyring(clock);
        LoginKeeper silent(settings, keyring);
        silent.load();
        clock.advance(Keyring::PatienceMs); // no answer in time
        QVERIFY(silent.isLoaded() && !silent.keyringAnswers());
        KeyringEntry busy(QStringLiteral("busy"), keyring);
        busy.read(); // what the keeper asks of the keyring next waits behind it
        login.password = then;
        then.isEmpty() ? silent.forget() : silent.keep(login);
    }
    Keyring keyring(clock);
    const auto later = loaded(settings, keyring);
    QVERIFY(later);
    QCOMPARE(later->login() ? later->login()->password : QString(), then);
}

QTEST_GUILESS_MAIN(TestLoginKeeper)
#include "tst_login_keeper.moc"
