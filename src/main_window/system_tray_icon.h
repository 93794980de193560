#pragma once

#include "tray_icon.h"

class QMenu;
class QSystemTrayIcon;

// The tray icon on QSystemTrayIcon, with the tooltip "OrvoSP4.0自动采集" and a
// right-button menu. Where the notification area speaks the StatusNotifier
// protocol (KDE, GNOME), which reports single clicks only, a single click
// restores the window; elsewhere a double click does.
class SystemTrayIcon : public TrayIcon {
    Q_OBJECT
public:
    SystemTrayIcon(const QIcon &icon, QObject *parent = nullptr);
    ~SystemTrayIcon() override;

    bool isAvailable() const override;
    void show() override;
    void hide() override;
    bool isVisible() const override;
    void showMessage(const QString &text) override;

private:
    QMenu *m_menu;
    QSystemTrayIcon *m_icon;
};
