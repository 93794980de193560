#pragma once

#include <QString>

// The browser profile of one folder (the folder of its 123.txt): the
// cookies and site storage of that site's login, kept on disk between runs.
namespace BrowserProfile {

// The profile's name, from the folder's path (symbolic links resolved).
QString nameFor(const QString &folder);

// Earlier versions kept one profile for every folder. The first folder that
// starts without a profile of its own takes that one over, login included.
void takeOverSharedProfile(const QString &name);

} // namespace BrowserProfile
