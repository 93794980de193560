#pragma once

#include <QObject>
#include <QString>

class Desktop;
class QNetworkAccessManager;
class QWidget;
class Timer;
class TimerFactory;

// The start-up update check: a second after the window opens, it fetches
// the update file once and, when its first line names a version other than
// this one, offers to open the product page.
class UpdateCheck : public QObject {
    Q_OBJECT
public:
    // `updateFileUrl`: the file whose first line is the published version.
    // `productPageUrl`: opened, with a "/" added, when the user takes the offer.
    // `parent` also heads the offer's box; it may be null.
    UpdateCheck(TimerFactory &timers, QNetworkAccessManager &network, Desktop &desktop,
                QString updateFileUrl, QString productPageUrl, QWidget *parent = nullptr);

    static QString version(); // this build's version, "8.9"
    // The published version in an update file's text: its first line, without
    // a byte-order mark or surrounding white space. Empty when there is none.
    static QString publishedVersion(const QString &fileText);
    // The question put to the user for a published version.
    static QString offerText(const QString &published);

signals:
    // A check has handled the fetched file: it asked, or found nothing to
    // ask. `published` is the version the file names, empty when the fetch failed.
    void checkFinished(const QString &published);

private:
    void onStartDelayOver(); // first tick only: stops the delay and checks once
    void check(); // fetches the update file and offers what it names
    void compare(const QString &fileText);

    Timer *const m_startDelay; // 1000 ms, running from the start
    QNetworkAccessManager &m_network;
    Desktop &m_desktop;
    QWidget *m_boxParent;
    QString m_updateFileUrl;
    QString m_productPageUrl;
    bool m_checkStarted = false;
};
