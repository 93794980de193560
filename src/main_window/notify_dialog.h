#pragma once

#include "settings/notify_settings.h"

#include <QDialog>

class Notifier;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// 通知设置: the group robot's address, its kind and secret, and the heartbeat
// address, as kept in notify.ini. The test message goes out with the values
// as typed, saved or not; saved values apply at once.
class NotifyDialog : public QDialog {
    Q_OBJECT
public:
    NotifyDialog(const QString &path, Notifier &notifier, const QString &site, QWidget *parent = nullptr);
    // In a set: names the site folders whose own notify.ini is not this one.
    void noteOwnSettings(const QStringList &folders);

signals:
    void saved(const NotifySettings &settings);

private:
    NotifySettings typed() const;
    void sendTest();
    void save();
    void tell(const QString &text);

    const QString m_path;
    Notifier &m_notifier;
    const QString m_site;
    QLineEdit *m_webhook;
    QComboBox *m_kind;
    QLineEdit *m_secret;
    QLineEdit *m_heartbeat;
    QComboBox *m_reportAt; // a time of day, or none
    QPushButton *m_testButton;
    QLabel *m_result;
};
