#include "page_scripts.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString apply(const char *function, const QJsonObject &args)
{
    const QString json = QString::fromUtf8(QJsonDocument(args).toJson(QJsonDocument::Compact));
    return QStringLiteral("(%1)(%2);").arg(QString::fromUtf8(function), json);
}

const char pressOnly[] = R"JS(function (args) {
    var all = document.getElementsByTagName('*');
    var found = [];
    for (var i = 0; i < all.length; ++i) {
        if (all[i].id === args.name || all[i].getAttribute('name') === args.name)
            found.push(all[i]);
    }
    if (found.length !== 1)
        return {found: found.length, pressed: false};
    found[0].click();
    return {found: 1, pressed: true};
})JS";

const char pressAt[] = R"JS(function (args) {
    var named = document.getElementsByName(args.name);
    if (named.length <= args.index)
        return {found: named.length, pressed: false};
    named[args.index].click();
    return {found: named.length, pressed: true};
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
