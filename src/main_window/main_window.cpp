#include "main_window.h"

#include "app_icon.h"
#include "autostart_check_box.h"
#include "automation/countdown.h"
#include "automation/cycle_clock.h"
#include "base/run_journal.h"
#include "site_run/run_watch.h"
#include "cycle_length_validator.h"
#include "base/desktop.h"
#include "half_width_space_label.h"
#include "settings/settings_file.h"
#include "single_line_field.h"
#include "tray_icon.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

namespace {

const QString LoginLostText = QStringLiteral("未找到提交按钮，请重新登陆后台");
const QString StoppedText = QStringLiteral("已停止挂机：登陆后请按 2 开始");
const QString StoppedTooLongText = QStringLiteral("已停止挂机10分钟：登陆后请按 2");

QRect twips(int left, int top, int width, int height)
{
    const int t = MainWindow::TwipsPerPixel;
    return QRect(left / t, top / t, width / t, height / t);
}

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

template <typename W>
W *place(W *widget, const QRect &geometry)
{
    widget->setGeometry(geometry);
    return widget;
}

} // namespace

MainWindow::MainWindow(Browser &browser, QWidget *browserView, TimerFactory &timers, Desktop &desktop,
                       TrayIcon &tray, const QString &settingsPath, const AutostartPlaces &autostart, QWidget *parent)
    : QWidget(parent),
      m_desktop(desktop),
      m_tray(tray),
      m_settingsPath(settingsPath),
      m_stages(new StageMachine(browser, timers, this)),
      m_journal(new RunJournal(RunJournal::pathBeside(settingsPath), this)),
      m_watch(new RunWatch(*m_stages, browser, *m_journal, timers, this))
{
    m_journal->write(QStringLiteral("启动"));
    setWindowTitle(caption());
    setWindowIcon(appIcon());
    setFont(windowFont());
    resize(10920 / TwipsPerPixel, 7950 / TwipsPerPixel);
    buildControls(browserView);
    m_autostartBox = place(new AutostartCheckBox(AutostartEntry(autostart, QFileInfo(settingsPath).absolutePath()),
                                                 desktop, m_addressPanel),
                           twips(4800, 2370, 3135, 300));
    m_autostartBox->setObjectName(QStringLiteral("autostartBox"));
    setTabOrder(m_saveButton, m_autostartBox);
    connectControls();
    showSavedAddresses();
}

MainWindow::~MainWindow()
{
    m_journal->write(QStringLiteral("退出"));
}

QString MainWindow::caption()
{
    return QStringLiteral("OrvoCMS（24小时）全自动挂机采集工具8.0    ")
        + QUrl(QStringLiteral(PRODUCT_PAGE_URL)).host() + QStringLiteral(" 奥沃软件工作室");
}

void MainWindow::buildControls(QWidget *browserView)
{
    m_browserView = browserView ? browserView : new QWidget;
    m_browserView->setParent(this);
    m_browserView->setGeometry(twips(0, 120, 10815, 6855));

    m_startPanel = place(new QFrame(this), twips(0, 0, 10815, 6975));
    m_startPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_startPanel->setAutoFillBackground(true);
    auto *steps = place(new QLabel(QStringLiteral("使用步骤：1-添加地址并保存  2-手动登陆后台  3-开始自动挂机（24小时不间断采集）"),
                                   m_startPanel),
                        twips(2040, 480, 7095, 375));
    auto *tutorial = place(new QLabel(QStringLiteral("软件使用教程，打包在软件一起。您可按教程操作"), m_startPanel),
                           twips(3360, 1080, 3975, 495));
    for (QLabel *label : {steps, tutorial}) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }

    m_addressPanel = place(new QGroupBox(QStringLiteral("地址设置"), this), twips(1560, 2160, 8055, 2895));
    const QString labelTexts[4] = {QStringLiteral("后台登陆地址："), QStringLiteral("频道采集地址："),
                                   QStringLiteral("频道生成地址："), QStringLiteral("生成首页地址：")};
    QLineEdit **fields[4] = {&m_loginAddressField, &m_collectionAddressField, &m_generationAddressField,
                             &m_homePageAddressField};
    for (int i = 0; i < 4; ++i) {
        const int top = 480 + 480 * i;
        auto *label = new QLabel(labelTexts[i], m_addressPanel);
        makeBold(label);
        label->move(120 / TwipsPerPixel, top / TwipsPerPixel);
        label->adjustSize();
        *fields[i] = place(new QLineEdit(m_addressPanel), twips(1440, top, 6375, 270));
    }
    m_saveButton = place(new QPushButton(QStringLiteral("保存"), m_addressPanel), twips(3240, 2280, 1335, 495));

    m_loginButton = place(new QPushButton(QStringLiteral("1: 手动登陆"), this), twips(240, 7200, 1815, 615));
    m_startButton = place(new QPushButton(QStringLiteral("2: 开始自动挂机"), this), twips(2520, 7200, 2055, 615));
    makeBold(m_loginButton);
    makeBold(m_startButton);

    m_statusLine = place(new QLabel(QStringLiteral(".."), this), twips(4680, 7080, 4335, 255));
    makeBold(m_statusLine);
    m_statusLine->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette red = m_statusLine->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    m_statusLine->setPalette(red);

    m_cycleLengthLabel = new HalfWidthSpaceLabel(QStringLiteral("采集间隔时间：         分钟"), this);
    m_cycleLengthLabel->move(5640 / TwipsPerPixel, 7560 / TwipsPerPixel);
    m_cycleLengthLabel->adjustSize();
    m_cycleLengthBox = place(new QComboBox(this), twips(6960, 7440, 615, 300));
    m_cycleLengthBox->setEditable(true);
    m_cycleLengthBox->setInsertPolicy(QComboBox::NoInsert);
    m_cycleLengthBox->addItems({QStringLiteral("10"), QStringLiteral("12"), QStringLiteral("15"), QStringLiteral("18"),
                                QStringLiteral("20"), QStringLiteral("25"), QStringLiteral("30"), QStringLiteral("35")});
    m_cycleLengthBox->setEditText(QStringLiteral("10"));
    m_lengthValidator = new CycleLengthValidator(m_cycleLengthBox);
    m_cycleLengthBox->setValidator(m_lengthValidator);
    m_cycleLengthBox->setCompleter(nullptr); // typing "1" means one minute, not "10"

    m_addressSettingsButton = place(new QPushButton(QStringLiteral("地址设置"), this), twips(9360, 7080, 1455, 375));
    m_productPageButton = place(new QPushButton(QStringLiteral("访问官网"), this), twips(9360, 7560, 1455, 375));
    // In the gap left of the cycle length, so nothing else moves.
    m_notifySettingsButton = place(new QPushButton(QStringLiteral("通知设置"), this), twips(4665, 7440, 945, 330));
    m_notifySettingsButton->setFlat(true);
    m_notifySettingsButton->setCursor(Qt::PointingHandCursor);
    m_notifySettingsButton->setStyleSheet(QStringLiteral("color: #0000ee; text-decoration: underline; border: none"));

    const std::pair<QWidget *, const char *> names[] = {
        {m_browserView, "browserView"},
        {m_startPanel, "startPanel"},
        {m_addressPanel, "addressPanel"},
        {m_loginAddressField, "loginAddressField"},
        {m_collectionAddressField, "collectionAddressField"},
        {m_generationAddressField, "generationAddressField"},
        {m_homePageAddressField, "homePageAddressField"},
        {m_saveButton, "saveButton"},
        {m_loginButton, "loginButton"},
        {m_startButton, "startButton"},
        {m_statusLine, "statusLine"},
        {m_cycleLengthLabel, "cycleLengthLabel"},
        {m_cycleLengthBox, "cycleLengthBox"},
        {m_addressSettingsButton, "addressSettingsButton"},
        {m_productPageButton, "productPageButton"},
        {m_notifySettingsButton, "notifySettingsButton"},
    };
    for (const auto &[widget, name] : names)
        widget->setObjectName(QLatin1String(name));

    // Front to back: the address panel, the start panel, the browser.
    m_browserView->lower();
    m_startPanel->raise();
    m_addressPanel->raise();
    m_cycleLengthBox->raise();

    QWidget *focusOrder[] = {m_browserView,          m_startButton,          m_loginAddressField,
                             m_collectionAddressField, m_generationAddressField, m_homePageAddressField,
                             m_loginButton,          m_saveButton,           m_addressSettingsButton,
                             m_cycleLengthBox,       m_startPanel,           m_productPageButton,
                             m_notifySettingsButton};
    for (size_t i = 1; i < std::size(focusOrder); ++i)
        setTabOrder(focusOrder[i - 1], focusOrder[i]);
}

QList<QLineEdit *> MainWindow::addressFields() const
{
    return {m_loginAddressField, m_collectionAddressField, m_generationAddressField, m_homePageAddressField};
}

void MainWindow::connectControls()
{
    StageMachine &stages = *m_stages;
    connect(m_loginAddressField, &QLineEdit::textChanged, this, [&stages](const QString &t) { stages.addresses.login = t; });
    connect(m_collectionAddressField, &QLineEdit::textChanged, this, [&stages](const QString &t) { stages.addresses.collection = t; });
    connect(m_generationAddressField, &QLineEdit::textChanged, this, [&stages](const QString &t) { stages.addresses.generation = t; });
    connect(m_homePageAddressField, &QLineEdit::textChanged, this, [&stages](const QString &t) { stages.addresses.homePage = t; });

    connect(m_loginButton, &QPushButton::clicked, &stages, &StageMachine::openLoginPage);
    connect(m_startButton, &QPushButton::clicked, this, [this, &stages] {
        stages.startCycle();
        // The disabled buttons would hand the focus to the cycle length box,
        // whose blinking cursor keeps repainting the window around the clock.
        // Only the user's press moves it: a restart by the clock must never
        // take the keyboard from someone typing.
        m_browserView->setFocus();
    });
    connect(m_saveButton, &QPushButton::clicked, this, &MainWindow::saveAddresses);
    connect(m_addressSettingsButton, &QPushButton::clicked, m_addressPanel, &QWidget::show);
    connect(m_productPageButton, &QPushButton::clicked, this, &MainWindow::openProductPage);
    connect(m_notifySettingsButton, &QPushButton::clicked, this, &MainWindow::notifySettingsRequested);
    connect(&m_tray, &TrayIcon::notifySettingsRequested, this, &MainWindow::notifySettingsRequested);

    // The pages show from the first one opened, by "1", "2" or --start.
    connect(&stages, &StageMachine::loginOpened, m_startPanel, &QWidget::hide);
    connect(&stages, &StageMachine::cycleStarted, m_startPanel, &QWidget::hide);
    // "1: 手动登陆" stays usable: it stops the cycle and hands the browser to
    // the operator.
    connect(&stages, &StageMachine::cycleStarted, this, [this] {
        m_startButton->setEnabled(false);
        m_addressSettingsButton->setEnabled(false);
    });
    connect(&stages, &StageMachine::cycleStopped, this, [this] {
        m_startButton->setEnabled(true);
        m_addressSettingsButton->setEnabled(true); // a wrong address can be mended now
        m_statusLine->setText(StoppedText);
    });
    connect(&stages.countdown(), &Countdown::captionChanged, this, &MainWindow::showCaption);
    connect(m_watch, &RunWatch::loginLostChanged, this, [this](bool lost) {
        if (lost)
            warn(LoginLostText);
    });
    connect(m_watch, &RunWatch::outageChanged, this, [this](const QString &reason) {
        if (!reason.isEmpty())
            warn(warning());
    });
    connect(m_watch, &RunWatch::stoppedTooLong, this, [this] { warn(StoppedTooLongText); });
    connect(m_watch, &RunWatch::personAwaitedChanged, this, [this] {
        // Once answered, a line that still asks for the person shows again
        // what it showed before (the countdown replaces it anyway).
        const QString awaited = m_watch->personAwaited();
        if (!awaited.isEmpty()) {
            if (m_awaitedShown.isEmpty())
                m_lineBeforeAwaited = m_statusLine->text();
            warn(awaited);
        } else if (m_statusLine->text() == m_awaitedShown) {
            m_statusLine->setText(m_lineBeforeAwaited);
        }
        m_awaitedShown = awaited;
    });

    connect(&m_tray, &TrayIcon::restoreRequested, this, &MainWindow::restoreFromTray);
    connect(&m_tray, &TrayIcon::exitRequested, this, &MainWindow::askToQuit);

    // A typed length counts once the typing is done (Enter, or the focus
    // leaving the box); half of "20" must never cut the running cycle short.
    connect(m_cycleLengthBox->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { acceptCycleLength(m_cycleLengthBox->currentText()); });
    connect(m_cycleLengthBox, &QComboBox::textActivated, this, &MainWindow::acceptCycleLength);
    for (QLineEdit *field : addressFields())
        keepOnOneLine(field);
}

void MainWindow::acceptCycleLength(const QString &text)
{
    QString input = text;
    int pos = 0;
    if (m_lengthValidator->validate(input, pos) != QValidator::Acceptable)
        return;
    m_stages->setCycleLength(input.toInt());
    m_lengthValidator->setFallback(m_stages->clock().cycleLength());
}

QString MainWindow::warning() const
{
    if (!m_watch->personAwaited().isEmpty())
        return m_watch->personAwaited();
    // The red line is narrow: the reason without the browser's error name.
    if (!m_watch->outage().isEmpty())
        return QStringLiteral("网站无法访问：") + m_watch->outage().section(QStringLiteral("（"), 0, 0);
    return m_watch->loginLost() ? LoginLostText : QString();
}

void MainWindow::showCaption(const QString &caption)
{
    // While something is wrong, the warning takes every other second of the
    // red line, so the countdown stays readable.
    const QString text = warning();
    const bool warnNow = !text.isEmpty() && ++m_captionsShown % 2 == 0;
    m_statusLine->setText(warnNow ? text : caption);
}

void MainWindow::warn(const QString &text)
{
    m_statusLine->setText(text);
    if (isHidden() && m_tray.isVisible())
        m_tray.showMessage(text);
}

void MainWindow::showSavedAddresses()
{
    m_addressPanel->hide();
    const QStringList saved = SettingsFile::loadLastRecord(m_settingsPath);
    const QList<QLineEdit *> fields = addressFields();
    for (int i = 0; i < fields.size(); ++i)
        fields[i]->setText(saved.value(i));
    for (QLineEdit *field : fields) {
        if (field->text().isEmpty()) {
            // No file, or no whole record in it: the addresses must be
            // entered and saved before logging in or starting.
            m_addressPanel->show();
            m_loginButton->setEnabled(false);
            m_startButton->setEnabled(false);
            return;
        }
    }
}

void MainWindow::saveAddresses()
{
    QStringList addresses;
    for (QLineEdit *field : addressFields()) {
        if (field->text().isEmpty()) {
            m_desktop.inform(this, QStringLiteral("地址框不能为空"));
            return;
        }
        addresses << field->text();
    }
    m_startPanel->hide();
    const QString failure = SettingsFile::appendRecord(m_settingsPath, addresses);
    m_addressPanel->hide();
    m_loginButton->setEnabled(true);
    m_startButton->setEnabled(true);
    if (failure.isEmpty()) {
        m_desktop.inform(this, QStringLiteral("恭喜，保存成功，请手动登陆后台后，再开始挂机自动采集·"));
    } else {
        // The addresses still serve this run; the user must know they are not kept.
        m_desktop.inform(this, QStringLiteral("地址没有保存到文件“%1”：%2。本次运行仍使用这些地址，下次启动需要重新填写。")
                                   .arg(QDir::toNativeSeparators(QFileInfo(m_settingsPath).absoluteFilePath()), failure));
    }
}

void MainWindow::openProductPage()
{
    m_desktop.openUrl(QUrl(QStringLiteral(PRODUCT_PAGE_URL)));
}

void MainWindow::pressStartOnceShown()
{
    QTimer::singleShot(0, this, [this] {
        if (m_startButton->isEnabled())
            m_startButton->click();
        else
            m_statusLine->setText(QStringLiteral("地址尚未保存，本次无法自动开始挂机"));
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
    if (!isMinimized())
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
