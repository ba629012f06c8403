// The stands opened last, kept in the user's settings (never inside a stand), newest first.
#pragma once

#include "windows/common/main_window_host.h"

#include <QList>
#include <QString>

namespace folio {

// How many stands the list keeps.
inline constexpr int kRecentStands = 8;

// The stands opened last, newest first, each with whether its folder is still a stand.
QList<RecentStand> recentStands();
// Puts folder at the head of the list, once, dropping the oldest beyond kRecentStands.
void rememberStand(const QString& folder);
// The name of each folder for a list or a window: the shortest end of its path that tells it
// from every other folder given ("usb/demo" and "music/demo"), in the system's separators.
QStringList distinguishingNames(const QStringList& folders);
// The name of folder among the recent stands (which it need not be one of).
QString standName(const QString& folder);
// The newest stand of the list that is still there; empty when none is.
QString newestStandThere();
// Whether folder is a stand's folder: it holds the data folder spartiti.
bool isStandFolder(const QString& folder);

} // namespace folio
