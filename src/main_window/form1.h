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
// was placed, whatever the window's size.
class Form1 : public QWidget {
    Q_OBJECT
public:
    static constexpr int TwipsPerPixel = 15;

    // `browserView` is the widget that shows the browser's pages; the window
    // takes it over. It may be null where no real browser is used.
    // `settingsPath` is the settings file, "123.txt" in the current directory.
    // `autostart` is where the login autostart entry of its folder goes.
    Form1(Browser &browser, QWidget *browserView, TimerFactory &timers, Desktop &desktop, TrayIcon &tray,
          const QString &settingsPath, const AutostartPlaces &autostart = AutostartPlaces::forThisUser(),
          QWidget *parent = nullptr);

    static QString caption();

    ~Form1() override;

    StageMachine &stages() { return *m_stages; }
    RunJournal &journal() { return *m_journal; }
    RunWatch &watch() { return *m_watch; }

    void Form_Load();
    void Command7_Click(); // save the addresses
    void Command8_Click(); // load the addresses
    void Command9_Click(); // show the address panel
    void Command10_Click(); // open the maker's product page

    // The controls, under the names the rest of the program knows them by.
    QFrame *Picture1;
    QWidget *WebBrowser1;
    QLabel *Label4;
    QLabel *Label5;
    QGroupBox *Frame1;
    QLabel *Label1[4];
    QLineEdit *Text2;
    QLineEdit *Text3;
    QLineEdit *Text4;
    QLineEdit *Text5;
    QPushButton *Command7;
    QCheckBox *Check1; // start at login
    QPushButton *Command6;
    QPushButton *Command1;
    QLabel *Label3;
    QLabel *Label2;
    QComboBox *Combo1;
    QPushButton *Command9;
    QPushButton *Command10;

signals:
    void quitRequested(); // the user confirmed the exit

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void WindowStyle(); // into the notification area
    void restoreFromTray();
    void askToQuit();

    void buildControls(QWidget *browserView);
    void connectControls();
    void acceptCycleLength(const QString &text);
    void showCaption(const QString &caption);
    void showLoginLost(bool lost);

    Desktop &m_desktop;
    TrayIcon &m_tray;
    const QString m_settingsPath;
    StageMachine *m_stages;
    RunJournal *m_journal;
    RunWatch *m_watch;
    int m_captionsShown = 0;
    CycleLengthValidator *m_lengthValidator = nullptr;
    QRect m_normalGeometry; // where the window stood when last neither minimised nor maximised
    bool m_restoreMaximized = false;
    QPointer<QWidget> m_quitQuestion;
};
