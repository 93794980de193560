#include "site_question_boxes.h"

#include "automation/browser.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace {

void askPassword(Browser &browser, const SiteQuestion &question, QWidget *parent)
{
    auto *box = new QDialog(parent);
    box->setWindowTitle(QStringLiteral("需要登录网站"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    auto *form = new QFormLayout(box);
    auto *about = new QLabel(question.text, box);
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
    remember->setEnabled(question.canRemember);
    form->addRow(remember);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, box);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, box, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, box, &QDialog::reject);
    QPointer<Browser> asking(&browser);
    QObject::connect(box, &QDialog::accepted, box, [asking, question, user, password, remember] {
        if (asking)
            asking->answer(question, true, user->text(), password->text(), remember->isChecked());
    });
    QObject::connect(box, &QObject::destroyed, &browser, [asking, question] {
        if (asking)
            asking->answer(question, false); // nothing once answered
    });
    user->setFocus();
    box->show();
}

void askCertificate(Browser &browser, const SiteQuestion &question, QWidget *parent)
{
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("安全证书不可信"), question.text,
                                QMessageBox::NoButton, parent);
    QPushButton *accept = box->addButton(QStringLiteral("继续访问"), QMessageBox::AcceptRole);
    QPushButton *refuse = box->addButton(QStringLiteral("拒绝"), QMessageBox::RejectRole);
    accept->setObjectName(QStringLiteral("acceptCertificateButton"));
    box->setDefaultButton(question.strict ? refuse : accept);
    if (question.strict)
        accept->setAutoDefault(false);
    box->setEscapeButton(refuse);
    box->setWindowModality(Qt::NonModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<Browser> asking(&browser);
    QObject::connect(box, &QMessageBox::buttonClicked, box, [asking, question, accept](QAbstractButton *button) {
        if (asking)
            asking->answer(question, button == accept);
    });
    QObject::connect(box, &QObject::destroyed, &browser, [asking, question] {
        if (asking)
            asking->answer(question, false); // nothing once answered
    });
    box->show();
}

} // namespace

void showSiteQuestions(Browser &browser, QWidget *parent)
{
    QObject::connect(&browser, &Browser::questionAsked, parent, [&browser, parent](const SiteQuestion &question) {
        question.kind == SiteQuestion::Password ? askPassword(browser, question, parent)
                                                : askCertificate(browser, question, parent);
    });
}
