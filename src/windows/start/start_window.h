// The start window, shown when the program starts without a stand to open: it says what a stand
// folder is and where one usually is, and offers to choose one or to open a recent one.
#pragma once

#include "windows/common/main_window_host.h"

#include <QList>
#include <QWidget>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace folio {

class StartWindow : public QWidget {
    Q_OBJECT
public:
    explicit StartWindow(const QList<RecentStand>& recent, QWidget* parent = nullptr);

    QLabel* explanation = nullptr;
    QPushButton* openFolder = nullptr; // "Open a stand folder…"
    // The recent stands, newest first; one no longer there is greyed, its path in the tip.
    QListWidget* recentList = nullptr;
    QPushButton* openRecent = nullptr; // "Open"

signals:
    void openFolderClicked();
    void recentChosen(const QString& folder);

private slots:
    void openRecent_Click();
    void recentList_Activated(QListWidgetItem* item);
    void recentList_SelectionChange();
};

} // namespace folio
