#pragma once

#include "page_slots.h"

#include <QList>
#include <QObject>
#include <QString>
#include <functional>

class Browser;
class Keyring;
class Notifier;
class RunJournal;
struct NotifySettings;
class QNetworkAccessManager;
class SingleCopy;
class SitePage;
class SiteFace;
class SiteRun;
class TimerFactory;

// The sites of a folder's sites.txt, run in one process: a run, a browser
// and a lock for each site folder that can run, its problem in words for
// each that cannot. Their pages share a few slots of loading and rest
// between their cycles.
class SiteSet : public QObject {
    Q_OBJECT
public:
    struct Site {
        QString folder;
        QString problem;          // why it does not run; empty while it runs
        SiteRun *run = nullptr;   // null while it does not run
        SiteFace *face = nullptr; // what a window shows of the run, and its commands
        Browser *browser = nullptr;
        SitePage *page = nullptr;
        SingleCopy *copy = nullptr;
    };
    // Makes the browser of a site folder, owned by `parent`.
    using BrowserMaker = std::function<Browser *(const QString &folder, QObject *parent)>;

    // `folder` is the set's own, held by this copy already.
    SiteSet(const QString &folder, BrowserMaker makeBrowser, TimerFactory &timers, Keyring &keyring,
            QNetworkAccessManager &network, int slotCount = PageSlots::DefaultCount, QObject *parent = nullptr);
    ~SiteSet() override;

    QString folder() const { return m_folder; }
    // The set's own journal, beside sites.txt: what the list says is wrong.
    RunJournal &journal() { return *m_journal; }
    // The set's notify.ini, for every site without one of its own; its
    // notifier sends the test messages of 通知设置.
    QString notifySettingsPath() const;
    Notifier &notifier() { return *m_notifier; }
    // Saved in 通知设置: applies to every site without its own file.
    void useNotifySettings(const NotifySettings &settings);
    // The folders of the sites that have a notify.ini of their own.
    QStringList sitesWithOwnNotifySettings() const;
    // Reads sites.txt and starts the runs. Returns why the file could not
    // be read; nothing runs then.
    QString load();
    const QList<Site> &sites() const { return m_sites; }

    // Starts every site whose addresses are complete and that is not
    // running, spread over its first cycle length.
    void startAll();
    // The site the person looks at; -1: none.
    void setLookedAt(int index);
    // Adds a folder to sites.txt and runs it; returns why it could not be listed.
    QString add(const QString &folder);
    // Takes a site off sites.txt and ends its run; its folder is left alone.
    QString remove(int index);

signals:
    void siteAdded(int index);
    void siteRemoved(int index);
    // The tool was started again in this site's folder.
    void comeForwardAsked(int index);

private:
    Site open(const QString &folder, QString problem);
    void close(Site &site);

    const QString m_folder;
    const BrowserMaker m_makeBrowser;
    TimerFactory &m_timers;
    Keyring &m_keyring;
    QNetworkAccessManager &m_network;
    PageSlots m_slots;
    RunJournal *const m_journal;
    Notifier *const m_notifier;
    QList<Site> m_sites;
    int m_lookedAt = -1;
};
