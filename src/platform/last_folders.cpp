// The pickers' last folders in the user's settings (QSettings, per user).
#include "platform/last_folders.h"

#include "platform/browsing_lists.h"
#include "platform/user_settings.h"

#include <QDir>
#include <QFileInfo>

namespace folio {
namespace {

QString keyOf(const QString& picker) {
    return QStringLiteral("lastFolder/") + picker;
}

} // namespace

QString lastFolder(const QString& picker) {
    return userSettings()->value(keyOf(picker)).toString();
}

QString inLastFolder(const QString& picker, const QString& fileName) {
    const QString last = lastFolder(picker);
    return !last.isEmpty() && QFileInfo(last).isDir() ? QDir(last).filePath(fileName) : fileName;
}

void keepLastFolder(const QString& picker, const QString& folder) {
    userSettings()->setValue(keyOf(picker), folder);
}

void openWhereLastLeft(FolderList* list, const QString& picker, const QString& fallback) {
    const QString last = lastFolder(picker);
    if (last.isEmpty() || !list->setPath(last))
        list->setPath(fallback);
    QObject::connect(list, &FolderList::changed, list, [picker](const QString& folder) {
        userSettings()->setValue(keyOf(picker), folder);
    });
}

} // namespace folio
