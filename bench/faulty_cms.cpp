#include "faulty_cms.h"

#include <QTcpSocket>
#include <QTimer>

FaultyCms::FaultyCms(const Faults &faults)
    : FakeCms(faults.loginExpiresAfter), m_faults(faults), m_random(faults.seed)
{
}

FaultyCms::Outcome FaultyCms::draw(const HttpRequest &request, bool expired)
{
    if (!isAdminPage(request.path()))
        return Outcome::Page;
    // One draw for every such request, whatever happens to it, so the
    // faults depend on the sequence of requests only.
    const double draw = m_random.generateDouble();
    double bound = m_faults.errorShare;
    if (draw < bound)
        return Outcome::ServerError;
    if (draw < (bound += m_faults.hangShare))
        return Outcome::Hang;
    if (draw < (bound += m_faults.cutShare))
        return Outcome::Cut;
    return expired ? Outcome::LoginRedirect : Outcome::Page;
}

HttpResponse FaultyCms::handle(const HttpRequest &request)
{
    // Judged before the request changes anything: a GET /login that renews
    // an expired session does not itself carry the new session.
    const bool expired = sessionExpired();
    const bool session = admits(request);
    const Outcome outcome = draw(request, !session);
    HttpResponse response = FakeCms::handle(request);
    if (!expired && sessionExpired())
        ++m_expiredLogins; // this request is still served; the next ones are not
    if (isLogin(request))
        ++m_sessionsIssued;

    switch (outcome) {
    case Outcome::Page:
    case Outcome::LoginRedirect:
        break;
    case Outcome::ServerError:
        response = serverError();
        break;
    case Outcome::Hang: {
        // Answered after hangMs, or never.
        const int late = m_faults.hangMs;
        response = respond(request);
        response.deliver = [late](QTcpSocket *socket, const QByteArray &whole) {
            if (late > 0)
                QTimer::singleShot(late, socket, [socket, whole] { HttpResponse::sendWhole(socket, whole); });
        };
        break;
    }
    case Outcome::Cut:
        // The headers and half of the body, then the connection is dropped.
        response = respond(request);
        response.deliver = [](QTcpSocket *socket, const QByteArray &whole) {
            const qsizetype head = whole.indexOf("\r\n\r\n") + 4;
            socket->write(whole.left(head + (whole.size() - head) / 2));
            socket->flush();
            socket->abort();
        };
        break;
    }

    m_served.append({request, outcome, session});
    if (onServed)
        onServed(m_served.constLast());
    return response;
}
