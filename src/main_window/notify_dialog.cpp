#include "notify_dialog.h"

#include "notify/notifier.h"
#include "settings/notify_settings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

NotifyDialog::NotifyDialog(const QString &path, Notifier &notifier, const QString &site, QWidget *parent)
    : QDialog(parent),
      m_path(path),
      m_notifier(notifier),
      m_site(site),
      m_webhook(new QLineEdit(this)),
      m_kind(new QComboBox(this)),
      m_secret(new QLineEdit(this)),
      m_heartbeat(new QLineEdit(this)),
      m_reportAt(new QComboBox(this)),
      m_testButton(new QPushButton(QStringLiteral("发送测试消息"), this)),
      m_result(new QLabel(this))
{
    setWindowTitle(QStringLiteral("通知设置"));
    const NotifySettings &saved = notifier.settings();
    m_webhook->setText(QString::fromUtf8(saved.webhook.toEncoded()));
    m_webhook->setPlaceholderText(QStringLiteral("群机器人的 Webhook 地址"));
    const std::pair<RobotKind, QString> kinds[] = {
        {RobotKind::FromAddress, QStringLiteral("自动（按地址判断）")}, {RobotKind::WeCom, QStringLiteral("企业微信")},
        {RobotKind::DingTalk, QStringLiteral("钉钉")},                 {RobotKind::Feishu, QStringLiteral("飞书")},
        {RobotKind::Json, QStringLiteral("通用 JSON")}};
    for (const auto &[kind, label] : kinds)
        m_kind->addItem(label, QVariant::fromValue(kind));
    m_kind->setCurrentIndex(qMax(0, m_kind->findData(QVariant::fromValue(saved.kind))));
    m_secret->setText(saved.secret);
    m_secret->setEchoMode(QLineEdit::Password);
    m_secret->setPlaceholderText(QStringLiteral("加签密钥（钉钉、飞书；没有可不填）"));
    m_heartbeat->setText(QString::fromUtf8(saved.heartbeat.toEncoded()));
    m_heartbeat->setPlaceholderText(QStringLiteral("每轮采集完成后打开（可不填）"));
    m_reportAt->addItem(QStringLiteral("不发送"));
    for (int hour = 0; hour < 24; ++hour)
        m_reportAt->addItem(QTime(hour, 0).toString(QStringLiteral("HH:mm")), QTime(hour, 0));
    if (saved.reportAt && m_reportAt->findData(*saved.reportAt) < 0) // set to the minute in the file
        m_reportAt->addItem(saved.reportAt->toString(QStringLiteral("HH:mm")), *saved.reportAt);
    m_reportAt->setCurrentIndex(saved.reportAt ? m_reportAt->findData(*saved.reportAt) : 0);
    m_result->setWordWrap(true);
    m_result->setTextFormat(Qt::PlainText);
    const std::pair<QWidget *, const char *> names[] = {
        {m_webhook, "webhookField"}, {m_kind, "kindBox"}, {m_secret, "secretField"},
        {m_heartbeat, "heartbeatField"}, {m_reportAt, "reportAtBox"}, {m_testButton, "testButton"},
        {m_result, "resultLabel"}};
    for (const auto &[widget, name] : names)
        widget->setObjectName(QLatin1String(name));

    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("保存"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("机器人地址："), m_webhook);
    form->addRow(QStringLiteral("机器人类型："), m_kind);
    form->addRow(QStringLiteral("加签密钥："), m_secret);
    form->addRow(QStringLiteral("心跳地址："), m_heartbeat);
    form->addRow(QStringLiteral("每日报告时间："), m_reportAt);
    form->addRow(m_testButton, m_result);
    form->addRow(buttons);
    resize(520, sizeHint().height());

    connect(m_testButton, &QPushButton::clicked, this, &NotifyDialog::sendTest);
    connect(buttons, &QDialogButtonBox::accepted, this, &NotifyDialog::save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

NotifySettings NotifyDialog::typed() const
{
    const QVariant at = m_reportAt->currentData();
    return {QUrl(m_webhook->text().trimmed(), QUrl::StrictMode), m_secret->text().trimmed(),
            m_kind->currentData().value<RobotKind>(), QUrl(m_heartbeat->text().trimmed(), QUrl::StrictMode),
            at.isValid() ? std::optional<QTime>(at.toTime()) : std::nullopt};
}

void NotifyDialog::tell(const QString &text)
{
    m_result->setText(text);
}

void NotifyDialog::sendTest()
{
    const NotifySettings settings = typed();
    const QStringList problems = settings.problems();
    if (!problems.isEmpty() || settings.webhook.isEmpty())
        return tell(problems.isEmpty() ? QStringLiteral("请先填写机器人地址") : problems.join(QStringLiteral("；")));
    tell(QStringLiteral("正在发送……"));
    m_testButton->setEnabled(false);
    QPointer<NotifyDialog> self(this);
    m_notifier.sendTest(settings, m_site, [self](const QString &failure) {
        if (!self)
            return;
        self->m_testButton->setEnabled(true);
        self->tell(failure.isEmpty() ? QStringLiteral("发送成功") : QStringLiteral("发送失败：") + failure);
    });
}

void NotifyDialog::noteOwnSettings(const QStringList &folders)
{
    auto *note = new QLabel(folders.isEmpty() ? QStringLiteral("这里的设置用于列表中的所有站点。")
                                              : QStringLiteral("这里的设置用于列表中的站点，以下站点使用自己文件夹里的 notify.ini：\n")
                                                    + folders.join(QLatin1Char('\n')),
                            this);
    note->setObjectName(QStringLiteral("ownSettingsNote"));
    note->setWordWrap(true);
    static_cast<QFormLayout *>(layout())->insertRow(0, note);
}

void NotifyDialog::save()
{
    const NotifySettings settings = typed();
    const QStringList problems = settings.problems();
    if (!problems.isEmpty())
        return tell(problems.join(QStringLiteral("；")));
    if (const QString failure = settings.save(m_path); !failure.isEmpty())
        return tell(QStringLiteral("无法保存 notify.ini：") + failure);
    m_notifier.setSettings(settings);
    emit saved(settings);
    accept();
}
