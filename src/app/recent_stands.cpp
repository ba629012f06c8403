// The recent stands in the user's settings (QSettings, per user).
#include "app/recent_stands.h"

#include "platform/user_settings.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <vector>

namespace folio {
namespace {

const QString kKey = QStringLiteral("recentStands");

QStringList keptFolders() {
    return userSettings()->value(kKey).toStringList();
}

} // namespace

bool isStandFolder(const QString& folder) {
    return !folder.isEmpty() &&
           QFileInfo(QDir(folder).filePath(QStringLiteral("spartiti"))).isDir();
}

QStringList distinguishingNames(const QStringList& folders) {
    std::vector<QString> cleaned;
    std::vector<QStringList> parts;
    for (const QString& folder : folders) {
        cleaned.push_back(QDir::cleanPath(folder));
        parts.push_back(cleaned.back().split(QLatin1Char('/'), Qt::SkipEmptyParts));
    }
    // The last count parts of a path (all of them when it has no more).
    const auto end = [&](std::size_t which, qsizetype count) {
        return parts[which].sliced(std::max<qsizetype>(0, parts[which].size() - count));
    };
    QStringList names;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        qsizetype count = 1;
        for (std::size_t other = 0; other < parts.size(); ++other) {
            if (cleaned[other] == cleaned[i])
                continue;
            while (count < parts[i].size() && end(i, count) == end(other, count))
                ++count;
        }
        names << QDir::toNativeSeparators(
            count >= parts[i].size() ? cleaned[i] : end(i, count).join(QLatin1Char('/')));
    }
    return names;
}

QList<RecentStand> recentStands() {
    const QStringList folders = keptFolders();
    const QStringList names = distinguishingNames(folders);
    QList<RecentStand> stands;
    for (qsizetype i = 0; i < folders.size(); ++i)
        stands.append({folders[i], isStandFolder(folders[i]), names[i]});
    return stands;
}

QString standName(const QString& folder) {
    const QString kept = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QStringList folders = keptFolders();
    folders.removeAll(kept);
    folders.prepend(kept);
    return distinguishingNames(folders).front();
}

void rememberStand(const QString& folder) {
    const QString kept = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QStringList folders = keptFolders();
    folders.removeAll(kept);
    folders.prepend(kept);
    while (folders.size() > kRecentStands)
        folders.removeLast();
    userSettings()->setValue(kKey, folders);
}

QString newestStandThere() {
    for (const QString& folder : keptFolders()) {
        if (isStandFolder(folder))
            return folder;
    }
    return {};
}

} // namespace folio
