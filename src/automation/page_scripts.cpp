#include "page_scripts.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Clicks an element so that what it submits loads in this view, not in a
// new window: the page the press was made in must report the press, and a
// new window would replace it before it can. A button of a form with a
// password field is never clicked: that is a login form, shown where the
// page was asked for because the login has ended, and a press would send
// an empty login (many CMSs lock the account after a few). Returns whether
// it clicked.
const char pressInPlace[] = R"JS(function (element) {
    if (element.form && element.form.querySelector('input[type=password]'))
        return false;
    if (element.form)
        element.form.target = '_self';
    element.removeAttribute('formtarget');
    element.click();
    return true;
})JS";

// The script calls `function` with the data as JSON and the press above.
QString apply(const char *function, const QJsonObject &args)
{
    const QString json = QString::fromUtf8(QJsonDocument(args).toJson(QJsonDocument::Compact));
    return QStringLiteral("(%1)(%2, %3);").arg(QString::fromUtf8(function), json, QString::fromUtf8(pressInPlace));
}

const char pressOnly[] = R"JS(function (args, press) {
    var all = document.getElementsByTagName('*');
    var found = [];
    for (var i = 0; i < all.length; ++i) {
        if (all[i].id === args.name || all[i].getAttribute('name') === args.name)
            found.push(all[i]);
    }
    if (found.length !== 1)
        return {found: found.length, pressed: false};
    var pressed = press(found[0]);
    return {found: 1, pressed: pressed, loginForm: !pressed};
})JS";

const char pressAt[] = R"JS(function (args, press) {
    var named = document.getElementsByName(args.name);
    if (named.length <= args.index)
        return {found: named.length, pressed: false};
    var pressed = press(named[args.index]);
    return {found: named.length, pressed: pressed, loginForm: !pressed};
})JS";

} // namespace

QString PageScripts::pressOnlyElementNamed(const QString &name)
{
    return apply(pressOnly, {{QStringLiteral("name"), name}});
}

QString PageScripts::pressElementNamedAt(const QString &name, int index)
{
    return apply(pressAt, {{QStringLiteral("name"), name}, {QStringLiteral("index"), index}});
}
