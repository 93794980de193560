#pragma once

#include "main_window/tray_icon.h"

#include <QStringList>

// A notification area, there unless the test says otherwise; the test sees
// whether the icon shows and what it said.
class FakeTrayIcon : public TrayIcon {
public:
    bool isAvailable() const override { return available; }
    void show() override { visible = true; }
    void hide() override { visible = false; }
    bool isVisible() const override { return visible; }
    void showMessage(const QString &text) override { messages << text; }

    bool available = true;
    bool visible = false;
    QStringList messages;
};
