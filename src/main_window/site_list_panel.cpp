#include "site_list_panel.h"

#include "base/desktop.h"
#include "main_window.h"
#include "site_question_boxes.h"
#include "site_run/site_face.h"
#include "site_set/site_set.h"
#include "automation/browser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

SiteListPanel::SiteListPanel(SiteSet &set, MainWindow &window, Desktop &desktop)
    : m_set(set), m_window(window), m_desktop(desktop), m_rows(new QListWidget(this)),
      m_removeButton(new QPushButton(QStringLiteral("移除站点"), this)), m_shownAtStart(&window.shownSite())
{
    m_rows->setObjectName(QStringLiteral("siteRows"));
    m_removeButton->setObjectName(QStringLiteral("removeSiteButton"));
    auto *startAll = new QPushButton(QStringLiteral("全部开始"), this);
    startAll->setObjectName(QStringLiteral("startAllButton"));
    auto *add = new QPushButton(QStringLiteral("添加站点"), this);
    add->setObjectName(QStringLiteral("addSiteButton"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_rows);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {startAll, add, m_removeButton})
        buttons->addWidget(button);
    layout->addLayout(buttons);

    for (int i = 0; i < set.sites().size(); ++i)
        addRow(i);
    connect(m_rows, &QListWidget::currentRowChanged, this, &SiteListPanel::showSelected);
    connect(startAll, &QPushButton::clicked, &set, &SiteSet::startAll);
    connect(add, &QPushButton::clicked, this, &SiteListPanel::askForFolder);
    connect(m_removeButton, &QPushButton::clicked, this, &SiteListPanel::askToRemove);
    connect(&set, &SiteSet::siteAdded, this, &SiteListPanel::addRow);
    connect(&set, &SiteSet::siteRemoved, this, [this](int index) { delete m_rows->takeItem(index); });
    connect(&set, &SiteSet::comeForwardAsked, this, [this](int index) {
        select(index);
        m_window.bringForward();
    });
}

void SiteListPanel::select(int index)
{
    m_rows->setCurrentRow(index);
}

void SiteListPanel::addRow(int index)
{
    m_rows->insertItem(index, QString());
    const SiteSet::Site &site = m_set.sites().at(index);
    showRow(index);
    if (!site.face)
        return;
    showSiteQuestions(*site.browser, &m_window);
    SiteFace &face = *site.face;
    if (&face != m_shownAtStart)
        m_window.followAlarms(face);
    // The row of the face, wherever the rows above it went.
    const auto show = [this, &face] {
        for (int i = 0; i < m_set.sites().size(); ++i) {
            if (m_set.sites()[i].face == &face)
                showRow(i);
        }
    };
    for (auto signal : {&SiteFace::troublesChanged, &SiteFace::stageChanged})
        connect(&face, signal, m_rows, show);
    connect(&face, &SiteFace::lineChanged, m_rows, show);
}

void SiteListPanel::showRow(int index)
{
    const SiteSet::Site &site = m_set.sites().at(index);
    QListWidgetItem *row = m_rows->item(index);
    if (!site.face) {
        row->setText(QDir::toNativeSeparators(site.folder) + QLatin1Char('\n') + site.problem);
        row->setForeground(Qt::gray);
        return;
    }
    const SiteFace &face = *site.face;
    const QStringList marks = face.troubleMarks();
    const QString host = face.host().isEmpty() ? QFileInfo(site.folder).fileName() : face.host();
    row->setText(host + QLatin1Char('\n') + face.shortState()
                 + (marks.isEmpty() ? QString() : QStringLiteral("  ⚠ ") + marks.join(QLatin1Char(' '))));
    row->setForeground(marks.isEmpty() ? palette().text().color() : QColor(255, 0, 0));
}

void SiteListPanel::showSelected()
{
    const int index = m_rows->currentRow();
    if (index >= 0 && m_set.sites().at(index).face) {
        const SiteSet::Site &site = m_set.sites().at(index);
        m_window.showSite(*site.face, site.browser->view());
    }
    // Once the other page is off the screen: a page shown cannot rest.
    m_set.setLookedAt(index);
}

void SiteListPanel::askForFolder()
{
    auto *dialog = new QFileDialog(this, QStringLiteral("添加站点：选择或新建站点文件夹"), m_set.folder());
    dialog->setObjectName(QStringLiteral("addSiteDialog"));
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &folder) {
        if (const QString failure = m_set.add(folder); !failure.isEmpty())
            m_desktop.inform(&m_window, QStringLiteral("无法添加站点“%1”：%2").arg(QDir::toNativeSeparators(folder), failure));
        else
            select(int(m_set.sites().size()) - 1);
    });
    dialog->open();
}

int SiteListPanel::runningSiteOtherThan(int index) const
{
    for (int i = 0; i < m_set.sites().size(); ++i) {
        if (i != index && m_set.sites()[i].face)
            return i;
    }
    return -1;
}

void SiteListPanel::askToRemove()
{
    const int index = m_rows->currentRow();
    if (index < 0)
        return;
    const SiteSet::Site &site = m_set.sites().at(index);
    if (site.face && site.face == &m_window.shownSite() && runningSiteOtherThan(index) < 0)
        return m_desktop.inform(&m_window, QStringLiteral("至少要保留一个在运行的站点。"));
    m_desktop.ask(&m_window, QStringLiteral("移除站点"),
                  QStringLiteral("从列表中移除站点“%1”吗？它的文件夹和其中的文件都会保留。")
                      .arg(QDir::toNativeSeparators(site.folder)),
                  [this, folder = site.folder](bool ok) {
                      // The list may have changed while the question was open.
                      int index = int(m_set.sites().size()) - 1;
                      while (index >= 0 && m_set.sites()[index].folder != folder)
                          --index;
                      if (!ok || index < 0)
                          return;
                      // The window leaves the site before its run ends.
                      if (m_rows->currentRow() == index)
                          select(runningSiteOtherThan(index));
                      if (const QString failure = m_set.remove(index); !failure.isEmpty())
                          m_desktop.inform(&m_window, QStringLiteral("无法修改 sites.txt：") + failure);
                  });
}
