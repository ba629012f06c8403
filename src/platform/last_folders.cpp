// The pickers' last folders in the user's settings (QSettings, per user).
#include "platform/last_folders.h"

#include "platform/browsing_lists.h"

#include <QSettings>
#include <memory>

namespace folio {
namespace {

// The program's settings of this user: one file, whichever window asks.
std::unique_ptr<QSettings> userSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Folioscribe"),
                                       QStringLiteral("Folioscribe_pro"));
}

QString keyOf(const QString& picker) {
    return QStringLiteral("lastFolder/") + picker;
}

} // namespace

QString lastFolder(const QString& picker) {
    return userSettings()->value(keyOf(picker)).toString();
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
