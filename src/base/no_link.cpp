#include "no_link.h"

#include <QFileInfo>

QString linkRefusal(const QString &path)
{
    const QFileInfo file(path);
    if (!file.isSymLink())
        return {};
    return QStringLiteral("%1 是符号链接，指向 %2：为安全起见不写入，请删除这个链接")
        .arg(file.fileName(), file.symLinkTarget());
}
