#pragma once

#include <QObject>
#include <QString>

// The embedded browser as the collection cycle sees it. Every call only
// starts work and returns at once; a page that finishes loading (whether it
// loaded or not) is reported later through pageLoaded().
class Browser : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void navigate(const QString &address) = 0;
    // Clicks the one element whose name or id is "submit_button"; does
    // nothing when there is none or more than one.
    virtual void pressSubmitButton() = 0;
    // Clicks the second element named "submit_button", if there is one.
    virtual void pressSecondSubmitButton() = 0;

signals:
    void pageLoaded();
};
