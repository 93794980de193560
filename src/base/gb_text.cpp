#include "gb_text.h"

#include <QStringDecoder>
#include <QStringEncoder>

QByteArray toGbBytes(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

QString fromGbBytes(const QByteArray &bytes)
{
    QStringDecoder decoder("GB18030");
    return decoder.decode(bytes);
}
