#include "address_panel.h"

#include "autostart_check_box.h"
#include "base/desktop.h"
#include "single_line_field.h"
#include "window_layout.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using WindowLayout::place;

AddressPanel::AddressPanel(const AutostartEntry &autostart, Desktop &desktop, QWidget *parent)
    : QGroupBox(QStringLiteral("地址设置"), parent), m_desktop(desktop)
{
    const std::pair<const char *, const char *> rows[4] = {{"后台登陆地址：", "loginAddress"},
                                                           {"频道采集地址：", "collectionAddress"},
                                                           {"频道生成地址：", "generationAddress"},
                                                           {"生成首页地址：", "homePageAddress"}};
    for (int i = 0; i < 4; ++i) {
        auto *label = new QLabel(QString::fromUtf8(rows[i].first), this);
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        place(label, (QByteArray(rows[i].second) + "Label").constData());
        m_fields[i] = place(new QLineEdit(this), (QByteArray(rows[i].second) + "Field").constData());
    }
    m_saveButton = place(new QPushButton(QStringLiteral("保存"), this), "saveButton");
    m_autostartBox = place(new AutostartCheckBox(autostart, desktop, this), "autostartBox");
    m_rememberedLogin = place(new QLabel(this), "rememberedLoginLabel");
    m_rememberedLogin->setTextFormat(Qt::PlainText);
    m_forgetLoginButton = place(new QPushButton(QStringLiteral("忘记登录"), this), "forgetLoginButton");
    connect(m_forgetLoginButton, &QPushButton::clicked, this, &AddressPanel::forgetLoginRequested);
    showRememberedLogin({}, false);

    for (QLineEdit *field : m_fields) {
        connect(field, &QLineEdit::textChanged, this, [this] { emit edited(typed()); });
        keepOnOneLine(field);
    }
    connect(m_saveButton, &QPushButton::clicked, this, [this] {
        for (QLineEdit *field : m_fields) {
            if (field->text().isEmpty())
                return m_desktop.inform(window(), QStringLiteral("地址框不能为空"));
        }
        emit saveRequested(typed());
    });
}

void AddressPanel::showRememberedLogin(const QString &who, bool usable)
{
    m_rememberedLogin->setText(who.isEmpty() ? QStringLiteral("没有记住的登录")
                                   : QStringLiteral("已记住登录：") + who
                                       + (usable ? QString() : QStringLiteral("（登录地址已改，不会使用）")));
    m_rememberedLogin->adjustSize();
    m_forgetLoginButton->setEnabled(!who.isEmpty());
}

void AddressPanel::setAddresses(const AdminAddresses &addresses)
{
    const QStringList texts = addresses.inOrder();
    for (int i = 0; i < 4; ++i)
        m_fields[i]->setText(texts[i]);
}

AdminAddresses AddressPanel::typed() const
{
    return {m_fields[0]->text(), m_fields[1]->text(), m_fields[2]->text(), m_fields[3]->text()};
}

QList<QWidget *> AddressPanel::fields() const
{
    return {m_fields[0], m_fields[1], m_fields[2], m_fields[3]};
}
