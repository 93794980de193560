#include "qt_desktop.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

namespace {

QMessageBox *openBox(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                     const QString &text, QMessageBox::StandardButtons buttons)
{
    auto *box = new QMessageBox(icon, title, text, buttons, parent);
    // Texts may come from outside (a fetched version line): never rich text.
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // The buttons speak the window's language whatever the system's.
    if (QAbstractButton *ok = box->button(QMessageBox::Ok))
        ok->setText(QStringLiteral("确定"));
    if (QAbstractButton *cancel = box->button(QMessageBox::Cancel))
        cancel->setText(QStringLiteral("取消"));
    return box;
}

} // namespace

void QtDesktop::inform(QWidget *parent, const QString &text)
{
    openBox(parent, QMessageBox::NoIcon, m_title, text,
            QMessageBox::Ok)->open();
}

QWidget *QtDesktop::ask(QWidget *parent, const QString &title, const QString &text,
                    std::function<void(bool)> answer)
{
    QMessageBox *box = openBox(parent, QMessageBox::Question, title, text,
                               QMessageBox::Ok | QMessageBox::Cancel);
    QObject::connect(box, &QMessageBox::finished, box,
                     [answer = std::move(answer)](int result) { answer(result == QMessageBox::Ok); });
    box->open();
    return box;
}

void QtDesktop::openUrl(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}
