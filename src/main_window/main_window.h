#pragma once

#include "autostart_entry.h"
#include "settings/admin_addresses.h"

#include <QPointer>
#include <QWidget>

class AddressPanel;
class CycleLengthValidator;
class Desktop;
class QComboBox;
class QFrame;
class QPushButton;
class SiteFace;
class StatusLine;
class TrayIcon;

// The tool's one window: it shows one site's run and hands it the person's
// commands. Its layout is fixed (WindowLayout); each control has an object
// name for those who look for it from outside (findChild). Minimised, it
// goes into the notification area; closing it asks first.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    // `browserView` is the widget that shows the site's browser; the window
    // takes it over. It may be null where no real browser is used.
    // `folder` is the one the tool was started in; `autostart` is where its
    // login autostart entry goes.
    MainWindow(const QString &folder, SiteFace &site, QWidget *browserView, Desktop &desktop, TrayIcon &tray,
               const AutostartPlaces &autostart = AutostartPlaces::forThisUser(), QWidget *parent = nullptr);

    static QString caption();

    // --start: as soon as the window is up, presses "2: 开始自动挂机" as the
    // user would. Without saved addresses that button is disabled and the
    // window stays as on a first run; the red line then says it cannot start
    // on its own. Either way the group robot hears of it.
    void pressStartOnceShown();
    // Out of the tray or the task bar, raised and active: another copy was
    // started in this folder.
    void bringForward();
    // Shows another site in the window: its browser, buttons, addresses,
    // length and red line; the commands go to it from now on.
    void showSite(SiteFace &site, QWidget *browserView);
    const SiteFace &shownSite() const { return *m_site; }
    // The panel listing a set's sites, right of the browser; the window
    // widens for it. From then on the tray's messages name their site.
    void addSiteList(QWidget *list);
    // A site whose alarms the tray tells while the window is hidden.
    void followAlarms(SiteFace &site);

signals:
    void quitRequested(); // the user confirmed the exit
    void notifySettingsRequested(); // 通知设置, from the window or the tray

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    // Every click and key anywhere in the tool tells the run that someone is there.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls(const QString &folder, const AutostartPlaces &autostart);
    void connectControls();
    void bindSite();
    void showStage();
    void showRememberedLogin();
    void saveAddresses(const AdminAddresses &addresses);
    void acceptCycleLength(const QString &text);
    void hideIntoTray();
    void restoreFromTray();
    void askToQuit();

    SiteFace *m_site;
    Desktop &m_desktop;
    TrayIcon &m_tray;
    QObject *m_binding = nullptr; // the connections to the shown site
    bool m_namesSites = false;     // the tray's messages say which site

    QWidget *m_browserView = nullptr;
    QFrame *m_startPanel; // the steps of use, over the browser until a page is opened
    AddressPanel *m_addressPanel;
    QPushButton *m_loginButton; // 1: 手动登陆
    QPushButton *m_startButton; // 2: 开始自动挂机
    StatusLine *m_statusLine;   // the red line
    QComboBox *m_cycleLengthBox;
    QPushButton *m_addressSettingsButton;
    QPushButton *m_productPageButton;
    QPushButton *m_notifySettingsButton; // usable while the cycle runs

    CycleLengthValidator *m_lengthValidator = nullptr;
    QRect m_normalGeometry; // where the window stood when last neither minimised nor maximised
    bool m_restoreMaximized = false;
    QPointer<QWidget> m_quitQuestion;
};
