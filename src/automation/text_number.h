#pragma once

#include <optional>
#include <QString>

// The cycle keeps its state as text, the way the window shows it; these turn
// such a text into a number and back ("60", "59", "-1").
std::optional<double> numberFromText(const QString &text);
QString textFromNumber(double number);
