// fake-cms: the tests' CMS as a program of its own, for benchmarks and soak
// runs of the real tool on the loopback interface.
//
//   fake-cms --port P [--log FILE] [--error-share F] [--hang-share F --hang-ms MS]
//            [--cut-share F] [--login-expires-after N] [--seed S] [--duration-s S]
//            [--basic-auth] [--https] [--login-in-place] [--hash-login]
//            [--hang-logins] [--login-to URL]
//
// --basic-auth puts every page behind HTTP Basic authentication (user
// "editor", password "htpass"); --https serves HTTPS with a certificate for
// 127.0.0.1 that openssl makes afresh at each start and nobody vouches for.
// The login's ways, as the tests use them: --login-in-place answers a wrong
// password without a form and shows the login form at the admin addresses;
// --hash-login makes the login page hash the password with its nonce before
// it sends it; --hang-logins never answers a login; --login-to sends the
// login form's button to URL.
// Prints "listening <port>" once it accepts connections (port 0 picks a free
// one), then writes one line per request, "<epoch-ms> <METHOD> <target>
// <session 0|1>", to FILE or to standard output. It ends after --duration-s
// seconds (3 hours unless told) or on SIGTERM / SIGINT.

#include "faulty_cms.h"
#include "app/quit_on_signal.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTimer>

#include <cstdio>

namespace {

constexpr qint64 DefaultDurationS = 3 * 3600;
constexpr qint64 MaxDurationS = 20 * 24 * 3600; // a Qt timer counts milliseconds in an int

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "fake-cms: %s\n", qPrintable(message));
    std::exit(2);
}

double share(const QCommandLineParser &parser, const QString &name)
{
    if (!parser.isSet(name))
        return 0;
    bool ok = false;
    const double value = parser.value(name).toDouble(&ok);
    if (!ok || value < 0 || value > 1)
        fail(QStringLiteral("--%1 wants a fraction from 0 to 1, not '%2'").arg(name, parser.value(name)));
    return value;
}

qint64 integer(const QCommandLineParser &parser, const QString &name, qint64 fallback, qint64 min, qint64 max)
{
    if (!parser.isSet(name))
        return fallback;
    bool ok = false;
    const qint64 value = parser.value(name).toLongLong(&ok);
    if (!ok || value < min || value > max)
        fail(QStringLiteral("--%1 wants a whole number from %2 to %3, not '%4'")
                 .arg(name).arg(min).arg(max).arg(parser.value(name)));
    return value;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("fake-cms"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A CMS's administration pages on 127.0.0.1, with faults on demand."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("port"), QStringLiteral("Port to listen on (0: any free one)."), QStringLiteral("P")},
        {QStringLiteral("log"), QStringLiteral("Request log file (default: standard output)."), QStringLiteral("FILE")},
        {QStringLiteral("error-share"), QStringLiteral("Share of admin-page requests answered 500."), QStringLiteral("F")},
        {QStringLiteral("hang-share"), QStringLiteral("Share of admin-page requests that hang."), QStringLiteral("F")},
        {QStringLiteral("hang-ms"), QStringLiteral("How long a hang lasts before the reply (<= 0: forever)."), QStringLiteral("MS")},
        {QStringLiteral("cut-share"), QStringLiteral("Share of admin-page replies cut off halfway."), QStringLiteral("F")},
        {QStringLiteral("login-expires-after"), QStringLiteral("Admin-page requests a login lasts (0: forever)."), QStringLiteral("N")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the fault draws."), QStringLiteral("S")},
        {QStringLiteral("duration-s"), QStringLiteral("Seconds until the server ends by itself (default 10800)."), QStringLiteral("S")},
        {QStringLiteral("basic-auth"), QStringLiteral("Every page wants HTTP Basic authentication (editor / htpass).")},
        {QStringLiteral("https"), QStringLiteral("HTTPS with a new self-signed certificate.")},
        {QStringLiteral("login-in-place"), QStringLiteral("A wrong login answered without a form; the login form at the admin addresses.")},
        {QStringLiteral("hash-login"), QStringLiteral("The login page hashes the password with its nonce before sending it.")},
        {QStringLiteral("hang-logins"), QStringLiteral("Logins are received but never answered.")},
        {QStringLiteral("login-to"), QStringLiteral("The login button sends the form to URL."), QStringLiteral("URL")},
    });
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        fail(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().constFirst()));
    if (!parser.isSet(QStringLiteral("port")))
        fail(QStringLiteral("--port is required"));

    const auto port = quint16(integer(parser, QStringLiteral("port"), 0, 0, 65535));
    FaultyCms::Faults faults;
    faults.errorShare = share(parser, QStringLiteral("error-share"));
    faults.hangShare = share(parser, QStringLiteral("hang-share"));
    faults.hangMs = int(integer(parser, QStringLiteral("hang-ms"), 0, -1, 24 * 3600 * 1000));
    faults.cutShare = share(parser, QStringLiteral("cut-share"));
    faults.loginExpiresAfter = int(integer(parser, QStringLiteral("login-expires-after"), 0, 0, 1 << 30));
    faults.seed = quint32(integer(parser, QStringLiteral("seed"), 1, 0, 0xffffffffLL));
    if (faults.errorShare + faults.hangShare + faults.cutShare > 1 + 1e-9)
        fail(QStringLiteral("the error, hang and cut shares add up to more than 1"));
    const qint64 durationS = integer(parser, QStringLiteral("duration-s"), DefaultDurationS, 0, MaxDurationS);

    QFile log;
    const bool toFile = parser.isSet(QStringLiteral("log"));
    if (toFile) {
        log.setFileName(parser.value(QStringLiteral("log")));
        if (!log.open(QIODevice::WriteOnly | QIODevice::Append))
            fail(QStringLiteral("cannot write %1: %2").arg(log.fileName(), log.errorString()));
    }

    FaultyCms cms(faults);
    cms.onServed = [&](const FaultyCms::Served &served) {
        const HttpRequest &request = served.request;
        const QByteArray line = QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + ' ' + request.method + ' '
            + request.target + ' ' + (served.session ? '1' : '0') + '\n';
        if (toFile) {
            log.write(line);
            log.flush();
        } else {
            std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
            std::fflush(stdout);
        }
    };
    if (parser.isSet(QStringLiteral("basic-auth")))
        cms.requireBasicAuth();
    if (parser.isSet(QStringLiteral("login-in-place")))
        cms.showLoginInPlace();
    if (parser.isSet(QStringLiteral("hash-login")))
        cms.hashLoginInPage();
    if (parser.isSet(QStringLiteral("hang-logins")))
        cms.neverAnswerLogins();
    if (parser.isSet(QStringLiteral("login-to")))
        cms.sendLoginTo(parser.value(QStringLiteral("login-to")));
    QSslConfiguration tls;
    if (parser.isSet(QStringLiteral("https")) && (tls = HttpTestServer::selfSignedTls()).localCertificate().isNull())
        fail(QStringLiteral("openssl could not make a certificate"));
    if (!cms.listen(port, tls))
        fail(QStringLiteral("cannot listen on 127.0.0.1:%1").arg(port));

    quitOnTerminationSignals();
    QTimer::singleShot(std::chrono::seconds(durationS), &app, [] { QCoreApplication::exit(0); });

    std::printf("listening %u\n", unsigned(cms.url(QString()).port()));
    std::fflush(stdout);
    return app.exec();
}
