#include "unattended_page.h"

#include "base/one_line.h"

#include <QDateTime>

#include <cstdio>

void UnattendedPage::javaScriptAlert(const QUrl &origin, const QString &text)
{
    if (!answersItself())
        return QWebEnginePage::javaScriptAlert(origin, text);
    report(PageDialog::Alert, text);
}

bool UnattendedPage::javaScriptConfirm(const QUrl &origin, const QString &text)
{
    if (!answersItself())
        return QWebEnginePage::javaScriptConfirm(origin, text);
    // QtWebEngine asks the leave-page question through here as well.
    report(PageDialog::Confirm, text);
    return true;
}

bool UnattendedPage::javaScriptPrompt(const QUrl &origin, const QString &text, const QString &defaultValue,
                                      QString *result)
{
    if (!answersItself())
        return QWebEnginePage::javaScriptPrompt(origin, text, defaultValue, result);
    report(PageDialog::Prompt, text);
    *result = defaultValue;
    return true;
}

bool UnattendedPage::answersItself()
{
    if (m_unattended && m_personInput.isValid() && m_personInput.elapsed() < PersonsDialogWithinMs) {
        m_unattended = false;
        emit personTookOver();
    }
    return m_unattended;
}

void UnattendedPage::report(PageDialog kind, const QString &text)
{
    const QString line = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
        + QStringLiteral(" 网页对话框（%1）已自动应答：%2（%3）\n").arg(functionName(kind), oneLine(text), oneLine(url().toString()));
    std::fputs(line.toLocal8Bit().constData(), stderr);
    emit dialogAnswered(kind, text);
}
