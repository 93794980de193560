#include "login_boxes.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox *openBox(QWidget *parent, const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Question, QStringLiteral("记住登录"), text, QMessageBox::NoButton, parent);
    box->setObjectName(QStringLiteral("rememberLoginBox"));
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    return box;
}

} // namespace

void askToRememberLogin(QWidget *parent, const QString &plainFile, const std::function<void()> &remember)
{
    QString text = QStringLiteral("记住此登录？登录失效时由本工具自动重新登录");
    if (!plainFile.isEmpty())
        text += QStringLiteral("\n\n没有可用的密钥环。选“记住”会把用户名和密码以明文保存在 %1，"
                               "只有您的账户可以读取。").arg(plainFile);
    QMessageBox *box = openBox(parent, text);
    QPushButton *yes = box->addButton(QStringLiteral("记住"), QMessageBox::AcceptRole);
    QPushButton *no = box->addButton(QStringLiteral("不用"), QMessageBox::RejectRole);
    box->setDefaultButton(yes);
    box->setEscapeButton(no);
    QObject::connect(yes, &QPushButton::clicked, box, remember);
    box->show();
}

void tellLoginHasCaptcha(QWidget *parent)
{
    QMessageBox *box = openBox(parent, QStringLiteral("此登录有验证码，无法自动登录"));
    box->setIcon(QMessageBox::Information);
    box->addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    box->show();
}
