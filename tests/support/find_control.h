#pragma once

#include <QWidget>

// The window's control of that object name; a name that is gone stops the run.
template <typename T>
T *control(const QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no control named %s", name);
    return found;
}
