#pragma once

#include "accepted_certificates.h"
#include "browser.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QWebEngineCertificateError>

class QMessageBox;
class QWebEnginePage;
class QWidget;

// Asks the person about a certificate that no authority vouches for
// (self-signed, another host's name, expired): the host, the error and the
// SHA-256 fingerprint. The request waits for the answer, so nothing is sent
// to the site before it. A yes is kept for that host and fingerprint.
//
// Enter continues for a first certificate met while the person drives the
// browser. A certificate other than the one accepted for its host, or one
// first met on a page of the cycle, is refused by default: only a click on
// the accept button goes on.
class CertificateQuestions : public QObject {
    Q_OBJECT
public:
    CertificateQuestions(QWebEnginePage &page, QWidget *boxParent, const QString &acceptedPath,
                         QObject *parent = nullptr);

    void setUnattended(bool unattended) { m_unattended = unattended; }
    // What a question waits for; None while none waits.
    PersonWait waiting() const;

signals:
    void waitingChanged();

private:
    struct Question {
        QPointer<QMessageBox> box;
        QList<QWebEngineCertificateError> requests; // all waiting for this answer
        QString host;
    };

    void onError(const QWebEngineCertificateError &error);
    void ask(const QString &key, const QString &host, const QString &fingerprint,
             const QWebEngineCertificateError &error);
    void answer(const QString &key, const QString &fingerprint, bool accepted);

    QPointer<QWidget> m_boxParent;
    AcceptedCertificates m_accepted;
    QHash<QString, Question> m_questions; // by host and fingerprint
    bool m_unattended = false;
};
