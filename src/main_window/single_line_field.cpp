#include "single_line_field.h"

#include <QLineEdit>
#include <QRegularExpression>

void keepOnOneLine(QLineEdit *field)
{
    QObject::connect(field, &QLineEdit::textChanged, field, [field](const QString &text) {
        static const QRegularExpression lineBreaks(QStringLiteral("[\\r\\n]"));
        if (!text.contains(lineBreaks))
            return;
        const int cursor = field->cursorPosition();
        const int removedBeforeCursor = text.left(cursor).count(lineBreaks);
        field->setText(QString(text).remove(lineBreaks));
        field->setCursorPosition(cursor - removedBeforeCursor);
    });
}
