#pragma once

#include <QWidget>

class Desktop;
class MainWindow;
class QListWidget;
class QPushButton;
class SiteSet;

// The list of a set's sites beside the browser: a row each, with the host,
// what it does now and its troubles; the selected row is the site the window
// shows. Under it 全部开始, 添加站点 and 移除站点.
class SiteListPanel : public QWidget {
    Q_OBJECT
public:
    SiteListPanel(SiteSet &set, MainWindow &window, Desktop &desktop);

    // Selects the row of the site at `index` (as sites() counts).
    void select(int index);

private:
    void addRow(int index);
    void showRow(int index);
    void showSelected();
    void askForFolder();
    void askToRemove();
    // A site of the set that runs, other than the one at `index`; -1: none.
    int runningSiteOtherThan(int index) const;

    SiteSet &m_set;
    MainWindow &m_window;
    Desktop &m_desktop;
    QListWidget *m_rows;
    QPushButton *m_removeButton;
    const void *m_shownAtStart; // the site whose alarms the window follows already
};
