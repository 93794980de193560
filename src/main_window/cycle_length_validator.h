#pragma once

#include <QValidator>

// The cycle length box takes whole minutes from 1 to 1440, written without a
// leading zero; every other keystroke is refused. A box left empty falls back
// to the length in force.
class CycleLengthValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;
    void setFallback(int minutes) { m_fallback = minutes; }

private:
    int m_fallback = 10;
};
