#pragma once

#include <QString>

// The tool's files in the working folder are never written through a
// symbolic link: whoever can write the folder could otherwise point one at
// any file of the operator's, which would then be replaced or made to run
// a page's text. Returns the words for a link at `path`; empty where there
// is none.
QString linkRefusal(const QString &path);
