#pragma once

#include "automation/web_engine/browser_profile.h"
#include "automation/web_engine/web_engine_browser.h"
#include "fake_cms.h"
#include "fake_desktop.h"
#include "fake_tray_icon.h"
#include "main_window/main_window.h"
#include "main_window/site_question_boxes.h"
#include "scaled_timer_factory.h"
#include "settings/keyring.h"
#include "settings/settings_file.h"
#include "site_run/site_run.h"

#include <QNetworkAccessManager>

#include <QTemporaryDir>

// The whole window with the real embedded browser, its timers sped up, and a
// settings file in a folder of its own that holds the fake CMS's addresses.
struct LiveWindow {
    LiveWindow(const FakeCms &cms, int speedup)
        : settings(folder.filePath(QStringLiteral("123.txt"))),
          saveFailure(SettingsFile::appendRecord(
              settings, AdminAddresses{cms.address(FakeCms::Login), cms.address(FakeCms::Collection),
                         cms.address(FakeCms::Generation), cms.address(FakeCms::HomePage)})),
          timers(speedup),
          keyring(timers),
          browser(BrowserProfile::nameFor(folder.path()), keyring),
          run(browser, timers, keyring, network, settings),
          mainWindow(folder.path(), run.face(), browser.view(), desktop, tray)
    {
        showSiteQuestions(browser, &mainWindow);
    }

    QTemporaryDir folder;
    const QString settings;
    const QString saveFailure; // empty when the settings file was written
    ScaledTimerFactory timers;
    Keyring keyring;
    WebEngineBrowser browser;
    QNetworkAccessManager network;
    SiteRun run;
    FakeDesktop desktop;
    FakeTrayIcon tray;
    MainWindow mainWindow;
};
