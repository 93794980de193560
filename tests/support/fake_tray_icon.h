#pragma once

#include "main_window/tray_icon.h"

// A notification area that is always there; the test sees whether the icon shows.
class FakeTrayIcon : public TrayIcon {
public:
    bool isAvailable() const override { return true; }
    void show() override { visible = true; }
    void hide() override { visible = false; }
    bool isVisible() const override { return visible; }

    bool visible = false;
};
