#pragma once

#include <QString>
#include <functional>

class QWidget;

// The boxes about remembering a login. Each is a window of its own, titled
// "记住登录", that does not block the main window.

// Asks whether to remember a login that worked: Enter 记住, Escape 不用.
// `plainFile`: where it would be kept in plain text because no keyring
// answers; empty where the keyring keeps it.
void askToRememberLogin(QWidget *parent, const QString &plainFile, const std::function<void()> &remember);

// Says that a login with a captcha cannot be remembered.
void tellLoginHasCaptcha(QWidget *parent);
