#include "form1.h"

#include "app_icon.h"
#include "autostart_check_box.h"
#include "automation/countdown.h"
#include "automation/cycle_clock.h"
#include "automation/run_journal.h"
#include "automation/run_watch.h"
#include "cycle_length_validator.h"
#include "desktop.h"
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
#include <QUrl>

namespace {

QRect twips(int left, int top, int width, int height)
{
    const int t = Form1::TwipsPerPixel;
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

Form1::Form1(Browser &browser, QWidget *browserView, TimerFactory &timers, Desktop &desktop, TrayIcon &tray,
             const QString &settingsPath, const AutostartPlaces &autostart, QWidget *parent)
    : QWidget(parent),
      m_desktop(desktop),
      m_tray(tray),
      m_settingsPath(settingsPath),
      m_stages(new StageMachine(browser, timers, this)),
      m_journal(new RunJournal(RunJournal::pathBeside(settingsPath), this)),
      m_watch(new RunWatch(*m_stages, browser, *m_journal, this))
{
    m_journal->write(QStringLiteral("启动"));
    setWindowTitle(caption());
    setWindowIcon(appIcon());
    setFont(windowFont());
    resize(10920 / TwipsPerPixel, 7950 / TwipsPerPixel);
    buildControls(browserView);
    Check1 = place(new AutostartCheckBox(AutostartEntry(autostart, QFileInfo(settingsPath).absolutePath()), desktop, Frame1),
                   twips(4800, 2370, 3135, 300));
    setTabOrder(Command7, Check1);
    connectControls();
    Form_Load();
}

Form1::~Form1()
{
    m_journal->write(QStringLiteral("退出"));
}

QString Form1::caption()
{
    return QStringLiteral("OrvoCMS（24小时）全自动挂机采集工具8.0    ")
        + QUrl(QStringLiteral(PRODUCT_PAGE_URL)).host() + QStringLiteral(" 奥沃软件工作室");
}

void Form1::buildControls(QWidget *browserView)
{
    WebBrowser1 = browserView ? browserView : new QWidget;
    WebBrowser1->setParent(this);
    WebBrowser1->setGeometry(twips(0, 120, 10815, 6855));

    Picture1 = place(new QFrame(this), twips(0, 0, 10815, 6975));
    Picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture1->setAutoFillBackground(true);
    Label4 = place(new QLabel(QStringLiteral("使用步骤：1-添加地址并保存  2-手动登陆后台  3-开始自动挂机（24小时不间断采集）"), Picture1),
                   twips(2040, 480, 7095, 375));
    Label5 = place(new QLabel(QStringLiteral("软件使用教程，打包在软件一起。您可按教程操作"), Picture1),
                   twips(3360, 1080, 3975, 495));
    for (QLabel *label : {Label4, Label5}) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }

    Frame1 = place(new QGroupBox(QStringLiteral("地址设置"), this), twips(1560, 2160, 8055, 2895));
    const QString labelTexts[4] = {QStringLiteral("后台登陆地址："), QStringLiteral("频道采集地址："),
                                   QStringLiteral("频道生成地址："), QStringLiteral("生成首页地址：")};
    QLineEdit **fields[4] = {&Text2, &Text3, &Text4, &Text5};
    for (int i = 0; i < 4; ++i) {
        const int top = 480 + 480 * i;
        Label1[i] = new QLabel(labelTexts[i], Frame1);
        makeBold(Label1[i]);
        Label1[i]->move(120 / TwipsPerPixel, top / TwipsPerPixel);
        Label1[i]->adjustSize();
        *fields[i] = place(new QLineEdit(Frame1), twips(1440, top, 6375, 270));
    }
    Command7 = place(new QPushButton(QStringLiteral("保存"), Frame1), twips(3240, 2280, 1335, 495));

    Command6 = place(new QPushButton(QStringLiteral("1: 手动登陆"), this), twips(240, 7200, 1815, 615));
    Command1 = place(new QPushButton(QStringLiteral("2: 开始自动挂机"), this), twips(2520, 7200, 2055, 615));
    makeBold(Command6);
    makeBold(Command1);

    Label3 = place(new QLabel(QStringLiteral(".."), this), twips(4680, 7080, 4335, 255));
    makeBold(Label3);
    Label3->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette red = Label3->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    Label3->setPalette(red);

    Label2 = new HalfWidthSpaceLabel(QStringLiteral("采集间隔时间：         分钟"), this);
    Label2->move(5640 / TwipsPerPixel, 7560 / TwipsPerPixel);
    Label2->adjustSize();
    Combo1 = place(new QComboBox(this), twips(6960, 7440, 615, 300));
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->addItems({QStringLiteral("10"), QStringLiteral("12"), QStringLiteral("15"), QStringLiteral("18"),
                      QStringLiteral("20"), QStringLiteral("25"), QStringLiteral("30"), QStringLiteral("35")});
    Combo1->setEditText(QStringLiteral("10"));
    m_lengthValidator = new CycleLengthValidator(Combo1);
    Combo1->setValidator(m_lengthValidator);
    Combo1->setCompleter(nullptr); // typing "1" means one minute, not "10"

    Command9 = place(new QPushButton(QStringLiteral("地址设置"), this), twips(9360, 7080, 1455, 375));
    Command10 = place(new QPushButton(QStringLiteral("访问官网"), this), twips(9360, 7560, 1455, 375));

    // Front to back: the address panel, the start panel, the browser.
    WebBrowser1->lower();
    Picture1->raise();
    Frame1->raise();
    Combo1->raise();

    QWidget *focusOrder[] = {WebBrowser1, Command1, Text2, Text3, Text4, Text5,
                             Command6, Command7, Command9, Combo1, Picture1, Command10};
    for (size_t i = 1; i < std::size(focusOrder); ++i)
        setTabOrder(focusOrder[i - 1], focusOrder[i]);
}

void Form1::connectControls()
{
    StageMachine &stages = *m_stages;
    connect(Text2, &QLineEdit::textChanged, this, [&stages](const QString &t) { stages.addresses.login = t; });
    connect(Text3, &QLineEdit::textChanged, this, [&stages](const QString &t) { stages.addresses.collection = t; });
    connect(Text4, &QLineEdit::textChanged, this, [&stages](const QString &t) { stages.addresses.generation = t; });
    connect(Text5, &QLineEdit::textChanged, this, [&stages](const QString &t) { stages.addresses.homePage = t; });

    connect(Command6, &QPushButton::clicked, &stages, &StageMachine::Command6_Click);
    connect(Command1, &QPushButton::clicked, this, [this, &stages] {
        stages.Command1_Click();
        // The disabled buttons would hand the focus to the cycle length box,
        // whose blinking cursor keeps repainting the window around the clock.
        // Only the user's press moves it: a restart by the clock must never
        // take the keyboard from someone typing.
        WebBrowser1->setFocus();
    });
    connect(Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(Command9, &QPushButton::clicked, this, &Form1::Command9_Click);
    connect(Command10, &QPushButton::clicked, this, &Form1::Command10_Click);

    connect(&stages, &StageMachine::loginOpened, Picture1, &QWidget::hide);
    connect(&stages, &StageMachine::cycleStarted, this, [this] {
        Command1->setEnabled(false);
        Command6->setEnabled(m_watch->loginLost()); // the way to log in again
        Command9->setEnabled(false);
    });
    connect(&stages.countdown(), &Countdown::captionChanged, this, &Form1::showCaption);
    connect(m_watch, &RunWatch::loginLostChanged, this, &Form1::showLoginLost);

    connect(&m_tray, &TrayIcon::restoreRequested, this, &Form1::restoreFromTray);
    connect(&m_tray, &TrayIcon::exitRequested, this, &Form1::askToQuit);

    // A typed length counts once the typing is done (Enter, or the focus
    // leaving the box); half of "20" must never cut the running cycle short.
    connect(Combo1->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { acceptCycleLength(Combo1->currentText()); });
    connect(Combo1, &QComboBox::textActivated, this, &Form1::acceptCycleLength);
    for (QLineEdit *field : {Text2, Text3, Text4, Text5})
        keepOnOneLine(field);
}

void Form1::acceptCycleLength(const QString &text)
{
    QString input = text;
    int pos = 0;
    if (m_lengthValidator->validate(input, pos) != QValidator::Acceptable)
        return;
    m_stages->setCycleLength(input.toInt());
    m_lengthValidator->setFallback(m_stages->clock().cycleLength());
}

namespace {
const QString LoginLostText = QStringLiteral("未找到提交按钮，请重新登陆后台");
}

void Form1::showCaption(const QString &caption)
{
    // While the login seems lost, the warning takes every other second of
    // the red line, so the countdown stays readable.
    const bool warn = m_watch->loginLost() && ++m_captionsShown % 2 == 0;
    Label3->setText(warn ? LoginLostText : caption);
}

void Form1::showLoginLost(bool lost)
{
    // "1: 手动登陆" comes back so that the operator can log in again without
    // quitting; the running cycle keeps its clock.
    Command6->setEnabled(lost);
    if (!lost)
        return;
    Label3->setText(LoginLostText);
    if (isHidden() && m_tray.isVisible())
        m_tray.showMessage(LoginLostText);
}

void Form1::Form_Load()
{
    Frame1->hide();
    Command8_Click();
    for (QLineEdit *field : {Text2, Text3, Text4, Text5}) {
        if (field->text().isEmpty()) {
            // No file, or no whole record in it: the addresses must be
            // entered and saved before logging in or starting.
            Frame1->show();
            Command6->setEnabled(false);
            Command1->setEnabled(false);
            return;
        }
    }
}

void Form1::Command8_Click()
{
    const QStringList addresses = SettingsFile::loadLastRecord(m_settingsPath);
    QLineEdit *fields[] = {Text2, Text3, Text4, Text5};
    for (int i = 0; i < 4; ++i)
        fields[i]->setText(addresses.value(i));
}

void Form1::Command7_Click()
{
    QStringList addresses;
    for (QLineEdit *field : {Text2, Text3, Text4, Text5}) {
        if (field->text().isEmpty()) {
            m_desktop.inform(this, QStringLiteral("地址框不能为空"));
            return;
        }
        addresses << field->text();
    }
    Picture1->hide();
    const QString failure = SettingsFile::appendRecord(m_settingsPath, addresses);
    Frame1->hide();
    Command6->setEnabled(true);
    Command1->setEnabled(true);
    if (failure.isEmpty()) {
        m_desktop.inform(this, QStringLiteral("恭喜，保存成功，请手动登陆后台后，再开始挂机自动采集·"));
    } else {
        // The addresses still serve this run; the user must know they are not kept.
        m_desktop.inform(this, QStringLiteral("地址没有保存到文件“%1”：%2。本次运行仍使用这些地址，下次启动需要重新填写。")
                                   .arg(QDir::toNativeSeparators(QFileInfo(m_settingsPath).absoluteFilePath()), failure));
    }
}

void Form1::Command9_Click()
{
    Frame1->show();
}

void Form1::Command10_Click()
{
    m_desktop.openUrl(QUrl(QStringLiteral(PRODUCT_PAGE_URL)));
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Closing always goes through the question; the answer comes later.
    event->ignore();
    m_tray.hide();
    askToQuit();
}

void Form1::askToQuit()
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

void Form1::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (windowState() == Qt::WindowNoState)
        m_normalGeometry.moveTopLeft(pos());
}

void Form1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (windowState() == Qt::WindowNoState)
        m_normalGeometry.setSize(size());
}

void Form1::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized()) {
        m_restoreMaximized = static_cast<QWindowStateChangeEvent *>(event)->oldState() & Qt::WindowMaximized;
        // Hidden once the state change is done; without a notification area
        // the window just stays minimised, never hidden beyond reach.
        if (m_tray.isAvailable())
            QMetaObject::invokeMethod(this, &Form1::WindowStyle, Qt::QueuedConnection);
    }
}

void Form1::WindowStyle()
{
    if (!isMinimized())
        return;
    m_tray.show();
    hide();
}

void Form1::restoreFromTray()
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
