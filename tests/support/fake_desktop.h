#pragma once

#include "main_window/desktop.h"

#include <QList>
#include <QStringList>
#include <QUrl>

// Message boxes answered by the test: every box is noted, and a question is
// answered at once with `answer`.
class FakeDesktop : public Desktop {
public:
    struct Question {
        QString title;
        QString text;
    };

    void inform(QWidget *, const QString &text) override { messages << text; }
    QWidget *ask(QWidget *, const QString &title, const QString &text, std::function<void(bool)> reply) override
    {
        questions.append({title, text});
        reply(answer);
        return nullptr;
    }
    void openUrl(const QUrl &url) override { opened << url; }

    bool answer = true;
    QStringList messages;
    QList<Question> questions;
    QList<QUrl> opened;
};
