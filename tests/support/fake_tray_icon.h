#pragma once

#include "main_window/tray_icon.h"

#include <QStringList>

// A notification area the test can take away; counts the icons it shows.
class FakeTrayIcon : public TrayIcon {
    Q_OBJECT
public:
    bool isAvailable() const override { return available; }
    void show() override
    {
        if (!visible)
            ++iconsShown;
        visible = true;
    }
    void hide() override { visible = false; }
    bool isVisible() const override { return visible; }
    void showMessage(const QString &, const QString &text) override { messages << text; }

    bool available = true;
    bool visible = false;
    int iconsShown = 0;
    QStringList messages;
};
