#include "update_check.h"

#include "base/timer.h"
#include "base/desktop.h"
#include "http_text.h"

#include <QUrl>
#include <QWidget>

namespace {

// Longest version text the box shows in full.
constexpr int ShownVersionLength = 100;

// A UTF-8 byte-order mark read as GB18030: EF BB is the character 锘 and the
// stray BF becomes U+FFFD, or is dropped when nothing follows it. A decoder
// that knows the mark would give U+FEFF instead.
QString withoutByteOrderMark(const QString &line)
{
    static const QString misreadMark = QStringLiteral("\u9518\uFFFD");
    if (line.startsWith(QChar(0xFEFF)))
        return line.mid(1);
    if (line.startsWith(misreadMark))
        return line.mid(misreadMark.size());
    if (line == misreadMark.left(1))
        return {};
    return line;
}

} // namespace

UpdateCheck::UpdateCheck(TimerFactory &timers, QNetworkAccessManager &network, Desktop &desktop,
                         QString updateFileUrl, QString productPageUrl, QWidget *parent)
    : QObject(parent), m_startDelay(timers.create(1000, this)), m_network(network), m_desktop(desktop),
      m_boxParent(parent), m_updateFileUrl(std::move(updateFileUrl)),
      m_productPageUrl(std::move(productPageUrl))
{
    connect(m_startDelay, &Timer::timeout, this, &UpdateCheck::onStartDelayOver);
    m_startDelay->setEnabled(true);
}

QString UpdateCheck::version()
{
    return QStringLiteral(PRODUCT_VERSION);
}

QString UpdateCheck::publishedVersion(const QString &fileText)
{
    // Up to the first LF; a CR before it belongs to the line end and goes
    // with the surrounding white space.
    const qsizetype end = fileText.indexOf(QLatin1Char('\n'));
    const QString line = end < 0 ? fileText : fileText.left(end);
    return withoutByteOrderMark(line.trimmed()).trimmed();
}

QString UpdateCheck::offerText(const QString &published)
{
    const QString shown = published.size() > ShownVersionLength
                              ? published.left(ShownVersionLength) + QStringLiteral("…")
                              : published;
    return QStringLiteral("最新版本") + shown + QStringLiteral("，是否更新？");
}

void UpdateCheck::onStartDelayOver()
{
    m_startDelay->setEnabled(false);
    if (m_checkStarted)
        return;
    m_checkStarted = true;
    check();
}

void UpdateCheck::check()
{
    fetchText(m_network, QUrl(m_updateFileUrl), this,
                [this](const QString &text) { compare(text); });
}

void UpdateCheck::compare(const QString &fileText)
{
    const QString published = publishedVersion(fileText);
    if (!published.isEmpty() && published != version()) {
        // The answer may come after this object is gone; it needs only these.
        Desktop *desktop = &m_desktop;
        const QUrl productPage(m_productPageUrl + QStringLiteral("/"));
        m_desktop.ask(m_boxParent, QStringLiteral("发现最新版本"), offerText(published),
                      [desktop, productPage](bool ok) {
                          if (ok)
                              desktop->openUrl(productPage);
                      });
    }
    emit checkFinished(published);
}
