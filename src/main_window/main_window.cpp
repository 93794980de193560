#include "main_window.h"

#include "address_panel.h"
#include "app_icon.h"
#include "base/desktop.h"
#include "cycle_length_validator.h"
#include "half_width_space_label.h"
#include "login_boxes.h"
#include "site_run/site_face.h"
#include "status_line.h"
#include "tray_icon.h"
#include "window_layout.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

using WindowLayout::place;

namespace {

QFont windowFont()
{
    // 宋体 where installed; otherwise a CJK face that the set-up installs.
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("NSimSun"),
                      QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC")});
    font.setPointSize(9);
    return font;
}

void makeBold(QWidget *widget)
{
    QFont font = widget->font();
    font.setBold(true);
    widget->setFont(font);
}

} // namespace

MainWindow::MainWindow(const QString &folder, SiteFace &site, QWidget *browserView, Desktop &desktop,
                       TrayIcon &tray, const AutostartPlaces &autostart, QWidget *parent)
    : QWidget(parent), m_site(&site), m_desktop(desktop), m_tray(tray)
{
    setWindowTitle(caption());
    setWindowIcon(appIcon());
    setFont(windowFont());
    WindowLayout::sizeWindow(this);
    buildControls(folder, autostart);
    connectControls();
    followAlarms(site);
    showSite(site, browserView);
}

QString MainWindow::caption()
{
    return QStringLiteral("OrvoCMS（24小时）全自动挂机采集工具8.0    ")
        + QUrl(QStringLiteral(PRODUCT_PAGE_URL)).host() + QStringLiteral(" 奥沃软件工作室");
}

void MainWindow::buildControls(const QString &folder, const AutostartPlaces &autostart)
{
    m_startPanel = place(new QFrame(this), "startPanel");
    m_startPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_startPanel->setAutoFillBackground(true);
    auto *steps = place(new QLabel(QStringLiteral("使用步骤：1-添加地址并保存  2-手动登陆后台  3-开始自动挂机（24小时不间断采集）"),
                                   m_startPanel),
                        "usageSteps");
    auto *tutorial = place(new QLabel(QStringLiteral("软件使用教程，打包在软件一起。您可按教程操作"), m_startPanel),
                           "tutorialNote");
    for (QLabel *label : {steps, tutorial}) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }

    m_addressPanel = place(new AddressPanel(AutostartEntry(autostart, folder), m_desktop, this), "addressPanel");

    m_loginButton = place(new QPushButton(QStringLiteral("1: 手动登陆"), this), "loginButton");
    m_startButton = place(new QPushButton(QStringLiteral("2: 开始自动挂机"), this), "startButton");
    makeBold(m_loginButton);
    makeBold(m_startButton);

    m_statusLine = place(new StatusLine(this), "statusLine");

    place(new HalfWidthSpaceLabel(QStringLiteral("采集间隔时间：         分钟"), this), "cycleLengthLabel");
    m_cycleLengthBox = place(new QComboBox(this), "cycleLengthBox");
    m_cycleLengthBox->setEditable(true);
    m_cycleLengthBox->setInsertPolicy(QComboBox::NoInsert);
    m_cycleLengthBox->addItems({QStringLiteral("10"), QStringLiteral("12"), QStringLiteral("15"), QStringLiteral("18"),
                                QStringLiteral("20"), QStringLiteral("25"), QStringLiteral("30"), QStringLiteral("35")});
    m_lengthValidator = new CycleLengthValidator(m_cycleLengthBox);
    m_cycleLengthBox->setValidator(m_lengthValidator);
    m_cycleLengthBox->setCompleter(nullptr); // typing "1" means one minute, not "10"

    m_addressSettingsButton = place(new QPushButton(QStringLiteral("地址设置"), this), "addressSettingsButton");
    m_productPageButton = place(new QPushButton(QStringLiteral("访问官网"), this), "productPageButton");
    m_notifySettingsButton = place(new QPushButton(QStringLiteral("通知设置"), this), "notifySettingsButton");
    m_notifySettingsButton->setFlat(true);
    m_notifySettingsButton->setCursor(Qt::PointingHandCursor);
    m_notifySettingsButton->setStyleSheet(QStringLiteral("color: #0000ee; text-decoration: underline; border: none"));

    // Front to back: the address panel, the start panel, the browser.
    m_startPanel->raise();
    m_addressPanel->raise();
    m_cycleLengthBox->raise();

    const QList<QWidget *> fields = m_addressPanel->fields();
    QWidget *focusOrder[] = {m_startButton,  fields[0], fields[1], fields[2], fields[3],
                             m_loginButton,  m_addressPanel->saveButton(), m_addressPanel->autostartBox(),
                             m_addressSettingsButton, m_cycleLengthBox, m_startPanel, m_productPageButton,
                             m_notifySettingsButton};
    for (size_t i = 1; i < std::size(focusOrder); ++i)
        setTabOrder(focusOrder[i - 1], focusOrder[i]);
}

void MainWindow::showSite(SiteFace &site, QWidget *browserView)
{
    if (m_browserView)
        m_browserView->hide();
    m_site = &site;
    m_browserView = browserView ? browserView : new QWidget;
    if (m_browserView->parent() != this) {
        m_browserView->setParent(this);
        place(m_browserView, "browserView");
        m_browserView->setObjectName(QStringLiteral("browserView"));
    }
    m_browserView->lower();
    m_browserView->show();
    setTabOrder(m_browserView, m_startButton);
    bindSite();
}

void MainWindow::bindSite()
{
    delete m_binding;
    m_binding = new QObject(this);
    SiteFace &site = *m_site;
    m_addressPanel->setAddresses(site.addresses());
    // No file, or no whole record in it: the addresses must be entered and
    // saved before logging in or starting.
    m_addressPanel->setVisible(!site.addresses().complete());
    m_cycleLengthBox->setEditText(QString::number(site.cycleLength()));
    m_lengthValidator->setFallback(site.cycleLength());
    m_statusLine->say(site.line());
    showStage();
    showRememberedLogin();
    connect(&site, &SiteFace::lineChanged, m_binding, [this](const QString &text) { m_statusLine->say(text); });
    connect(&site, &SiteFace::stageChanged, m_binding, [this] { showStage(); });
    connect(&site, &SiteFace::rememberedLoginChanged, m_binding, [this] { showRememberedLogin(); });
    connect(&site, &SiteFace::rememberOffered, m_binding, [this, &site](const RememberedLogin &login) {
        askToRememberLogin(this, site.plainLoginFile(), [&site, login] { site.rememberLogin(login); });
    });
    connect(&site, &SiteFace::captchaFound, m_binding, [this] { tellLoginHasCaptcha(this); });
}

void MainWindow::showStage()
{
    const SiteFace &site = *m_site;
    // The pages show from the first one opened, by "1", "2" or --start.
    m_startPanel->setVisible(site.stepsShown());
    // "1: 手动登陆" stays usable while the cycle runs: it stops the cycle and
    // hands the browser to the operator.
    const bool saved = site.addresses().complete();
    m_loginButton->setEnabled(saved);
    m_startButton->setEnabled(saved && !site.cycleRunning());
    m_addressSettingsButton->setEnabled(!site.cycleRunning()); // a wrong address can be mended when stopped
}

void MainWindow::addSiteList(QWidget *list)
{
    m_namesSites = true;
    list->setParent(this);
    place(list, "siteList");
    resize(list->geometry().right() + 8, height());
    list->show();
}

void MainWindow::followAlarms(SiteFace &site)
{
    connect(&site, &SiteFace::alarmed, this, [this, &site](const QString &text) {
        if (isHidden() && m_tray.isVisible())
            m_tray.showMessage(m_namesSites ? site.host() + QStringLiteral("：") + text : text);
    });
}

void MainWindow::connectControls()
{
    connect(m_addressPanel, &AddressPanel::edited, this, [this](const AdminAddresses &typed) { m_site->useAddresses(typed); });
    connect(m_addressPanel, &AddressPanel::saveRequested, this, &MainWindow::saveAddresses);
    connect(m_loginButton, &QPushButton::clicked, this, [this] { m_site->openLoginPage(); });
    connect(m_startButton, &QPushButton::clicked, this, [this] {
        m_site->startCycle();
        // The disabled buttons would hand the focus to the cycle length box,
        // whose blinking cursor keeps repainting the window around the clock.
        // Only the user's press moves it: a restart by the clock must never
        // take the keyboard from someone typing.
        m_browserView->setFocus();
    });
    connect(m_addressSettingsButton, &QPushButton::clicked, m_addressPanel, &QWidget::show);
    connect(m_productPageButton, &QPushButton::clicked, this,
            [this] { m_desktop.openUrl(QUrl(QStringLiteral(PRODUCT_PAGE_URL))); });
    connect(m_notifySettingsButton, &QPushButton::clicked, this, &MainWindow::notifySettingsRequested);
    connect(&m_tray, &TrayIcon::notifySettingsRequested, this, &MainWindow::notifySettingsRequested);
    connect(m_addressPanel, &AddressPanel::forgetLoginRequested, this, [this] { m_site->forgetLogin(); });
    qApp->installEventFilter(this);

    connect(&m_tray, &TrayIcon::restoreRequested, this, &MainWindow::restoreFromTray);
    connect(&m_tray, &TrayIcon::exitRequested, this, &MainWindow::askToQuit);

    // A typed length counts once the typing is done (Enter, or the focus
    // leaving the box); half of "20" must never cut the running cycle short.
    connect(m_cycleLengthBox->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { acceptCycleLength(m_cycleLengthBox->currentText()); });
    connect(m_cycleLengthBox, &QComboBox::textActivated, this, &MainWindow::acceptCycleLength);
}

void MainWindow::acceptCycleLength(const QString &text)
{
    QString input = text;
    int pos = 0;
    if (m_lengthValidator->validate(input, pos) != QValidator::Acceptable)
        return;
    m_site->keepCycleLength(input.toInt());
    m_lengthValidator->setFallback(m_site->cycleLength());
}

void MainWindow::showRememberedLogin()
{
    m_addressPanel->showRememberedLogin(m_site->rememberedWho(), m_site->rememberedForThisAddress());
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress)
        m_site->notePersonActive();
    return QWidget::eventFilter(watched, event);
}

void MainWindow::saveAddresses(const AdminAddresses &addresses)
{
    const QString failure = m_site->saveAddresses(addresses);
    m_addressPanel->hide();
    showStage();
    if (failure.isEmpty()) {
        m_desktop.inform(this, QStringLiteral("恭喜，保存成功，请手动登陆后台后，再开始挂机自动采集·"));
    } else {
        // The addresses still serve this run; the user must know they are not kept.
        m_desktop.inform(this, QStringLiteral("地址没有保存到文件“%1”：%2。本次运行仍使用这些地址，下次启动需要重新填写。")
                                   .arg(QDir::toNativeSeparators(QFileInfo(m_site->settingsPath()).absoluteFilePath()),
                                        failure));
    }
}

void MainWindow::pressStartOnceShown()
{
    m_site->tellStartAtLogin();
    QTimer::singleShot(0, this, [this] {
        if (m_startButton->isEnabled())
            m_startButton->click();
        else
            m_site->sayCannotStart();
    });
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Closing always goes through the question; the answer comes later.
    event->ignore();
    m_tray.hide();
    askToQuit();
}

void MainWindow::askToQuit()
{
    // A question still on the screen is brought forward; otherwise every
    // close asks afresh, however often the answer was Cancel before.
    if (m_quitQuestion && m_quitQuestion->isVisible()) {
        m_quitQuestion->raise();
        m_quitQuestion->activateWindow();
        return;
    }
    m_quitQuestion = m_desktop.ask(this, QStringLiteral("退出"), QStringLiteral("真的退出吗?"), [this](bool ok) {
        if (ok)
            emit quitRequested();
    });
}
void MainWindow::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (windowState() == Qt::WindowNoState)
        m_normalGeometry.moveTopLeft(pos());
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (windowState() == Qt::WindowNoState)
        m_normalGeometry.setSize(size());
}

void MainWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        m_restoreMaximized = static_cast<QWindowStateChangeEvent *>(event)->oldState() & Qt::WindowMaximized;
        // Hidden once the state change is done; without a notification area
        // the window just stays minimised, never hidden beyond reach.
        if (m_tray.isAvailable())
            QMetaObject::invokeMethod(this, &MainWindow::hideIntoTray, Qt::QueuedConnection);
    }
}

void MainWindow::hideIntoTray()
{
    // The platform may report the minimising again later, after the window
    // came back or the notification area went away.
    if (!isMinimized() || !m_tray.isAvailable())
        return;
    m_tray.show();
    hide();
}

void MainWindow::bringForward()
{
    if (isHidden() || isMinimized()) {
        restoreFromTray();
        return;
    }
    raise();
    activateWindow();
}

void MainWindow::restoreFromTray()
{
    if (m_restoreMaximized) {
        showMaximized();
    } else {
        showNormal();
        move(m_normalGeometry.topLeft());
        resize(m_normalGeometry.size());
    }
    raise();
    activateWindow();
}
