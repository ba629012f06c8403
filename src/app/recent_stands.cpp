// The recent stands in the user's settings (QSettings, per user).
#include "app/recent_stands.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace folio {
namespace {

const QString kKey = QStringLiteral("recentStands");

// The same settings file as every other setting of the program.
QSettings userSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Folioscribe"),
                     QStringLiteral("Folioscribe_pro"));
}

QStringList keptFolders() {
    return userSettings().value(kKey).toStringList();
}

} // namespace

bool isStandFolder(const QString& folder) {
    return !folder.isEmpty() &&
           QFileInfo(QDir(folder).filePath(QStringLiteral("spartiti"))).isDir();
}

QList<RecentStand> recentStands() {
    QList<RecentStand> stands;
    for (const QString& folder : keptFolders())
        stands.append({folder, isStandFolder(folder)});
    return stands;
}

void rememberStand(const QString& folder) {
    const QString kept = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QStringList folders = keptFolders();
    folders.removeAll(kept);
    folders.prepend(kept);
    while (folders.size() > kRecentStands)
        folders.removeLast();
    userSettings().setValue(kKey, folders);
}

QString newestStandThere() {
    for (const QString& folder : keptFolders()) {
        if (isStandFolder(folder))
            return folder;
    }
    return {};
}

} // namespace folio
