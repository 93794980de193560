#pragma once

#include "desktop.h"

#include <QString>

class QtDesktop : public Desktop {
public:
    // `title` heads the boxes that have no title of their own.
    explicit QtDesktop(QString title) : m_title(std::move(title)) {}

    void inform(QWidget *parent, const QString &text) override;
    QWidget *ask(QWidget *parent, const QString &title, const QString &text,
             std::function<void(bool)> answer) override;
    void openUrl(const QUrl &url) override;

private:
    QString m_title;
};
