#pragma once

#include "http_test_server.h"

#include <QObject>
#include <QString>
#include <QStringList>

// The administration pages of a CMS, served on the loopback interface, for
// driving a real browser through a collection cycle. Pages are GB2312.
//
//   /login      GET hands out the session cookie (a persistent one)
//   /collect    one form posting back to the page, with one submit_button
//   /generate   two forms, each with a submit_button; the first posts to
//               /generate?form=1, the second to /generate?form=2, and only
//               the second one generates the information pages
//   /homepage   GET generates the home page
//
// Broken variants of the pages, for the cases where nothing may be pressed,
// are reached through the constants below. /favicon.ico is not found.
class FakeCms : public QObject {
    Q_OBJECT
public:
    static constexpr const char *Login = "/login";
    static constexpr const char *Collection = "/collect";
    // No element answers to submit_button (the form has another button).
    static constexpr const char *CollectionWithoutButton = "/collect?variant=no-button";
    // Two elements answer to submit_button: one by name, one by id.
    static constexpr const char *CollectionWithTwoButtons = "/collect?variant=two-buttons";
    // Answers 500 with a page of its own.
    static constexpr const char *CollectionFailing = "/collect?variant=server-error";
    static constexpr const char *Generation = "/generate";
    // Two forms, but only the first has a submit_button.
    static constexpr const char *GenerationWithOneButton = "/generate?variant=one-button";
    static constexpr const char *HomePage = "/homepage";

    explicit FakeCms(QObject *parent = nullptr);

    bool listen(quint16 port = 0);
    // `target` is a path with an optional query, e.g. FakeCms::Collection.
    QUrl url(const QString &target) const;
    QString address(const QString &target) const { return url(target).toString(); }

    // The answer to one request; the server calls it for every request.
    HttpResponse respond(const HttpRequest &request) const;

    // The value of the session cookie this instance hands out; a new one
    // for every instance, so a cookie left from an earlier run never counts.
    QByteArray sessionToken() const { return m_sessionToken; }
    bool carriesSession(const HttpRequest &request) const;

    // What the server received, in order, without the favicon requests
    // browsers make on their own.
    QList<HttpRequest> requests() const;
    // The same requests as "METHOD target", e.g. "POST /generate?form=2".
    QStringList log() const;
    static QString describe(const HttpRequest &request);

    HttpTestServer &server() { return *m_server; }

private:
    HttpResponse loginPage() const;
    HttpResponse collectionPage(const HttpRequest &request) const;
    HttpResponse generationPage(const HttpRequest &request) const;
    HttpResponse homePage() const;

    QByteArray m_sessionToken;
    HttpTestServer *m_server;
};
