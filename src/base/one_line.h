#pragma once

#include <QString>

// Longest text kept of one line; a page's 1 MiB alert would otherwise fill
// the journal, and rotate its history away, by itself.
constexpr int OneLineMaxChars = 2000;

// Text from a page or a site as one line: line breaks and other control
// characters become spaces, so that it cannot start a line of its own in the
// journal or on standard error; past OneLineMaxChars it is cut, and says so.
QString oneLine(const QString &text);
