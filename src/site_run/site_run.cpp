#include "site_run.h"

#include "alerts.h"
#include "automation/cycle/cycle_clock.h"
#include "automation/cycle/stage_machine.h"
#include "base/no_link.h"
#include "daily_report.h"
#include "base/run_journal.h"
#include "hand_logins.h"
#include "notify/notifier.h"
#include "relogin.h"
#include "run_narrator.h"
#include "run_watch.h"
#include "settings/kept_cycle_length.h"
#include "settings/login_keeper.h"
#include "settings/notify_settings.h"
#include "settings/settings_file.h"
#include "site_face.h"

#include <QFileInfo>
#include <QUrl>

#include <cstdio>

SiteRun::SiteRun(Browser &browser, TimerFactory &timers, Keyring &keyring, QNetworkAccessManager &network,
                 const QString &settingsPath, PageGate *gate, QObject *parent)
    : QObject(parent),
      m_settingsPath(settingsPath),
      m_addresses(SettingsFile::loadLastRecord(settingsPath)),
      m_keptLength(KeptCycleLength::load(settingsPath)),
      m_lastRun(RunJournal::lastRun(RunJournal::pathBeside(settingsPath))),
      m_journal(new RunJournal(RunJournal::pathBeside(settingsPath), this)),
      m_stages(new StageMachine(browser, timers, m_addresses, gate ? *gate : m_alone, this)),
      // The narrator hears every event before the watch, so that a page's
      // line comes before the trouble it causes.
      m_narrator(new RunNarrator(*m_stages, browser, *m_journal, this)),
      m_watch(new RunWatch(*m_stages, browser, timers, this)),
      m_notifier(new Notifier(network, timers, *m_journal, this)),
      m_logins(new LoginKeeper(settingsPath, keyring, this)),
      m_handLogins(new HandLogins(*m_stages, browser, *m_watch, *m_logins, m_addresses, this)),
      m_relogin(new Relogin(*m_stages, browser, *m_watch, *m_logins, timers, m_addresses, this)),
      m_alerts(new Alerts(*m_watch, *m_relogin, *m_notifier, [this] { return site(); }, this)),
      m_report(new DailyReport(*m_watch, *m_relogin, *m_notifier, timers, settingsPath, [this] { return site(); }, this))
{
    connect(m_handLogins, &HandLogins::rememberOffered, this, &SiteRun::rememberOffered);
    connect(m_handLogins, &HandLogins::captchaFound, this, &SiteRun::captchaFound);
    m_narrator->follow(*m_relogin, *m_logins);
    m_logins->load();
    if (m_keptLength >= CycleClock::MinCycleLength && m_keptLength <= CycleClock::MaxCycleLength)
        m_stages->setCycleLength(m_keptLength);
    m_journal->write(QStringLiteral("启动"));
    m_narrator->follow(*m_watch);
    loadNotifySettings();
    connect(&browser, &Browser::certificatesNotKept, this, [this](const CertificatesNotKept &failure) {
        const QString words = RunNarrator::certificatesNotKept(failure);
        if (!m_certificatesNotKept.contains(words))
            m_certificatesNotKept << words;
    });
    m_face = new SiteFace(*this);
}

SiteRun::~SiteRun()
{
    m_journal->write(QStringLiteral("退出"));
}

QString SiteRun::notifySettingsPath() const
{
    return hasOwnNotifySettings() || m_sharedNotifyPath.isEmpty() ? NotifySettings::pathBeside(m_settingsPath)
                                                                  : m_sharedNotifyPath;
}

bool SiteRun::hasOwnNotifySettings() const
{
    return QFileInfo::exists(NotifySettings::pathBeside(m_settingsPath));
}

void SiteRun::shareNotifySettings(const QString &setPath)
{
    m_sharedNotifyPath = setPath;
    if (!hasOwnNotifySettings())
        loadNotifySettings();
}

void SiteRun::loadNotifySettings()
{
    QStringList problems;
    m_notifier->setSettings(NotifySettings::load(notifySettingsPath(), &problems));
    for (const QString &problem : problems) {
        std::fprintf(stderr, "orvo-collector: notify.ini: %s\n", qUtf8Printable(problem));
        m_journal->write(QStringLiteral("notify.ini 有误：") + problem);
    }
    if (NotifySettings::readableByOthers(notifySettingsPath()))
        m_journal->write(RunNarrator::notifySettingsReadableByOthers());
}

void SiteRun::rememberLogin(const RememberedLogin &login)
{
    m_logins->keep(login);
}

void SiteRun::forgetLogin()
{
    m_logins->forget();
}

void SiteRun::runWithoutAutomaticLogin()
{
    m_relogin->disable();
    m_journal->write(QStringLiteral("无法锁定本文件夹（可能另有一个本工具在运行）：本次运行不自动重新登录"));
}

void SiteRun::notePersonActive()
{
    m_relogin->notePersonActive();
}

QStringList SiteRun::lastingWarnings() const
{
    QStringList warnings = m_certificatesNotKept;
    for (const QString &path : {m_settingsPath, RunJournal::pathBeside(m_settingsPath), notifySettingsPath(),
                                m_logins->filePath()}) {
        if (const QString link = linkRefusal(path); !link.isEmpty())
            warnings << link;
    }
    const QFileInfo folder(QFileInfo(m_settingsPath).absolutePath());
    if (folder.permissions() & (QFileDevice::WriteGroup | QFileDevice::WriteOther))
        warnings << QStringLiteral("文件夹 %1 其他用户也可以写入，请执行 chmod go-w %1").arg(folder.absoluteFilePath());
    if (NotifySettings::readableByOthers(notifySettingsPath()))
        warnings << RunNarrator::notifySettingsReadableByOthers();
    return warnings;
}

QString SiteRun::site() const
{
    // Sites of one host on several ports are told apart by the port.
    const QUrl address = QUrl::fromUserInput(m_addresses.collection);
    return address.port() < 0 ? address.host() : address.host() + QLatin1Char(':') + QString::number(address.port());
}

void SiteRun::openLoginPage()
{
    m_stages->openLoginPage();
}

void SiteRun::startCycle()
{
    m_stages->startCycle();
}

int SiteRun::cycleLength() const
{
    return m_stages->clock().cycleLength();
}

void SiteRun::setCycleLength(int minutes)
{
    m_stages->setCycleLength(minutes);
}

void SiteRun::keepCycleLength(int minutes)
{
    setCycleLength(minutes);
    if (minutes == m_keptLength)
        return;
    if (const QString failure = KeptCycleLength::save(m_settingsPath, minutes); !failure.isEmpty())
        m_journal->write(QStringLiteral("无法保存采集间隔时间：") + failure);
    else
        m_keptLength = minutes;
}

void SiteRun::useAddresses(const AdminAddresses &addresses)
{
    m_addresses = addresses;
}

QString SiteRun::saveAddresses(const AdminAddresses &addresses)
{
    m_addresses = addresses;
    return SettingsFile::appendRecord(m_settingsPath, addresses);
}

void SiteRun::tellStartAtLogin()
{
    if (!m_addresses.complete()) {
        const bool saved = QFileInfo::exists(m_settingsPath);
        return m_notifier->send(QStringLiteral("start_failed"), QFileInfo(m_settingsPath).absolutePath(),
                                RunNarrator::cannotStartAtLogin(saved));
    }
    connect(m_stages, &StageMachine::cycleStarted, this, [this] {
        m_notifier->send(QStringLiteral("started"), site(), RunNarrator::startedAtLogin(m_lastRun));
    }, Qt::SingleShotConnection);
}

void SiteRun::sayGoodbye(int limitMs, const std::function<void()> &done)
{
    m_notifier->sendLast(QStringLiteral("quit"), site(), RunNarrator::quit(), limitMs, done);
}
