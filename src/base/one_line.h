#pragma once

#include <QString>

// Text from a page or a site as one line: line breaks and other control
// characters become spaces, so that it cannot start a line of its own in the
// journal or on standard error.
QString oneLine(const QString &text);
