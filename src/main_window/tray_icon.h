#pragma once

#include <QObject>

class QIcon;

// The window's icon in the desktop's notification area.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // False where the desktop has no notification area.
    virtual bool isAvailable() const = 0;
    virtual void show() = 0; // showing a shown icon leaves one icon
    virtual void hide() = 0;
    virtual bool isVisible() const = 0;
    // A balloon message from the icon, under the icon's own name.
    virtual void showMessage(const QString &text) = 0;

signals:
    void restoreRequested(); // double click, or the menu's 显示窗口
    void exitRequested();    // the menu's 退出
    void notifySettingsRequested(); // the menu's 通知设置
};
