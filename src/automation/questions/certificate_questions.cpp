#include "certificate_questions.h"

#include "base/one_line.h"

#include <QSslCertificate>
#include <QWebEngineNavigationRequest>
#include <QWebEnginePage>

namespace {

QString fingerprintOf(const QSslCertificate &certificate)
{
    return QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
}

// The error in words, the browser's own after them.
QString describe(const QWebEngineCertificateError &error)
{
    QString words;
    switch (error.type()) {
    case QWebEngineCertificateError::CertificateAuthorityInvalid:
        words = QStringLiteral("证书不是受信任的机构签发的（例如自签名证书）");
        break;
    case QWebEngineCertificateError::CertificateCommonNameInvalid:
        words = QStringLiteral("证书上的名称与网站地址不符");
        break;
    case QWebEngineCertificateError::CertificateDateInvalid:
        words = QStringLiteral("证书已过期或尚未生效");
        break;
    default:
        words = QStringLiteral("证书有错误");
        break;
    }
    return words + QStringLiteral("：") + oneLine(error.description());
}

} // namespace

CertificateQuestions::CertificateQuestions(QWebEnginePage &page, const QString &acceptedPath, QObject *parent)
    : QObject(parent), m_accepted(acceptedPath)
{
    connect(&page, &QWebEnginePage::certificateError, this, &CertificateQuestions::onError);
    // Redirects included.
    connect(&page, &QWebEnginePage::navigationRequested, this, [this](const QWebEngineNavigationRequest &request) {
        if (request.isMainFrame())
            m_navigation = request.url().adjusted(QUrl::RemoveFragment);
    });
    if (const QString failure = m_accepted.readFailure(); !failure.isEmpty()) {
        const CertificatesNotKept unreadable{CertificatesNotKept::Unreadable, m_accepted.path(), failure};
        QMetaObject::invokeMethod(this, [this, unreadable] { emit notKept(unreadable); }, Qt::QueuedConnection);
    }
}

PersonWait CertificateQuestions::waiting() const
{
    if (m_questions.isEmpty())
        return {};
    return {PersonWait::Certificate, m_questions.cbegin()->host};
}

void CertificateQuestions::onError(const QWebEngineCertificateError &error)
{
    const QList<QSslCertificate> chain = error.certificateChain();
    if (!error.isOverridable() || chain.isEmpty())
        return; // refused, as the browser refuses it on its own
    const QUrl url = error.url();
    const QString host = url.host();
    const int port = url.port(443);
    const QString fingerprint = fingerprintOf(chain.first());
    if (m_accepted.contains(host, port, fingerprint)) {
        QWebEngineCertificateError(error).acceptCertificate();
        return;
    }
    if (url.adjusted(QUrl::RemoveFragment) != m_navigation) {
        QWebEngineCertificateError(error).rejectCertificate();
        emit refused(url);
        return;
    }
    const QString key = host + QLatin1Char(':') + QString::number(port) + QLatin1Char(' ') + fingerprint;
    QWebEngineCertificateError waiting(error);
    waiting.defer();
    if (m_questions.contains(key)) {
        m_questions[key].requests.append(waiting);
        return;
    }
    ask(key, host, port, fingerprint, waiting);
}

void CertificateQuestions::ask(const QString &key, const QString &host, int port, const QString &fingerprint,
                               const QWebEngineCertificateError &error)
{
    const bool changed = m_accepted.knows(host, port);
    const QString text = (changed ? QStringLiteral("网站 %1 出示的安全证书与您以前接受的不同。"
                                                  "如果网站没有更换证书，可能有人在冒充它。")
                                  : QStringLiteral("网站 %1 的安全证书没有可信的机构担保。"))
                             .arg(host)
        + QStringLiteral("\n\n错误：%1\n证书的 SHA-256 指纹：\n%2\n\n确认指纹无误后才继续访问。")
              .arg(describe(error), fingerprint);
    // Enter goes on only where a person met a first certificate while using
    // the browser; a changed certificate, or one on the cycle's own pages,
    // needs a click.
    m_questions.insert(key, {{error}, host, port, fingerprint});
    emit asked({SiteQuestion::Certificate, key, text, false, changed || m_unattended});
    emit waitingChanged();
}

void CertificateQuestions::answer(const QString &key, bool accepted)
{
    const auto question = m_questions.constFind(key);
    if (question == m_questions.cend())
        return;
    const Question asked = *question;
    m_questions.erase(question);
    QList<QWebEngineCertificateError> requests = asked.requests;
    if (accepted) {
        if (const QString failure = m_accepted.remember(asked.host, asked.port, asked.fingerprint); !failure.isEmpty())
            emit notKept({CertificatesNotKept::Unsaved, m_accepted.path(), failure});
    }
    for (QWebEngineCertificateError &request : requests)
        accepted ? request.acceptCertificate() : request.rejectCertificate();
    emit waitingChanged();
}
