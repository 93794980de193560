#include "fake_cms.h"

#include "base/gb_text.h"

#include <QApplication>
#include <QClipboard>
#include <QCryptographicHash>
#include <QHash>
#include <QMessageAuthenticationCode>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>
#include <QUuid>
#include <QWebEnginePage>

#include <memory>
#include <optional>

namespace {

QString queryValue(const HttpRequest &request, const QString &name)
{
    return QUrlQuery(QUrl(QString::fromLatin1(request.target)).query()).queryItemValue(name);
}

// The login button's script on pages that never send the password itself.
const char HashScript[] = R"(<script>function hashAndSend(button) {
    var form = button.form;
    crypto.subtle.digest('SHA-256', new TextEncoder().encode(form.password.value + form.nonce.value)).then(function (hash) {
        form.password.value = Array.from(new Uint8Array(hash), function (b) { return ('0' + b.toString(16)).slice(-2); }).join('');
        form.requestSubmit(button);
    });
    return false;
}</script>)";

QString variantOf(const HttpRequest &request)
{
    return queryValue(request, "variant");
}

} // namespace

QByteArray FakeCms::newSessionToken()
{
    return QUuid::createUuid().toByteArray(QUuid::Id128);
}

FakeCms::FakeCms(int loginExpiresAfter)
    : m_loginExpiresAfter(loginExpiresAfter),
      m_sessionToken(newSessionToken()),
      m_server([this](const HttpRequest &request) { return handle(request); })
{
}

HttpResponse FakeCms::page(const QString &title, const QString &body, int status)
{
    return HttpResponse::html(toGbBytes(QString(R"(<!DOCTYPE html><html><head>
        <meta http-equiv="Content-Type" content="text/html; charset=gb2312"><title>%1</title></head>
        <body>%2<script>console.error('page console message')</script></body></html>)").arg(title, body)), status);
}

bool FakeCms::isAdminPage(const QByteArray &path)
{
    return path == Collection || path == Generation || path == HomePage;
}

bool FakeCms::isLogin(const HttpRequest &request) const
{
    const QUrlQuery form(QString::fromUtf8(request.body));
    const QString password = m_hashed
        ? QString::fromLatin1(QCryptographicHash::hash((m_password + m_nonce).toUtf8(), QCryptographicHash::Sha256).toHex())
        : m_password;
    return request.path() == Login && request.method == "POST" && form.queryItemValue("username") == "admin"
        && form.queryItemValue("password") == password && form.queryItemValue("nonce") == m_nonce && !locked();
}

HttpResponse FakeCms::serverError()
{
    return page("错误", "<p>服务器内部错误</p>", 500);
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
    if (!m_basicAuth.isEmpty()
        && (m_basicAuth != BasicRealm
            || request.header("Authorization") != "Basic " + (QByteArray(BasicUser) + ':' + BasicPassword).toBase64())) {
        HttpResponse refusal = page("401", "<p>需要授权</p>", 401);
        refusal.headers.append({"WWW-Authenticate", QByteArray("Basic realm=\"") + m_basicAuth + '"'});
        return refusal;
    }
    // Moved to another host, where another site answers at the same path.
    if (variantOf(request) == "moved")
        return request.header("Host").startsWith("127.")
            ? HttpResponse::redirect("http://localhost:" + QByteArray::number(url("/").port()) + request.target)
            : respond(request);
    if (request.path() == "/end-sessions")
        endSessions();
    if (request.path() == "/password")
        setPassword(queryValue(request, "new"));
    const bool login = isLogin(request);
    if (request.path() == Login && request.method == "POST")
        m_failedLogins = login ? 0 : m_failedLogins + 1;
    if (login) {
        // A login after the session died starts a new one.
        if (sessionExpired())
            m_sessionToken = newSessionToken();
        m_requestsSinceLogin = 0;
    } else if (isAdminPage(request.path())) {
        if (!admits(request))
            return m_inPlace ? loginPage(request) : HttpResponse::redirect(Login);
        ++m_requestsSinceLogin;
    }
    HttpResponse response = respond(request);
    if (!m_endAfter.isEmpty() && describe(request) == m_endAfter) {
        m_endAfter.clear();
        endSessions();
        m_endedAt = requests().size();
    }
    if (variantOf(request) == "hang" || (m_loginsHang && request.path() == Login && request.method == "POST"))
        response.deliver = HttpResponse::sendNothing;
    return response;
}

HttpResponse FakeCms::respond(const HttpRequest &request) const
{
    const QByteArray path = request.path();
    if (path == Login)
        return loginPage(request);
    if (path == Collection || path == "/")
        return collectionPage(request);
    if (path == Generation && request.method == "POST")
        return page("生成", "<p>生成完成</p>");
    if (path == Generation)
        return page("生成", QString(R"(<form method="post" action="/generate?form=1">
                <input type="submit" name="submit_button" value="生成所有栏目"></form>
                <form method="post" action="/generate?form=2"><input type="submit" name="%1" value="生成所有信息页"></form>)")
                                .arg(variantOf(request) == "one-button" ? "generate" : "submit_button"));
    if (path == HomePage && request.method == "GET")
        return page("生成首页", "<p>首页已生成</p>");
    return page("404", "<p>找不到页面</p>", 404);
}

HttpResponse FakeCms::loginPage(const HttpRequest &request) const
{
    if (m_inPlace && request.method == "POST" && request.path() == Login && !isLogin(request))
        return page("错误", "<p>用户名或密码错误</p><a href=\"javascript:history.back()\">返回</a>");
    if (!isLogin(request)) {
        m_nonce = QString::fromLatin1(newSessionToken());
        return page("管理员登录", QString(request.method == "POST" ? "<script>alert('用户名或密码错误')</script>" : "")
                                   + QString(R"(<form method="post" action="/login"><input type="hidden" name="nonce" value="%1">用户名 <input name="%2">
                 密码 <input type="password" name="password">%3<input type="%5" name="submit_button" value="登录" alt="登录"%4></form>)")
                                         .arg(m_nonce, m_renamed ? "login_name" : "username", m_captcha ? R"(<img src="/captcha.png"> <input name="answer">)" : m_imageButton ? R"(<img alt="OrvoCMS">)" : "",
                                              (m_loginTarget.isEmpty() ? "" : " formaction=\"" + m_loginTarget.toHtmlEscaped() + '"')
                                                  + (m_hashed ? R"js( onclick="return hashAndSend(this)")js" : ""),
                                              m_imageButton ? "image" : "submit")
                                   + (m_hashed ? HashScript : ""));
    }
    // A lock screen's password box, hidden until it is needed, as admin themes have.
    HttpResponse response = page("管理后台", R"(<p>登录成功</p><div style="display:none"><input type="password" name="unlock"></div>)");
    response.headers.append({"Set-Cookie", "session=" + m_sessionToken + "; Path=/; HttpOnly"});
    return response;
}

HttpResponse FakeCms::collectionPage(const HttpRequest &request) const
{
    const QString variant = variantOf(request);
    const QString deleteButton = variant != "delete" ? QString()
        : R"(<button type="button" id="delete" onclick="if (confirm('确定删除?')) new Image().src = '/delete'">删除</button>)";
    if (request.method == "POST") {
        // Result pages that speak to the user through a page dialog.
        static const QHash<QString, QString> scripts = {
            {"alert", "alert('采集完成');"},
            {"confirm", "if (confirm('继续生成吗?')) new Image().src = '/collect?confirmed=1';"},
            {"prompt", "prompt('备注', '无');"},
            {"new-window", "window.open('/collect?opened=1');"}};
        return page("采集", "<p>采集完成</p><script>" + scripts.value(variant) + "</script>" + deleteButton);
    }
    if (variant == "server-error")
        return serverError();
    static const QHash<QString, QString> buttons = {
        {"no-button", R"(<input type="submit" name="start" value="开始采集">)"},
        {"login-form", R"(用户名 <input name="username"> 密码 <input type="password" name="password">
                          <input type="submit" name="submit_button" value="登录">)"},
        {"login-form-apart", R"(</form><form id="in" method="post" action="/login"></form>用户名 <input name="username" form="in">
                                密码 <input type="password" name="password" form="in"><input type="submit" name="submit_button" value="登录" form="in"><form>)"},
        {"two-buttons", R"(<input type="submit" name="submit_button" value="开始采集">
                           <input type="submit" id="submit_button" name="again" value="重新采集">)"}};
    const QString image = queryValue(request, "image");
    return page("采集", QString(R"(<form method="post" action="%1"%2><input type="hidden" name="task" value="all">%3%4</form>%5)")
                          .arg(QString::fromLatin1(request.target).toHtmlEscaped(),
                               variant == "new-window" ? R"( target="_blank")" : "",
                               buttons.value(variant, R"(<input type="submit" name="submit_button" value="开始采集">)"),
                               deleteButton, image.isEmpty() ? "" : "<img src=\"" + image.toHtmlEscaped() + "\">"));
}

bool FakeCms::carriesSession(const HttpRequest &request) const
{
    const QList<QByteArray> cookies = request.header("Cookie").split(';');
    return std::any_of(cookies.cbegin(), cookies.cend(),
                       [this](const QByteArray &cookie) { return cookie.trimmed() == "session=" + m_sessionToken; });
}

QList<HttpRequest> FakeCms::requests() const
{
    QList<HttpRequest> pages = m_server.requests();
    pages.removeIf([](const HttpRequest &request) { return request.path() == "/favicon.ico"; });
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

namespace {

// What `script` gives in `page`, once it has run.
QVariant resultOf(QWebEnginePage &page, const QString &script, int patienceMs)
{
    std::optional<QVariant> result;
    auto alive = std::make_shared<bool>(true); // a late answer finds the wait gone
    page.runJavaScript(script, [&result, alive](const QVariant &value) {
        if (*alive)
            result = value;
    });
    const bool answered = QTest::qWaitFor([&result] { return result.has_value(); }, patienceMs);
    *alive = false;
    return answered ? *result : QVariant();
}

// Text pasted into a field of the form shown, once it has arrived: the
// page hears the paste and scripts by separate ways.
bool pasteInto(QWebEnginePage &page, const QString &field, const QString &text, int patienceMs)
{
    const QString selector = "document.querySelector('[name=" + field + "]')";
    if (!resultOf(page, selector + ".focus(), true", patienceMs).toBool())
        return false;
    QApplication::clipboard()->setText(text);
    page.triggerAction(QWebEnginePage::Paste);
    return QTest::qWaitFor([&] { return resultOf(page, selector + ".value", patienceMs).toString() == text; }, patienceMs);
}

} // namespace

bool submitLogin(QWebEnginePage &page, const FakeCms &cms, int patienceMs)
{
    const int logins = cms.log().count(QStringLiteral("POST /login"));
    QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
    page.runJavaScript(QString::fromLatin1(FakeCms::LogInScript));
    return loaded.wait(patienceMs) && cms.log().count(QStringLiteral("POST /login")) == logins + 1;
}

bool pasteLogin(QWebEnginePage &page, const FakeCms &cms, int patienceMs)
{
    const int logins = cms.log().count(QStringLiteral("POST /login"));
    QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
    if (!pasteInto(page, "username", "admin", patienceMs) || !pasteInto(page, "password", "orvo123", patienceMs))
        return false;
    page.runJavaScript(QStringLiteral("document.querySelector('[name=submit_button]').click()"));
    return loaded.wait(patienceMs) && cms.log().count(QStringLiteral("POST /login")) == logins + 1;
}

bool logInThrough(QWebEnginePage &page, const FakeCms &cms, int patienceMs)
{
    page.load(cms.url(FakeCms::Login));
    return QSignalSpy(&page, &QWebEnginePage::loadFinished).wait(patienceMs) && submitLogin(page, cms, patienceMs);
}
