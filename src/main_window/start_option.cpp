#include "start_option.h"

#include "form1.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

void pressStartOnceShown(Form1 &form)
{
    QTimer::singleShot(0, &form, [&form] {
        if (form.Command1->isEnabled())
            form.Command1->click();
        else
            form.Label3->setText(QStringLiteral("地址尚未保存，本次无法自动开始挂机"));
    });
}
