#pragma once

#include <QJsonObject>
#include <QString>

// Every script the tool runs in a page. Each is a fixed function applied to
// its arguments as a JSON object, so no page data is ever pasted into code.
namespace PageScripts {

// Each press script gives {found: elements answering to the name, pressed,
// loginForm: the button was not pressed because its form asks for a password}.

// Clicks the one element whose name or id is `name`; clicks nothing when no
// element or several elements answer to it.
QString pressOnlyElementNamed(const QString &name);

// Clicks the element at `index` of document.getElementsByName(`name`).
QString pressElementNamedAt(const QString &name, int index);

// Installed in every page's main frame, in the tool's own script world:
// reports each POST form with a password field as it is submitted, read
// before the page's own scripts can change it (hash the password, say),
// to the channel object named `reporterName`.
QString loginWatcher(const QString &reporterName);

// Fills in the form of `login` (LoginWatch::scriptArguments()) as typing would,
// so that the page's scripts see it, and submits it once through the
// control that submitted it. Sends nothing when the form has changed: a
// remembered field missing, a visible field that was not remembered (a
// captcha), or a field that was not there then. Gives {sent}.
QString logIn(const QJsonObject &login);

// Gives whether the page shows a password field, one that can be seen.
QString asksForPassword();

} // namespace PageScripts
