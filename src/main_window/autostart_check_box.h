#pragma once

#include "autostart_entry.h"

#include <QCheckBox>

class Desktop;

// "登录系统后自动开始挂机": writes or removes the autostart entry of this
// folder, and shows whether that entry is on disk each time it comes into view.
class AutostartCheckBox : public QCheckBox {
    Q_OBJECT
public:
    AutostartCheckBox(const AutostartEntry &entry, Desktop &desktop, QWidget *parent);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void apply(bool wanted);

    const AutostartEntry m_entry;
    Desktop &m_desktop;
};
