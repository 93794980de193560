#include "page_scripts.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

// Clicks an element so that what it submits loads in this view, not in a
// new window: the page the press was made in must report the press, and a
// new window would replace it before it can. A button of a form with a
// password field is never clicked: that is a login form, shown where the
// page was asked for because the login has ended, and a press would send
// an empty login (many CMSs lock the account after a few); so is a button
// outside any form on a page that shows a password field. Returns whether
// it clicked.
const char pressInPlace[] = R"JS(function (element) {
    var isPassword = function (field) { return (field.type || '').toLowerCase() === 'password'; };
    var shown = function (field) { return field.getClientRects().length > 0; };
    // A password field may belong to the form from outside it (form=""), and
    // a button outside any form may sit beside a login form's fields.
    if (element.form ? Array.prototype.some.call(element.form.elements, isPassword)
                     : Array.prototype.some.call(document.querySelectorAll('input[type=password]'), shown))
        return false;
    if (element.form)
        element.form.target = '_self';
    element.removeAttribute('formtarget');
    element.click();
    return true;
})JS";

// Where and how a form sends what it holds, through the control that
// submits it: {target: the action's scheme, host and port; method}.
const char sendingOf[] = R"JS(function (form, submitter) {
    var own = submitter && submitter.form === form;
    var action = own && submitter.hasAttribute('formaction') ? submitter.formAction : form.action;
    var method = own && submitter.hasAttribute('formmethod') ? submitter.formMethod : form.method;
    return {target: new URL(action, location.href).origin, method: (method || '').toLowerCase()};
})JS";

// The script calls `function` with the data as JSON, the press above for
// the scripts that press, and the form's sending for those of logins.
QString call(const char *function, const QJsonObject &args)
{
    const QString json = QString::fromUtf8(QJsonDocument(args).toJson(QJsonDocument::Compact));
    return QStringLiteral("(%1)(%2, %3, %4);")
        .arg(QString::fromUtf8(function), json, QString::fromUtf8(pressInPlace), QString::fromUtf8(sendingOf));
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

// Runs after qwebchannel.js, at the creation of each document. What is
// reported is what the person typed and clicked: the value of each field
// as of their last keystroke in it (a page's script may hash the password
// or move it before the form goes), and the control they clicked to send
// it (a script may send the form itself once it has done so).
const char watchLogins[] = R"JS(function (args, press, sending) {
    var reporter = null;
    new QWebChannel(qt.webChannelTransport, function (channel) { reporter = channel.objects[args.reporter]; });
    var captchaName = /captcha|vcode|verify|seccode|yzm|验证码/i;
    var typed = new WeakMap();
    var clicked = null;
    document.addEventListener('input', function (event) {
        if (event.isTrusted)
            typed.set(event.target, event.target.value);
    }, true);
    document.addEventListener('click', function (event) {
        if (event.isTrusted)
            clicked = event.target.closest && event.target.closest('button, input[type=submit], input[type=image]');
    }, true);
    document.addEventListener('submit', function (event) {
        var form = event.target;
        if (!event.isTrusted || !reporter || !(form instanceof HTMLFormElement)
            || !form.querySelector('input[type=password]'))
            return;
        var submitter = event.submitter || (clicked && clicked.form === form ? clicked : null);
        var sent = sending(form, submitter);
        if (sent.method !== 'post')
            return;
        var report = {page: location.href, form: Array.prototype.indexOf.call(document.forms, form),
                      fields: [], choices: [], userField: '', user: '', passwordField: '', password: '',
                      submitter: submitter && submitter.name || '', target: sent.target,
                      captcha: false};
        var lastText = null;
        var shownTexts = []; // a captcha's code goes into one besides the user name
        for (var i = 0; i < form.elements.length; ++i) {
            var field = form.elements[i];
            var type = (field.type || '').toLowerCase();
            if (!field.name)
                continue;
            report.fields.push(field.name);
            if (captchaName.test(field.name) || captchaName.test(field.id))
                report.captcha = true;
            if (field.tagName === 'INPUT' && ['text', 'email', 'number', 'tel'].indexOf(type) >= 0
                && field.getClientRects().length > 0)
                shownTexts.push(field.name);
            if (type === 'password' && !report.passwordField) {
                report.passwordField = field.name;
                report.password = typed.get(field) || '';
                if (lastText) {
                    report.userField = lastText.name;
                    report.user = typed.has(lastText) ? typed.get(lastText) : lastText.value;
                }
            } else if ((type === 'text' || type === 'email') && !report.passwordField) {
                lastText = field;
            } else if (type === 'checkbox') {
                report.choices.push([field.name, field.checked ? (field.value || 'on') : '']);
            } else if (field.tagName === 'SELECT') {
                report.choices.push([field.name, field.value]);
            }
        }
        // An image is a captcha's only with a box for its code; a logo is none.
        if (form.querySelector('img, canvas')
            && shownTexts.some(function (name) { return name !== report.userField; }))
            report.captcha = true;
        // A password the person did not type is not theirs to remember.
        if (report.password)
            reporter.submitted(report);
    }, true);
})JS";

const char logInWith[] = R"JS(function (args, press, sending) {
    var form = document.forms[args.form];
    if (!form)
        return {sent: false};
    var kept = {};
    if (args.userField)
        kept[args.userField] = args.user;
    kept[args.passwordField] = args.password;
    args.choices.forEach(function (choice) { kept[choice[0]] = choice[1]; });
    var named = {};
    for (var i = 0; i < form.elements.length; ++i) {
        var field = form.elements[i];
        var type = (field.type || '').toLowerCase();
        if (!field.name)
            continue;
        named[field.name] = named[field.name] || field;
        var typed = ['hidden', 'submit', 'button', 'image', 'reset'].indexOf(type) < 0;
        if (args.fields.indexOf(field.name) < 0 || (typed && field.getClientRects().length > 0 && !(field.name in kept)))
            return {sent: false};
    }
    for (var name in kept) {
        if (!named[name])
            return {sent: false};
    }
    // An image button sends the form but is not one of its elements.
    Array.prototype.forEach.call(form.querySelectorAll('input[type=image]'), function (image) {
        named[image.name] = named[image.name] || image;
    });
    if (args.submitter && !named[args.submitter])
        return {sent: false};
    // The password goes where it went when the person typed it, by POST,
    // from a password field, or nowhere.
    var route = sending(form, args.submitter ? named[args.submitter] : null);
    if (route.method !== 'post' || route.target !== (args.target || location.origin)
        || (named[args.passwordField].type || '').toLowerCase() !== 'password')
        return {sent: false};
    for (var name in kept) {
        var field = named[name];
        if ((field.type || '').toLowerCase() === 'checkbox') {
            field.checked = kept[name] !== '';
        } else {
            var setter = Object.getOwnPropertyDescriptor(Object.getPrototypeOf(field), 'value').set;
            setter.call(field, kept[name]);
            field.dispatchEvent(new Event('input', {bubbles: true}));
        }
        field.dispatchEvent(new Event('change', {bubbles: true}));
    }
    form.target = '_self';
    if (args.submitter)
        named[args.submitter].click();
    else
        form.requestSubmit();
    return {sent: true};
})JS";

} // namespace

QString PageScripts::pressOnlyElementNamed(const QString &name)
{
    return call(pressOnly, {{QStringLiteral("name"), name}});
}

QString PageScripts::pressElementNamedAt(const QString &name, int index)
{
    return call(pressAt, {{QStringLiteral("name"), name}, {QStringLiteral("index"), index}});
}

QString PageScripts::loginWatcher(const QString &reporterName)
{
    return call(watchLogins, {{QStringLiteral("reporter"), reporterName}});
}

QString PageScripts::logIn(const QJsonObject &login)
{
    return call(logInWith, login);
}

QString PageScripts::asksForPassword()
{
    // A hidden box (a lock screen's, a change of password's) asks nothing.
    return QStringLiteral("Array.prototype.some.call(document.querySelectorAll('input[type=password]'),"
                          " function (field) { return field.getClientRects().length > 0; });");
}
