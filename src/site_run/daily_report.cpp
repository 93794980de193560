#include "daily_report.h"

#include "base/owner_only.h"
#include "base/timer.h"
#include "notify/notifier.h"
#include "relogin.h"
#include "run_narrator.h"
#include "run_watch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>


namespace {

constexpr auto DateFormat = Qt::ISODate;

} // namespace

const std::vector<std::pair<const char *, int DailyReport::Tally::*>> &DailyReport::figures()
{
    static const std::vector<std::pair<const char *, int Tally::*>> named{
        {"cycles", &Tally::cycles},         {"collections", &Tally::collections},
        {"generations", &Tally::generations}, {"outages", &Tally::outages},
        {"outageMinutes", &Tally::outageMinutes}, {"loginsLost", &Tally::loginsLost},
        {"relogins", &Tally::relogins},     {"reloginsFailed", &Tally::reloginsFailed},
        {"pagesChanged", &Tally::pagesChanged}};
    return named;
}

DailyReport::DailyReport(const RunWatch &watch, const Relogin &relogin, Notifier &notifier, TimerFactory &timers,
                         const QString &settingsPath, std::function<QString()> site, QObject *parent)
    : QObject(parent),
      m_watch(watch),
      m_notifier(notifier),
      m_timers(timers),
      m_path(QFileInfo(settingsPath).absoluteDir().filePath(QStringLiteral("report.ini"))),
      m_site(std::move(site)),
      m_minute(timers.create(60 * 1000, this))
{
    load();
    connect(&watch, &RunWatch::cycleCompleted, this, [this] { count(&Tally::cycles); });
    connect(&watch, &RunWatch::collectionPressed, this, [this] { count(&Tally::collections); });
    connect(&watch, &RunWatch::generationPressed, this, [this] { count(&Tally::generations); });
    connect(&watch, &RunWatch::troubleBegan, this, [this](SiteTrouble trouble) {
        if (trouble == SiteTrouble::Outage)
            count(&Tally::outages);
        else if (trouble == SiteTrouble::LoginLost)
            count(&Tally::loginsLost);
        else if (trouble == SiteTrouble::PageChanged)
            count(&Tally::pagesChanged);
    });
    connect(&watch, &RunWatch::troubleEnded, this, [this](SiteTrouble trouble) {
        if (trouble == SiteTrouble::Outage)
            count(&Tally::outageMinutes, m_watch.health().outageMinutes);
    });
    connect(&relogin, &Relogin::tried, this, [this](Relogin::Outcome outcome) {
        if (outcome == Relogin::Outcome::LoggedIn)
            count(&Tally::relogins);
        else if (outcome == Relogin::Outcome::Failed || outcome == Relogin::Outcome::Unconfirmed
                 || outcome == Relogin::Outcome::FormChanged)
            count(&Tally::reloginsFailed);
    });
    connect(m_minute, &Timer::timeout, this, &DailyReport::sendIfDue);
    // The first tick, a minute after start, sends one missed while the tool was not running.
    m_minute->setEnabled(true);
}

void DailyReport::load()
{
    const QDateTime now = m_timers.wallTime();
    QFile file(m_path);
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : file.readAll().split('\n')) {
            const QString key = QString::fromUtf8(line.left(line.indexOf('=')));
            const QString value = QString::fromUtf8(line.mid(line.indexOf('=') + 1));
            if (key == QLatin1String("since"))
                m_tally.since = QDateTime::fromString(value, DateFormat);
            else if (key == QLatin1String("reported"))
                m_tally.reported = QDate::fromString(value, DateFormat);
            for (const auto &[name, figure] : figures()) {
                if (key == QLatin1String(name))
                    m_tally.*figure = value.toInt();
            }
        }
    }
    if (!m_tally.since.isValid())
        m_tally.since = now;
}

void DailyReport::count(int Tally::*figure, int by)
{
    m_tally.*figure += by;
    save();
}

void DailyReport::sendIfDue()
{
    const std::optional<QTime> &at = m_notifier.settings().reportAt;
    const QDateTime now = m_timers.wallTime();
    if (at && !m_tally.reported.isValid()) {
        // A first run reports first at the next report time, not at once.
        m_tally.reported = now.time() >= *at ? now.date() : now.date().addDays(-1);
        return save();
    }
    if (!at || m_tally.reported >= now.date() || now.time() < *at)
        return;
    m_notifier.send(QStringLiteral("daily_report"), m_site(), text());
    m_tally = {now, now.date()};
    save();
}

QString DailyReport::text() const
{
    const Tally &t = m_tally;
    const QString state = RunNarrator::warning(m_watch.health());
    return QStringLiteral("每日报告（%1 起的 %2 小时）：完成 %3 轮采集，按下采集 %4 次、生成 %5 次；"
                          "网站无法访问 %6 次，共约 %7 分钟；登录失效 %8 次，自动重新登录成功 %9 次、失败 %10 次；"
                          "页面与预期不符 %11 次。现在：%12。")
        .arg(t.since.toString(QStringLiteral("M月d日 HH:mm")))
        .arg(t.since.secsTo(m_timers.wallTime()) / 3600)
        .arg(t.cycles)
        .arg(t.collections)
        .arg(t.generations)
        .arg(t.outages)
        .arg(t.outageMinutes)
        .arg(t.loginsLost)
        .arg(t.relogins)
        .arg(t.reloginsFailed)
        .arg(t.pagesChanged)
        .arg(state.isEmpty() ? QStringLiteral("一切正常") : state);
}

void DailyReport::save() const
{
    QByteArray text = "since=" + m_tally.since.toString(DateFormat).toUtf8() + "\nreported="
        + m_tally.reported.toString(DateFormat).toUtf8() + '\n';
    for (const auto &[name, figure] : figures())
        text += name + ('=' + QByteArray::number(m_tally.*figure)) + '\n';
    writeOwnerOnlyFile(m_path, text);
}
