#pragma once

#include "settings/admin_addresses.h"

#include <QGroupBox>

class AutostartEntry;
class Desktop;
class QLineEdit;
class QPushButton;
class QCheckBox;
class QLabel;

// 地址设置: the four administration addresses, their save button and the
// check box for starting at login.
class AddressPanel : public QGroupBox {
    Q_OBJECT
public:
    AddressPanel(const AutostartEntry &autostart, Desktop &desktop, QWidget *parent);

    void setAddresses(const AdminAddresses &addresses);
    AdminAddresses typed() const;
    // In the window's focus order: the four fields, then the save button and
    // the check box.
    QList<QWidget *> fields() const;
    QPushButton *saveButton() const { return m_saveButton; }
    QCheckBox *autostartBox() const { return m_autostartBox; }
    // Which login is remembered for this folder, as "user@host"; empty: none.
    // `usable`: remembered for the login address shown.
    void showRememberedLogin(const QString &who, bool usable);

signals:
    void edited(const AdminAddresses &addresses);
    // Save was pressed with every address given.
    void saveRequested(const AdminAddresses &addresses);
    void forgetLoginRequested();

private:
    Desktop &m_desktop;
    QLineEdit *m_fields[4];
    QPushButton *m_saveButton;
    QCheckBox *m_autostartBox;
    QLabel *m_rememberedLogin;
    QPushButton *m_forgetLoginButton;
};
