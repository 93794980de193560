#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;

// One running copy of the tool per folder. The first copy to claim a folder
// holds it until it ends, a crash included; a later one finds it taken and
// asks the running copy to come forward instead of starting a cycle of its
// own on the same site.
class SingleCopy : public QObject {
    Q_OBJECT
public:
    // `folder`: the folder of 123.txt, with symbolic links resolved, so that
    // a link to it names the same folder.
    explicit SingleCopy(const QString &folder, QObject *parent = nullptr);
    ~SingleCopy() override;

    enum class Claim {
        Held,     // this copy now holds the folder
        Taken,    // another copy does, and has been asked to come forward
        Unlocked  // no lock can be kept here: this copy runs, but cannot know it is the only one
    };
    // `callForward`: a copy that holds the folder is asked to come forward.
    Claim claim(bool callForward = true);

signals:
    void comeForwardAsked(); // a later copy started in this folder

private:
    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
