#include "remembered_login.h"

#include <QUrl>

namespace {

QByteArray encoded(const QString &value)
{
    return QUrl::toPercentEncoding(value);
}

QString decoded(const QByteArray &value)
{
    return QUrl::fromPercentEncoding(value);
}

} // namespace

QString RememberedLogin::who() const
{
    return user + QLatin1Char('@') + QUrl::fromUserInput(address).host();
}

bool RememberedLogin::sameAs(const RememberedLogin &other) const
{
    RememberedLogin mine = *this, theirs = other;
    mine.failed = theirs.failed = false;
    return mine.toText() == theirs.toText();
}

QByteArray RememberedLogin::toText() const
{
    QByteArray text = "address=" + encoded(address) + "\nform=" + QByteArray::number(form) + "\nuserField="
        + encoded(userField) + "\nuser=" + encoded(user) + "\npasswordField=" + encoded(passwordField)
        + "\npassword=" + encoded(password) + "\nsubmitter=" + encoded(submitter)
        + "\nfailed=" + (failed ? "1" : "0") + "\ntarget=" + encoded(target) + '\n';
    for (const auto &[name, value] : choices)
        text += "choice=" + encoded(name) + '=' + encoded(value) + '\n';
    for (const QString &name : fieldNames)
        text += "field=" + encoded(name) + '\n';
    return text;
}

std::optional<RememberedLogin> RememberedLogin::fromText(const QByteArray &text)
{
    RememberedLogin login;
    for (const QByteArray &line : text.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        const QByteArray key = line.left(equals);
        const QByteArray raw = line.mid(equals + 1);
        const QString value = decoded(raw);
        if (key == "address")
            login.address = value;
        else if (key == "form")
            login.form = raw.toInt();
        else if (key == "userField")
            login.userField = value;
        else if (key == "user")
            login.user = value;
        else if (key == "passwordField")
            login.passwordField = value;
        else if (key == "password")
            login.password = value;
        else if (key == "submitter")
            login.submitter = value;
        else if (key == "failed")
            login.failed = raw == "1";
        else if (key == "target")
            login.target = value;
        else if (key == "choice")
            login.choices.append({decoded(raw.left(raw.indexOf('='))), decoded(raw.mid(raw.indexOf('=') + 1))});
        else if (key == "field")
            login.fieldNames << value;
    }
    if (login.address.isEmpty() || login.passwordField.isEmpty())
        return std::nullopt;
    return login;
}
