#pragma once

#include "fake_browser.h"
#include "settings/keyring.h"
#include "settings/settings_file.h"
#include "site_run/site_run.h"
#include "site_set/site_set.h"
#include "text_file.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QNetworkAccessManager>
#include <QTemporaryDir>

// A set's folder with site folders in it, each with the addresses of a CMS
// of its own name, run by one SiteSet over browsers that finish every page
// a second after it is asked for.
struct SetOnVirtualTime {
    explicit SetOnVirtualTime(const QStringList &sites, const QByteArray &list, int slotCount = 4)
        : set(folder.path(), [this](const QString &site, QObject *parent) -> Browser * {
              auto *browser = new FakeBrowser(clock);
              browser->setParent(parent);
              browser->setLoadDelay(1000);
              browsers[QFileInfo(site).fileName()] = browser;
              return browser;
          }, clock, keyring, network, slotCount)
    {
        for (const QString &site : sites) {
            QDir(folder.path()).mkdir(site);
            const QString cms = "http://" + site + "/";
            SettingsFile::appendRecord(path(site + "/123.txt"), {cms + "login", cms + "collect", cms + "generate", cms + "home"});
        }
        if (!list.isNull())
            writeFile(path("sites.txt"), list);
    }
    QString path(const QString &name) const { return QDir(folder.path()).filePath(name); }
    SiteRun *run(const QString &site) const
    {
        for (const SiteSet::Site &each : set.sites()) {
            if (QFileInfo(each.folder).fileName() == site)
                return each.run;
        }
        return nullptr;
    }
    // When each collection page of `site` was asked for, in seconds.
    QList<qint64> collections(const QString &site) const
    {
        QList<qint64> times;
        for (const FakeBrowser::Call &call : browsers[site]->calls) {
            if (call.what.endsWith("/collect"))
                times << call.at / 1000;
        }
        return times;
    }

    QTemporaryDir folder;
    VirtualClock clock;
    Keyring keyring{clock};
    QNetworkAccessManager network;
    QMap<QString, FakeBrowser *> browsers;
    SiteSet set;
};
