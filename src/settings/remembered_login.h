#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>

// A login form as the person filled it in once, remembered so that the tool
// can send it again by itself when the CMS ends the login. Hidden fields
// (nonces, tokens) and other text fields (captchas, one-time codes) are
// never kept: they are read fresh from the page each time.
struct RememberedLogin {
    QString address;        // the login address it was remembered for
    int form = 0;           // which of the page's forms
    QString userField, user;
    QString passwordField, password;
    QList<QPair<QString, QString>> choices; // check boxes ("" unchecked) and selects, by name
    QString submitter;      // the name of the control that submitted it; empty: the form itself
    QStringList fieldNames; // every named field of the form then, hidden ones included
    bool failed = false;    // an automatic login failed since the last login by hand
    // Where the form sent the password: the scheme, host and port of its
    // action ("https://cms.example:8443"). Empty in logins kept by older
    // versions: the login page's own.
    QString target;

    // "user@host", as the panel names it.
    QString who() const;
    // The same form filled in the same way.
    bool sameAs(const RememberedLogin &other) const;

    // One "key=value" per line, each value percent-encoded.
    QByteArray toText() const;
    static std::optional<RememberedLogin> fromText(const QByteArray &text);
};
