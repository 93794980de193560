#pragma once

#include "main_window/desktop.h"

#include <QList>
#include <QUrl>

// Message boxes noted for the test, which answers a question by calling its
// `answer`, as late as it likes.
class FakeDesktop : public Desktop {
public:
    struct Box {
        QWidget *parent;
        QString title; // empty for a box that only informs
        QString text;
        std::function<void(bool)> answer;
    };

    void inform(QWidget *parent, const QString &text) override { boxes.append({parent, {}, text, {}}); }
    QWidget *ask(QWidget *parent, const QString &title, const QString &text,
                 std::function<void(bool)> answer) override
    {
        boxes.append({parent, title, text, std::move(answer)});
        return nullptr;
    }
    void openUrl(const QUrl &url) override { opened << url; }

    QList<Box> boxes;
    QList<QUrl> opened;
};
