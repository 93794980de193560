#include "site_set.h"

#include "automation/browser.h"
#include "automation/web_engine/browser_profile.h"
#include "automation/cycle/stage_machine.h"
#include "base/run_journal.h"
#include "base/single_copy.h"
#include "notify/notifier.h"
#include "base/timer.h"
#include "settings/notify_settings.h"
#include "settings/settings_file.h"
#include "site_list_file.h"
#include "site_page.h"
#include "site_run/site_run.h"

#include <QDir>
#include <QPointer>

SiteSet::SiteSet(const QString &folder, BrowserMaker makeBrowser, TimerFactory &timers, Keyring &keyring,
                 QNetworkAccessManager &network, int slotCount, QObject *parent)
    : QObject(parent),
      m_folder(folder),
      m_makeBrowser(std::move(makeBrowser)),
      m_timers(timers),
      m_keyring(keyring),
      m_network(network),
      m_slots(slotCount),
      m_journal(new RunJournal(RunJournal::pathBeside(QDir(folder).filePath(SettingsFile::defaultPath())), this)),
      m_notifier(new Notifier(network, timers, *m_journal, this))
{
    QStringList problems;
    m_notifier->setSettings(NotifySettings::load(notifySettingsPath(), &problems));
    for (const QString &problem : problems)
        m_journal->write(QStringLiteral("notify.ini 有误：") + problem);
}

QString SiteSet::notifySettingsPath() const
{
    return NotifySettings::pathBeside(SiteListFile::pathIn(m_folder));
}

void SiteSet::useNotifySettings(const NotifySettings &settings)
{
    for (const Site &site : std::as_const(m_sites)) {
        if (site.run && site.run->notifySettingsPath() == notifySettingsPath())
            site.run->notifier().setSettings(settings);
    }
}

QStringList SiteSet::sitesWithOwnNotifySettings() const
{
    QStringList folders;
    for (const Site &site : m_sites) {
        if (site.run && site.run->notifySettingsPath() != notifySettingsPath())
            folders << site.folder;
    }
    return folders;
}

SiteSet::~SiteSet()
{
    for (Site &site : m_sites)
        close(site);
}

QString SiteSet::load()
{
    QString error;
    for (const ListedSite &listed : SiteListFile::read(m_folder, &error))
        m_sites << open(listed.folder, listed.problem);
    for (const Site &site : std::as_const(m_sites)) {
        if (!site.problem.isEmpty())
            m_journal->write(QStringLiteral("sites.txt 中的站点 %1 无法运行：%2").arg(site.folder, site.problem));
    }
    if (!error.isEmpty())
        m_journal->write(QStringLiteral("无法读取 sites.txt：") + error);
    return error;
}

SiteSet::Site SiteSet::open(const QString &folder, QString problem)
{
    Site site{folder, problem};
    if (!problem.isEmpty())
        return site;
    // The set's own folder is held by this copy already.
    if (folder != m_folder) {
        site.copy = new SingleCopy(folder, this);
        if (site.copy->claim(false) == SingleCopy::Claim::Taken) {
            delete std::exchange(site.copy, nullptr);
            site.problem = QStringLiteral("已在另一个窗口中运行");
            return site;
        }
        connect(site.copy, &SingleCopy::comeForwardAsked, this, [this, copy = site.copy] {
            for (int i = 0; i < m_sites.size(); ++i) {
                if (m_sites[i].copy == copy)
                    emit comeForwardAsked(i);
            }
        });
    }
    BrowserProfile::takeOverSharedProfile(BrowserProfile::nameFor(folder));
    site.browser = m_makeBrowser(folder, this);
    site.page = new SitePage(*site.browser, m_slots, m_timers, this);
    site.run = new SiteRun(*site.browser, m_timers, m_keyring, m_network, QDir(folder).filePath(SettingsFile::defaultPath()),
                           site.page, this);
    site.face = &site.run->face();
    site.run->shareNotifySettings(notifySettingsPath());
    connect(site.page, &SitePage::startedLate, site.run, [run = site.run](int seconds) {
        run->journal().write(QStringLiteral("等待其他站点的页面载入，晚了 %1 秒").arg(seconds));
    });
    site.page->setLookedAt(false);
    return site;
}

void SiteSet::close(Site &site)
{
    // The run goes before the page it asks and the browser it drives.
    site.face = nullptr;
    delete std::exchange(site.run, nullptr);
    delete std::exchange(site.page, nullptr);
    delete std::exchange(site.browser, nullptr);
    delete std::exchange(site.copy, nullptr);
}

void SiteSet::startAll()
{
    QList<SiteRun *> waiting;
    for (const Site &site : std::as_const(m_sites)) {
        if (site.run && site.run->addresses().complete() && !site.run->stages().isRunning())
            waiting << site.run;
    }
    // The i-th of n starts i/n of its cycle length after the first, so
    // that their pages do not all wake together ever after.
    for (int i = 0; i < waiting.size(); ++i) {
        QPointer<SiteRun> run = waiting[i];
        run->tellStartAtLogin();
        const int delayMs = int(qint64(run->cycleLength()) * 60000 * i / waiting.size());
        if (delayMs == 0) {
            run->startCycle();
            continue;
        }
        Timer *start = m_timers.create(delayMs, run);
        connect(start, &Timer::timeout, run, [run, start] {
            start->deleteLater();
            start->setEnabled(false);
            if (!run->stages().isRunning())
                run->startCycle();
        });
        start->setEnabled(true);
    }
}

void SiteSet::setLookedAt(int index)
{
    if (m_lookedAt >= 0 && m_lookedAt < m_sites.size() && m_sites[m_lookedAt].page)
        m_sites[m_lookedAt].page->setLookedAt(false);
    m_lookedAt = index;
    if (index >= 0 && index < m_sites.size() && m_sites[index].page)
        m_sites[index].page->setLookedAt(true);
}

QString SiteSet::add(const QString &folder)
{
    const QString canonical = QDir(folder).canonicalPath();
    for (int i = 0; i < m_sites.size(); ++i) {
        if (m_sites[i].folder == canonical)
            return QStringLiteral("该文件夹已在列表中");
    }
    if (const QString failure = SiteListFile::add(m_folder, canonical); !failure.isEmpty())
        return failure;
    if (m_sites.isEmpty()) { // the list was made with the set's own folder first
        m_sites << open(m_folder, {});
        emit siteAdded(0);
    }
    m_sites << open(canonical, {});
    emit siteAdded(int(m_sites.size()) - 1);
    return {};
}

QString SiteSet::remove(int index)
{
    if (const QString failure = SiteListFile::remove(m_folder, m_sites[index].folder); !failure.isEmpty())
        return failure;
    if (m_lookedAt == index)
        m_lookedAt = -1;
    else if (m_lookedAt > index)
        --m_lookedAt;
    Site site = m_sites.takeAt(index);
    close(site);
    emit siteRemoved(index);
    return {};
}
