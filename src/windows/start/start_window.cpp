// The start window's controls and handlers.
#include "windows/start/start_window.h"

#include "platform/look.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace folio {

StartWindow::StartWindow(const QList<RecentStand>& recent, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("StartWindow"));
    setWindowTitle(QStringLiteral("Folioscribe 5.0"));
    look::setWhiteBackground(this);
    auto* column = new QVBoxLayout(this);
    explanation = new QLabel(
        QStringLiteral("Folioscribe works on a stand folder: the folder of a music stand's "
                       "installation, which holds the folder spartiti with the stand's archive, "
                       "playlists and page images. It is usually the stand's own folder on this "
                       "computer, or a copy of it on a USB stick."),
        this);
    explanation->setObjectName(QStringLiteral("explanation"));
    explanation->setWordWrap(true);
    look::styleBlueText(explanation, 11);
    openFolder = new QPushButton(QStringLiteral("Open a stand folder…"), this);
    openFolder->setObjectName(QStringLiteral("openFolder"));
    look::styleButton(openFolder);
    auto* recentCaption = new QLabel(QStringLiteral("Recent stands:"), this);
    look::styleBlueText(recentCaption, 11);
    recentList = new QListWidget(this);
    recentList->setObjectName(QStringLiteral("recentList"));
    for (const RecentStand& stand : recent) {
        const QString shown = QDir::toNativeSeparators(stand.folder);
        auto* item = new QListWidgetItem(shown, recentList);
        item->setToolTip(shown);
        item->setData(Qt::UserRole, stand.folder);
        if (!stand.there)
            item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable));
    }
    openRecent = new QPushButton(QStringLiteral("Open"), this);
    openRecent->setObjectName(QStringLiteral("openRecent"));
    look::styleButton(openRecent);
    openRecent->setEnabled(false);
    column->addWidget(explanation);
    column->addWidget(openFolder);
    column->addWidget(recentCaption);
    column->addWidget(recentList);
    column->addWidget(openRecent);
    resize(520, 360);
    connect(openFolder, &QPushButton::clicked, this, &StartWindow::openFolderClicked);
    connect(openRecent, &QPushButton::clicked, this, &StartWindow::openRecent_Click);
    connect(recentList, &QListWidget::itemActivated, this, &StartWindow::recentList_Activated);
    connect(recentList, &QListWidget::itemSelectionChanged, this,
            &StartWindow::recentList_SelectionChange);
}

void StartWindow::recentList_SelectionChange() {
    openRecent->setEnabled(recentList->currentItem() && recentList->currentItem()->isSelected());
}

void StartWindow::openRecent_Click() {
    if (QListWidgetItem* item = recentList->currentItem())
        emit recentChosen(item->data(Qt::UserRole).toString());
}

void StartWindow::recentList_Activated(QListWidgetItem* item) {
    if (item->flags() & Qt::ItemIsEnabled)
        emit recentChosen(item->data(Qt::UserRole).toString());
}

} // namespace folio
