#include "system_tray_icon.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMenu>
#include <QSystemTrayIcon>

namespace {

bool notificationAreaReportsSingleClicksOnly()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface()
        && bus.interface()->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

} // namespace

SystemTrayIcon::SystemTrayIcon(const QIcon &icon, QObject *parent)
    : TrayIcon(parent), m_menu(new QMenu), m_icon(new QSystemTrayIcon(icon, this))
{
    m_icon->setToolTip(QStringLiteral("OrvoSP4.0自动采集"));
    m_menu->addAction(QStringLiteral("显示窗口"), this, &TrayIcon::restoreRequested);
    m_menu->addAction(QStringLiteral("通知设置"), this, &TrayIcon::notifySettingsRequested);
    m_menu->addAction(QStringLiteral("退出"), this, &TrayIcon::exitRequested);
    m_icon->setContextMenu(m_menu);

    const auto restoreOn = notificationAreaReportsSingleClicksOnly() ? QSystemTrayIcon::Trigger
                                                                     : QSystemTrayIcon::DoubleClick;
    connect(m_icon, &QSystemTrayIcon::activated, this, [this, restoreOn](QSystemTrayIcon::ActivationReason reason) {
        if (reason == restoreOn)
            emit restoreRequested();
    });
}

SystemTrayIcon::~SystemTrayIcon()
{
    delete m_menu;
}

bool SystemTrayIcon::isAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void SystemTrayIcon::show()
{
    m_icon->show();
}

void SystemTrayIcon::hide()
{
    m_icon->hide();
}

bool SystemTrayIcon::isVisible() const
{
    return m_icon->isVisible();
}

void SystemTrayIcon::showMessage(const QString &text)
{
    m_icon->showMessage(m_icon->toolTip(), text, QSystemTrayIcon::Warning);
}
