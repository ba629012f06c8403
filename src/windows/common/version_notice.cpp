// The notices about kept versions, shared by every window that replaces a file.
#include "windows/common/version_notice.h"

#include "platform/core_text.h"
#include "platform/dialogs.h"
#include "windows/common/shared_state.h"

namespace folio {

QString keptNotice(const QStringList& kept) {
    if (kept.isEmpty())
        return {};
    if (kept.size() == 1)
        return QStringLiteral("The earlier %1 was kept; \"Restore…\" brings it back.").arg(kept[0]);
    return QStringLiteral("The earlier %1 and %2 were kept; \"Restore…\" brings them back.")
        .arg(kept.mid(0, kept.size() - 1).join(QStringLiteral(", ")), kept.back());
}

QString entryFileWord(EntryFileKind kind) {
    switch (kind) {
    case EntryFileKind::LeftPage:
        return QStringLiteral("left page");
    case EntryFileKind::RightPage:
        return QStringLiteral("right page");
    case EntryFileKind::Recording:
        return QStringLiteral("recording");
    }
    return {};
}

void reportVersionNotKept(SharedState& state, Dialogs& dialogs, QWidget* parent, DataFile file,
                          const std::string& notKept) {
    if (notKept.empty() || state.versionNotKeptTold)
        return;
    state.versionNotKeptTold = true;
    const std::string_view name = dataFileName(file);
    dialogs.error(parent,
                  QStringLiteral("The earlier version of %1 could not be kept: %2")
                      .arg(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())),
                           fromCoreText(notKept)));
}

} // namespace folio
