#pragma once

#include "base/desktop.h"

#include <QList>
#include <QUrl>

// Message boxes noted for the test, which answers a question by calling its
// `answer`, as late as it likes.
class FakeDesktop : public Desktop {
public:
    struct Box {
        QString text;
        std::function<void(bool)> answer; // none for a box that only informs
    };

    void inform(QWidget *, const QString &text) override { boxes.append({text, {}}); }
    QWidget *ask(QWidget *, const QString &, const QString &text, std::function<void(bool)> answer) override
    {
        boxes.append({text, std::move(answer)});
        return nullptr;
    }
    void openUrl(const QUrl &url) override { opened << url; }

    QList<Box> boxes;
    QList<QUrl> opened;
};
