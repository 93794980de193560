#pragma once

#include "fake_browser.h"
#include "fake_desktop.h"
#include "fake_tray_icon.h"
#include "main_window/main_window.h"

// The whole window on virtual time, over a browser that loads nothing and
// message boxes the test answers, shown.
struct VirtualWindow {
    explicit VirtualWindow(const QString &settings, const AutostartPlaces &places = AutostartPlaces::forThisUser())
        : mainWindow(browser, nullptr, clock, desktop, tray, settings, places)
    {
        mainWindow.show();
    }

    VirtualClock clock;
    FakeBrowser browser{clock};
    FakeDesktop desktop;
    FakeTrayIcon tray;
    MainWindow mainWindow;
};
