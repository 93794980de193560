#pragma once

#include "main_window/tray_icon.h"

#include <QStringList>

// A notification area that is always there; the test sees whether the icon
// shows and what it said.
class FakeTrayIcon : public TrayIcon {
public:
    bool isAvailable() const override { return true; }
    void show() override { visible = true; }
    void hide() override { visible = false; }
    bool isVisible() const override { return visible; }
    void showMessage(const QString &text) override { messages << text; }

    bool visible = false;
    QStringList messages;
};
