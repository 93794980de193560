#include "site_login.h"

#include "base/one_line.h"
#include "settings/site_passwords.h"

#include <QAuthenticator>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWebEnginePage>

SiteLogin::SiteLogin(QWebEnginePage &page, QWidget *boxParent, SitePasswords &remembered, QObject *parent)
    : QObject(parent), m_page(page), m_boxParent(boxParent), m_remembered(remembered)
{
    connect(&page, &QWebEnginePage::authenticationRequired, this,
            [this](const QUrl &url, QAuthenticator *authenticator) {
                // An answer given over https is never given to http on the same port.
                const int port = url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
                onRequired(url.scheme() + QLatin1String("://") + url.host() + QLatin1Char(':') + QString::number(port),
                           url.host(), authenticator->realm(), authenticator);
            });
    connect(&page, &QWebEnginePage::proxyAuthenticationRequired, this,
            [this](const QUrl &, QAuthenticator *authenticator, const QString &proxyHost) {
                onRequired(proxyHost, proxyHost, authenticator->realm(), authenticator);
            });
}

PersonWait SiteLogin::waiting() const
{
    if (m_boxes.isEmpty())
        return {};
    return {PersonWait::SitePassword, m_boxes.cbegin()->host};
}

void SiteLogin::onRequired(const QString &site, const QString &host, const QString &realm,
                           QAuthenticator *authenticator)
{
    const QString key = site + QLatin1Char('\n') + realm;
    if (const auto kept = m_remembered.answerFor(key); kept && !m_answers.contains(key))
        m_answers.insert(key, {kept->user, kept->password, false, true});
    Answer *answer = m_answers.contains(key) ? &m_answers[key] : nullptr;
    if (answer && !answer->tried) {
        // The browser keeps an answer that the site took; asked again, the
        // site refused it, and the person is asked afresh.
        answer->tried = true;
        authenticator->setUser(answer->user);
        authenticator->setPassword(answer->password);
        return;
    }
    if (answer && answer->kept)
        m_remembered.forget(key); // refused: never given again
    m_answers.remove(key);
    *authenticator = QAuthenticator(); // refused: the page shows the site's refusal
    if (!m_boxes.value(key).dialog)
        ask(key, host, realm);
}

void SiteLogin::ask(const QString &key, const QString &host, const QString &realm)
{
    auto *box = new QDialog(m_boxParent);
    box->setWindowTitle(QStringLiteral("需要登录网站"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    auto *form = new QFormLayout(box);
    auto *about = new QLabel(QStringLiteral("网站 %1 要求输入用户名和密码。\n提示：%2").arg(host, oneLine(realm)), box);
    about->setTextFormat(Qt::PlainText);
    form->addRow(about);
    auto *user = new QLineEdit(box);
    auto *password = new QLineEdit(box);
    user->setObjectName(QStringLiteral("userField"));
    password->setObjectName(QStringLiteral("passwordField"));
    password->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("用户名："), user);
    form->addRow(QStringLiteral("密码："), password);
    auto *remember = new QCheckBox(QStringLiteral("记住（保存在密钥环）"), box);
    remember->setObjectName(QStringLiteral("rememberBox"));
    remember->setEnabled(m_remembered.keyringAnswers());
    form->addRow(remember);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, box);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, box, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, box, &QDialog::reject);
    connect(box, &QDialog::accepted, this, [this, key, user, password, remember] {
        m_answers.insert(key, {user->text(), password->text()});
        if (remember->isChecked())
            m_remembered.remember(key, {user->text(), password->text()});
        m_page.triggerAction(QWebEnginePage::Reload);
    });
    connect(box, &QObject::destroyed, this, [this, key] {
        m_boxes.remove(key);
        emit waitingChanged();
    });
    m_boxes.insert(key, {box, host});
    user->setFocus();
    box->show();
    emit waitingChanged();
}
