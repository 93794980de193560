#pragma once

#include <QString>
#include <functional>

class QUrl;
class QWidget;

// What the window asks of the desktop: message boxes and the user's web
// browser. Boxes are shown without blocking; answers arrive later.
class Desktop {
public:
    virtual ~Desktop() = default;
    // A box with OK only, no icon and the application's title.
    virtual void inform(QWidget *parent, const QString &text) = 0;
    // A box with OK and Cancel and the question icon; `answer` gets true for
    // OK. Returns the box while it is open, where there is one to show.
    virtual QWidget *ask(QWidget *parent, const QString &title, const QString &text,
                     std::function<void(bool)> answer) = 0;
    virtual void openUrl(const QUrl &url) = 0;
};
