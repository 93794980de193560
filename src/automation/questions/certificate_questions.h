#pragma once

#include "automation/web_engine/accepted_certificates.h"
#include "automation/browser.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QUrl>
#include <QWebEngineCertificateError>

class QWebEnginePage;

// Asks the person about a certificate that no authority vouches for
// (self-signed, another host's name, expired): the host, the error and the
// SHA-256 fingerprint. The request waits for the answer, so nothing is sent
// to the site before it. A yes is kept for that host, port and fingerprint.
// Only the page itself is asked about: the browser does not say which frame
// an error came from, so one for any other address than the main frame's
// current navigation (an image, a frame of another site) is refused.
//
// Enter continues for a first certificate met while the person drives the
// browser. A certificate other than the one accepted for its host, or one
// first met on a page of the cycle, is refused by default: only a click on
// the accept button goes on.
class CertificateQuestions : public QObject {
    Q_OBJECT
public:
    CertificateQuestions(QWebEnginePage &page, const QString &acceptedPath, QObject *parent = nullptr);

    void setUnattended(bool unattended) { m_unattended = unattended; }
    // What a question waits for; None while none waits.
    PersonWait waiting() const;
    void answer(const QString &key, bool accepted);

signals:
    void waitingChanged();
    void asked(const SiteQuestion &question);
    void refused(const QUrl &url);
    // Queued from the constructor when the file cannot be read.
    void notKept(const CertificatesNotKept &failure);

private:
    struct Question {
        QList<QWebEngineCertificateError> requests; // all waiting for this answer
        QString host;
        int port;
        QString fingerprint;
    };

    void onError(const QWebEngineCertificateError &error);
    void ask(const QString &key, const QString &host, int port, const QString &fingerprint,
             const QWebEngineCertificateError &error);

    AcceptedCertificates m_accepted;
    QHash<QString, Question> m_questions; // by host, port and fingerprint
    QUrl m_navigation; // where the main frame is going
    bool m_unattended = false;
};
