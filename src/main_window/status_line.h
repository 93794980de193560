#pragma once

#include <QLabel>

// The red line under the browser: what the shown site's run says, the
// countdown or a warning. Too long for the line, its beginning shows and the
// whole of it in the tooltip.
class StatusLine : public QLabel {
    Q_OBJECT
public:
    explicit StatusLine(QWidget *parent);

    void say(const QString &text);
};
