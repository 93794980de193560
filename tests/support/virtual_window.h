#pragma once

#include "fake_browser.h"
#include "fake_desktop.h"
#include "fake_tray_icon.h"
#include "main_window/form1.h"

// The whole window on virtual time, over a browser that loads nothing and
// message boxes the test answers, shown.
struct VirtualWindow {
    explicit VirtualWindow(const QString &settings, const AutostartPlaces &places = AutostartPlaces::forThisUser())
        : form(browser, nullptr, clock, desktop, tray, settings, places)
    {
        form.show();
    }

    VirtualClock clock;
    FakeBrowser browser{clock};
    FakeDesktop desktop;
    FakeTrayIcon tray;
    Form1 form;
};
