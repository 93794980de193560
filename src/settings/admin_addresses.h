#pragma once

#include <QString>
#include <QStringList>

// The addresses of the administration pages of one site, in the order the
// settings file keeps them.
struct AdminAddresses {
    QString login;
    QString collection;
    QString generation;   // the information-page generation page
    QString homePage;     // the home-page generation page

    // Every address given: the run can log in and cycle.
    bool complete() const
    {
        return !login.isEmpty() && !collection.isEmpty() && !generation.isEmpty() && !homePage.isEmpty();
    }
    QStringList inOrder() const { return {login, collection, generation, homePage}; }
    // The addresses from lines in that order; missing ones are empty.
    static AdminAddresses fromLines(const QStringList &lines)
    {
        return {lines.value(0), lines.value(1), lines.value(2), lines.value(3)};
    }
    bool operator==(const AdminAddresses &other) const { return inOrder() == other.inOrder(); }
};
