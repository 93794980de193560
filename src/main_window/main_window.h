#pragma once

#include "autostart_entry.h"
#include "automation/stage_machine.h"

#include <QPointer>
#include <QWidget>

class Browser;
class RunJournal;
class RunWatch;
class CycleLengthValidator;
class Desktop;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TimerFactory;
class TrayIcon;

// The tool's one window. Its layout is fixed: every control stands where it
// was placed, whatever the window's size. Each control has an object name
// for those who look for it from outside (findChild).
class MainWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int TwipsPerPixel = 15;

    // `browserView` is the widget that shows the browser's pages; the window
    // takes it over. It may be null where no real browser is used.
    // `settingsPath` is the settings file, "123.txt" in the current directory.
    // `autostart` is where the login autostart entry of its folder goes.
    MainWindow(Browser &browser, QWidget *browserView, TimerFactory &timers, Desktop &desktop, TrayIcon &tray,
               const QString &settingsPath, const AutostartPlaces &autostart = AutostartPlaces::forThisUser(),
               QWidget *parent = nullptr);

    static QString caption();

    ~MainWindow() override;

    StageMachine &stages() { return *m_stages; }
    RunJournal &journal() { return *m_journal; }
    RunWatch &watch() { return *m_watch; }

    // --start: as soon as the window is up, presses "2: 开始自动挂机" as the
    // user would. Without saved addresses that button is disabled and the
    // window stays as on a first run; the red line then says it cannot start
    // on its own.
    void pressStartOnceShown();
    // Out of the tray or the task bar, raised and active: another copy was
    // started in this folder.
    void bringForward();

signals:
    void quitRequested(); // the user confirmed the exit
    void notifySettingsRequested(); // 通知设置, from the window or the tray

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildControls(QWidget *browserView);
    void connectControls();
    void showSavedAddresses();
    void saveAddresses();
    void openProductPage();
    void acceptCycleLength(const QString &text);
    void showCaption(const QString &caption);
    QString warning() const; // what the red line alternates with the countdown
    void warn(const QString &text); // on the red line, and from the tray while hidden
    void hideIntoTray();
    void restoreFromTray();
    void askToQuit();
    QList<QLineEdit *> addressFields() const;

    Desktop &m_desktop;
    TrayIcon &m_tray;
    const QString m_settingsPath;
    StageMachine *m_stages;
    RunJournal *m_journal;
    RunWatch *m_watch;

    QWidget *m_browserView;
    QFrame *m_startPanel;           // the steps of use, over the browser until a page is opened
    QGroupBox *m_addressPanel;      // 地址设置
    QLineEdit *m_loginAddressField;
    QLineEdit *m_collectionAddressField;
    QLineEdit *m_generationAddressField;
    QLineEdit *m_homePageAddressField;
    QPushButton *m_saveButton;
    QCheckBox *m_autostartBox;
    QPushButton *m_loginButton;     // 1: 手动登陆
    QPushButton *m_startButton;     // 2: 开始自动挂机
    QLabel *m_statusLine;           // the red line
    QLabel *m_cycleLengthLabel;
    QComboBox *m_cycleLengthBox;
    QPushButton *m_addressSettingsButton;
    QPushButton *m_productPageButton;
    QPushButton *m_notifySettingsButton; // usable while the cycle runs

    int m_captionsShown = 0;
    CycleLengthValidator *m_lengthValidator = nullptr;
    QRect m_normalGeometry; // where the window stood when last neither minimised nor maximised
    bool m_restoreMaximized = false;
    QPointer<QWidget> m_quitQuestion;
    QString m_awaitedShown;      // what the red line says a box waits for
    QString m_lineBeforeAwaited; // what it said before
};
