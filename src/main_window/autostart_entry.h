#pragma once

#include <QString>

// Where the login autostart entries go and the program they start.
struct AutostartPlaces {
    QString directory; // $XDG_CONFIG_HOME/autostart
    QString program;   // absolute path of the program

    // This user's autostart folder and this running program.
    static AutostartPlaces forThisUser();
};

// The XDG autostart entry that starts the tool with --start in one folder
// (the one holding its 123.txt) when the user logs in. Every folder has an
// entry of its own, named after a hash of the folder's path.
class AutostartEntry {
public:
    AutostartEntry(const AutostartPlaces &places, const QString &folder);

    QString filePath() const { return m_filePath; }
    bool exists() const;
    // Both return an empty string on success, otherwise the reason.
    QString write() const;
    QString remove() const;

private:
    QByteArray contents() const;

    AutostartPlaces m_places;
    QString m_folder;
    QString m_filePath;
};
