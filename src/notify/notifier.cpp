#include "notifier.h"

#include "base/one_line.h"
#include "base/run_journal.h"
#include "base/timer.h"

#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSysInfo>
#include <QTimer>

namespace {

constexpr int RetryAfterMinutes[] = {1, 5, 15};

QNetworkRequest request(const QUrl &url)
{
    QNetworkRequest request(url);
    request.setTransferTimeout(Notifier::TimeoutMs);
    return request;
}

// A failed transfer in words. Never the reply's error string: it holds the
// whole address, the robot's key included.
QString networkFailure(QNetworkReply *reply)
{
    return QStringLiteral("网络错误（%1）")
        .arg(QLatin1String(QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(reply->error())));
}

} // namespace

Notifier::Notifier(QNetworkAccessManager &network, TimerFactory &timers, RunJournal &journal, QObject *parent)
    : QObject(parent), m_network(network), m_timers(timers), m_journal(journal)
{
}

void Notifier::setSettings(const NotifySettings &settings)
{
    m_settings = settings;
    // A retry waiting for the old settings gives way: the new ones are tried at once.
    if (m_retry) {
        m_retry->setEnabled(false);
        m_retry->deleteLater();
        m_retry = nullptr;
    }
    sendNext();
}

QString Notifier::textOf(const QString &site, const QString &what)
{
    return QStringLiteral("【OrvoCMS挂机】网站 %1（机器 %2）：%3").arg(site, QSysInfo::machineHostName(), what);
}

Robot::Message Notifier::message(const QString &event, const QString &site, const QString &text) const
{
    return {event, site, QSysInfo::machineHostName(), textOf(site, text), QDateTime::currentDateTime()};
}

void Notifier::send(const QString &event, const QString &site, const QString &text)
{
    if (m_settings.webhook.isEmpty())
        return;
    m_waiting.append({message(event, site, text)});
    if (m_waiting.size() > MaxWaiting) {
        // The one being sent stays; the oldest of the others goes.
        m_waiting.removeAt(m_sending ? 1 : 0);
        ++m_dropped;
    }
    sendNext();
}

void Notifier::sendNext()
{
    if (m_sending || m_retry || m_waiting.isEmpty() || m_settings.webhook.isEmpty())
        return;
    Robot::Message &next = m_waiting.first().message;
    if (m_dropped > 0) {
        next.text += QStringLiteral("（另有 %1 条较早的通知因积压过多而丢弃）").arg(m_dropped);
        m_dropped = 0;
    }
    m_sending = true;
    post(m_settings, next, [this](const QString &failure, const QString &answer) { onSent(failure, answer); });
}

void Notifier::onSent(const QString &failure, const QString &answer)
{
    m_sending = false;
    Pending &sent = m_waiting.first();
    if (failure.isEmpty() || sent.attempts == int(std::size(RetryAfterMinutes))) {
        journal(sent.message.event, failure, answer);
        m_waiting.removeFirst();
    } else {
        const int minutes = RetryAfterMinutes[sent.attempts++];
        m_journal.write(QStringLiteral("通知发送失败（%1）到 %2：%3，%4 分钟后重试")
                            .arg(sent.message.event, m_settings.webhook.host(), failure)
                            .arg(minutes));
        Timer *retry = m_timers.create(minutes * 60000, this);
        connect(retry, &Timer::timeout, this, [this, retry] {
            retry->setEnabled(false); // timers repeat; this one is for one retry
            retry->deleteLater();
            m_retry = nullptr;
            sendNext();
        });
        retry->setEnabled(true);
        m_retry = retry;
        return;
    }
    sendNext();
}

void Notifier::journal(const QString &event, const QString &failure, const QString &answer)
{
    const QString what = QStringLiteral("（%1）到 %2").arg(event, m_settings.webhook.host());
    m_journal.write(failure.isEmpty() ? QStringLiteral("通知已发送") + what + QStringLiteral("，回答：") + answer
                                      : QStringLiteral("通知已放弃") + what + QStringLiteral("：") + failure);
}

void Notifier::post(const NotifySettings &settings, const Robot::Message &message, const Finished &finished)
{
    const RobotKind kind = robotKindFor(settings.kind, settings.webhook);
    Robot::Message attempt = message;
    if (kind != RobotKind::Json)
        attempt.time = QDateTime::currentDateTime(); // a signature is good for a short while only
    const Robot::Request composed = Robot::compose(kind, settings.webhook, settings.secret, attempt);
    QNetworkRequest outgoing = request(composed.url);
    outgoing.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    // A redirect would turn the POST into a GET that any server takes: the
    // message would be lost and counted as sent. It is a failure instead.
    outgoing.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkReply *reply = m_network.post(outgoing, composed.body);
    connect(reply, &QNetworkReply::finished, this, [reply, kind, finished] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QByteArray answer = reply->readAll();
        finished(status == 0 ? networkFailure(reply) : Robot::failureIn(kind, status, answer),
                 oneLine(QString::fromUtf8(answer.left(300))));
    });
}

void Notifier::beat()
{
    if (m_settings.heartbeat.isEmpty())
        return;
    QNetworkReply *reply = m_network.get(request(m_settings.heartbeat));
    const QString host = m_settings.heartbeat.host();
    connect(reply, &QNetworkReply::finished, this, [this, reply, host] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status < 200 || status > 299)
            m_journal.write(QStringLiteral("心跳地址 %1 没有打开：%2")
                                .arg(host, status == 0 ? networkFailure(reply) : QStringLiteral("HTTP %1").arg(status)));
    });
}

void Notifier::sendLast(const QString &event, const QString &site, const QString &text, int limitMs,
                        const std::function<void()> &done)
{
    if (m_settings.webhook.isEmpty())
        return done();
    if (!m_waiting.isEmpty())
        m_journal.write(QStringLiteral("退出时还有 %1 条通知未发送").arg(m_waiting.size()));
    auto once = std::make_shared<std::function<void()>>(done);
    const auto finish = [once] {
        if (*once)
            std::exchange(*once, nullptr)();
    };
    QTimer::singleShot(limitMs, this, finish);
    post(m_settings, message(event, site, text), [this, finish, event](const QString &failure, const QString &answer) {
        journal(event, failure, answer);
        finish();
    });
}

void Notifier::sendTest(const NotifySettings &settings, const QString &site,
                        const std::function<void(const QString &)> &answer)
{
    post(settings, message(QStringLiteral("test"), site, QStringLiteral("这是一条测试消息，通知设置可用。")),
         [answer](const QString &failure, const QString &) { answer(failure); });
}
