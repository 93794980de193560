#pragma once

#include <QValidator>

// The cycle length box takes whole minutes from 1 to 1440, written without a
// leading zero; every other keystroke is refused.
class CycleLengthValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
};
