#include "login_watch.h"

#include "automation/web_engine/page_scripts.h"

#include <QFile>
#include <QJsonArray>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace {

const QString ReporterName = QStringLiteral("loginReporter");

QString webChannelLibrary()
{
    QFile library(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    return library.open(QIODevice::ReadOnly) ? QString::fromUtf8(library.readAll()) : QString();
}

} // namespace

LoginWatch::LoginWatch(QWebEnginePage &page, QObject *parent) : QObject(parent)
{
    auto *channel = new QWebChannel(this);
    channel->registerObject(ReporterName, this);
    page.setWebChannel(channel, QWebEngineScript::ApplicationWorld);
    QWebEngineScript script;
    script.setName(QStringLiteral("orvo-login-watch"));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(false);
    script.setSourceCode(webChannelLibrary() + QLatin1Char('\n') + PageScripts::loginWatcher(ReporterName));
    page.scripts().insert(script);
}

QJsonObject LoginWatch::scriptArguments(const RememberedLogin &login)
{
    QJsonArray choices;
    for (const auto &[name, value] : login.choices)
        choices.append(QJsonArray{name, value});
    return {{QStringLiteral("form"), login.form},           {QStringLiteral("userField"), login.userField},
            {QStringLiteral("user"), login.user},           {QStringLiteral("passwordField"), login.passwordField},
            {QStringLiteral("password"), login.password},   {QStringLiteral("choices"), choices},
            {QStringLiteral("submitter"), login.submitter}, {QStringLiteral("fields"), QJsonArray::fromStringList(login.fieldNames)},
            {QStringLiteral("target"), login.target}};
}

void LoginWatch::submitted(const QJsonObject &report)
{
    RememberedLogin login;
    login.form = report.value(QStringLiteral("form")).toInt();
    login.userField = report.value(QStringLiteral("userField")).toString();
    login.user = report.value(QStringLiteral("user")).toString();
    login.passwordField = report.value(QStringLiteral("passwordField")).toString();
    login.password = report.value(QStringLiteral("password")).toString();
    login.submitter = report.value(QStringLiteral("submitter")).toString();
    login.target = report.value(QStringLiteral("target")).toString();
    for (const QJsonValue &choice : report.value(QStringLiteral("choices")).toArray())
        login.choices.append({choice[0].toString(), choice[1].toString()});
    for (const QJsonValue &name : report.value(QStringLiteral("fields")).toArray())
        login.fieldNames << name.toString();
    emit loginSubmitted(QUrl(report.value(QStringLiteral("page")).toString()), login,
                        report.value(QStringLiteral("captcha")).toBool());
}
