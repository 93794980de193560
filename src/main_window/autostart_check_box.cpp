#include "autostart_check_box.h"

#include "base/desktop.h"

#include <QDir>

AutostartCheckBox::AutostartCheckBox(const AutostartEntry &entry, Desktop &desktop, QWidget *parent)
    : QCheckBox(QStringLiteral("登录系统后自动开始挂机"), parent),
      m_entry(entry),
      m_desktop(desktop)
{
    connect(this, &QCheckBox::clicked, this, &AutostartCheckBox::apply);
}

void AutostartCheckBox::showEvent(QShowEvent *event)
{
    // The entry may have been removed or added outside the tool meanwhile.
    setChecked(m_entry.exists());
    QCheckBox::showEvent(event);
}

void AutostartCheckBox::apply(bool wanted)
{
    const QString failure = wanted ? m_entry.write() : m_entry.remove();
    setChecked(m_entry.exists());
    if (!failure.isEmpty()) {
        const QString file = QDir::toNativeSeparators(m_entry.filePath());
        m_desktop.inform(window(), wanted ? QStringLiteral("无法写入自动启动项“%1”（%2）").arg(file, failure)
                                          : QStringLiteral("无法删除自动启动项“%1”（%2）").arg(file, failure));
    }
}
