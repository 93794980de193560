#pragma once

#include <QByteArray>
#include <QString>

// GB2312 text, read and written as GB18030: its superset, which gives the
// same bytes for every GB2312/GBK character and can encode every other one.
QByteArray toGbBytes(const QString &text);
QString fromGbBytes(const QByteArray &bytes);
