#include "fake_cms.h"

#include "settings/gb_text.h"

#include <QMessageAuthenticationCode>
#include <QSignalSpy>
#include <QUrlQuery>
#include <QUuid>
#include <QWebEnginePage>

namespace {

QString variantOf(const HttpRequest &request)
{
    const int question = request.target.indexOf('?');
    if (question < 0)
        return {};
    return QUrlQuery(QString::fromLatin1(request.target.mid(question + 1)))
        .queryItemValue(QStringLiteral("variant"));
}

QByteArray newSessionToken()
{
    return QUuid::createUuid().toByteArray(QUuid::Id128);
}

} // namespace

FakeCms::FakeCms(int loginExpiresAfter)
    : m_loginExpiresAfter(loginExpiresAfter),
      m_sessionToken(newSessionToken()),
      m_server([this](const HttpRequest &request) { return handle(request); })
{
}

HttpResponse FakeCms::page(const QString &title, const QString &body, int status)
{
    const QString html = QStringLiteral(
        "<!DOCTYPE html>\n<html><head>"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
        "<title>%1</title></head>\n<body>\n%2\n<script>console.error('page console message')</script>\n</body></html>\n")
                             .arg(title, body);
    return HttpResponse::html(toGbBytes(html), status);
}

bool FakeCms::isAdminPage(const QByteArray &path)
{
    return path == Collection || path == Generation || path == HomePage;
}

bool FakeCms::isLogin(const HttpRequest &request)
{
    const QUrlQuery form(QString::fromUtf8(request.body));
    return request.path() == Login && request.method == "POST"
        && form.queryItemValue(QStringLiteral("username")) == QLatin1String("admin")
        && form.queryItemValue(QStringLiteral("password")) == QLatin1String("orvo123");
}

HttpResponse FakeCms::serverError()
{
    return page(QStringLiteral("错误"), QStringLiteral("<p>服务器内部错误</p>"), 500);
}

bool FakeCms::sessionExpired() const
{
    return m_loginExpiresAfter > 0 && m_requestsSinceLogin >= m_loginExpiresAfter;
}

HttpResponse FakeCms::handle(const HttpRequest &request)
{
    if (request.path() == "/robot/send") {
        const QUrlQuery query(QString::fromLatin1(request.target.mid(request.target.indexOf('?') + 1)));
        const QByteArray timestamp = query.queryItemValue(QStringLiteral("timestamp")).toLatin1();
        const QByteArray sign = QByteArray::fromPercentEncoding(query.queryItemValue(QStringLiteral("sign"), QUrl::FullyEncoded).toLatin1());
        const QByteArray expected = QMessageAuthenticationCode::hash(timestamp + '\n' + RobotSecret, RobotSecret,
                                                                    QCryptographicHash::Sha256).toBase64();
        return {200, {{"Content-Type", "application/json"}},
                sign == expected ? R"({"errcode":0,"errmsg":"ok"})" : R"({"errcode":310000,"errmsg":"sign not match"})"};
    }
    if (request.path() == Heartbeat)
        return HttpResponse::html("ok");
    if (m_basicAuth
        && request.header("Authorization") != "Basic " + (QByteArray(BasicUser) + ':' + BasicPassword).toBase64()) {
        HttpResponse refusal = page(QStringLiteral("401"), QStringLiteral("<p>需要授权</p>"), 401);
        refusal.headers.append({"WWW-Authenticate", QByteArray("Basic realm=\"") + BasicRealm + '"'});
        return refusal;
    }
    if (isLogin(request)) {
        // A login after the session died starts a new one.
        if (sessionExpired())
            m_sessionToken = newSessionToken();
        m_requestsSinceLogin = 0;
    } else if (isAdminPage(request.path())) {
        if (!admits(request))
            return HttpResponse::redirect(Login);
        ++m_requestsSinceLogin;
    }
    HttpResponse response = respond(request);
    if (variantOf(request) == QLatin1String("hang"))
        response.delivery = HttpResponse::Delivery::Hang;
    return response;
}

HttpResponse FakeCms::respond(const HttpRequest &request) const
{
    const QByteArray path = request.path();
    if (path == Login)
        return loginPage(request);
    if (path == Collection)
        return collectionPage(request);
    if (path == Generation)
        return generationPage(request);
    if (path == HomePage && request.method == "GET")
        return page(QStringLiteral("生成首页"), QStringLiteral("<p>首页已生成</p>"));
    return page(QStringLiteral("404"), QStringLiteral("<p>找不到页面</p>"), 404);
}

HttpResponse FakeCms::loginPage(const HttpRequest &request) const
{
    if (isLogin(request)) {
        HttpResponse response = page(QStringLiteral("管理后台"), QStringLiteral("<p>登录成功</p>"));
        response.headers.append({"Set-Cookie", "session=" + m_sessionToken + "; Path=/; HttpOnly"});
        return response;
    }
    const QString refused = request.method == "POST" ? QStringLiteral("<script>alert('用户名或密码错误')</script>") : QString();
    return page(QStringLiteral("管理员登录"),
                refused + QStringLiteral("<form method=\"post\" action=\"/login\">\n"
                                         "用户名 <input name=\"username\"> 密码 <input type=\"password\" name=\"password\">\n"
                                         "<input type=\"submit\" name=\"submit_button\" value=\"登录\">\n</form>"));
}

HttpResponse FakeCms::collectionPage(const HttpRequest &request) const
{
    const QString variant = variantOf(request);
    const QString deleteButton = QStringLiteral("<button type=\"button\" id=\"delete\" "
                                                "onclick=\"if (confirm('确定删除?')) new Image().src = '/delete'\">删除</button>");
    if (request.method == "POST") {
        // Result pages that speak to the user through a page dialog.
        QString script;
        if (variant == QLatin1String("alert"))
            script = QStringLiteral("alert('采集完成');");
        else if (variant == QLatin1String("confirm"))
            script = QStringLiteral("if (confirm('继续生成吗?')) new Image().src = '/collect?confirmed=1';");
        else if (variant == QLatin1String("prompt"))
            script = QStringLiteral("prompt('备注', '无');");
        return page(QStringLiteral("采集"), QStringLiteral("<p>采集完成</p><script>%1</script>%2")
                                              .arg(script, variant == QLatin1String("delete") ? deleteButton : QString()));
    }

    if (variant == QLatin1String("server-error"))
        return serverError();

    QString buttons;
    if (variant == QLatin1String("no-button")) {
        buttons = QStringLiteral("<input type=\"submit\" name=\"start\" value=\"开始采集\">");
    } else if (variant == QLatin1String("two-buttons")) {
        buttons = QStringLiteral("<input type=\"submit\" name=\"submit_button\" value=\"开始采集\">\n"
                                 "<input type=\"submit\" id=\"submit_button\" name=\"again\" value=\"重新采集\">");
    } else {
        buttons = QStringLiteral("<input type=\"submit\" name=\"submit_button\" value=\"开始采集\">");
    }
    if (variant == QLatin1String("delete"))
        buttons += deleteButton;
    const QString action = QString::fromLatin1(request.target).toHtmlEscaped();
    const QString target = variant == QLatin1String("new-window") ? QStringLiteral(" target=\"_blank\"") : QString();
    return page(QStringLiteral("采集"),
                QStringLiteral("<form method=\"post\" action=\"%1\"%3>\n"
                               "<input type=\"hidden\" name=\"task\" value=\"all\">\n%2\n</form>")
                    .arg(action, buttons, target));
}

HttpResponse FakeCms::generationPage(const HttpRequest &request) const
{
    if (request.method == "POST")
        return page(QStringLiteral("生成"), QStringLiteral("<p>生成完成</p>"));

    const bool oneButton = variantOf(request) == QLatin1String("one-button");
    const QString secondButton = oneButton
        ? QStringLiteral("<input type=\"submit\" name=\"generate\" value=\"生成所有信息页\">")
        : QStringLiteral("<input type=\"submit\" name=\"submit_button\" value=\"生成所有信息页\">");
    return page(QStringLiteral("生成"),
                QStringLiteral("<form method=\"post\" action=\"/generate?form=1\">\n"
                               "<input type=\"submit\" name=\"submit_button\" value=\"生成所有栏目\">\n"
                               "</form>\n"
                               "<form method=\"post\" action=\"/generate?form=2\">\n%1\n</form>")
                    .arg(secondButton));
}

bool FakeCms::carriesSession(const HttpRequest &request) const
{
    const QList<QByteArray> cookies = request.header("Cookie").split(';');
    for (const QByteArray &cookie : cookies) {
        if (cookie.trimmed() == "session=" + m_sessionToken)
            return true;
    }
    return false;
}

QList<HttpRequest> FakeCms::requests() const
{
    QList<HttpRequest> pages;
    for (const HttpRequest &request : m_server.requests()) {
        if (request.path() != "/favicon.ico")
            pages.append(request);
    }
    return pages;
}

QStringList FakeCms::log() const
{
    QStringList described;
    for (const HttpRequest &request : requests())
        described.append(describe(request));
    return described;
}

QString FakeCms::describe(const HttpRequest &request)
{
    return QString::fromLatin1(request.method + ' ' + request.target);
}

bool submitLogin(QWebEnginePage &page, const FakeCms &cms, int patienceMs)
{
    const int logins = cms.log().count(QStringLiteral("POST /login"));
    QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
    page.runJavaScript(QString::fromLatin1(FakeCms::LogInScript));
    return loaded.wait(patienceMs) && cms.log().count(QStringLiteral("POST /login")) == logins + 1;
}

bool logInThrough(QWebEnginePage &page, const FakeCms &cms, int patienceMs)
{
    page.load(cms.url(FakeCms::Login));
    return QSignalSpy(&page, &QWebEnginePage::loadFinished).wait(patienceMs) && submitLogin(page, cms, patienceMs);
}
