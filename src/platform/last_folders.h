// Where each file picker was last left, kept in the user's settings: a picker opens where the
// user last browsed with it, later in the same run and in the next one.
#pragma once

#include <QString>

namespace folio {

class FolderList;

// Opens list in the folder picker was last left in, while that is still a folder that can be
// read, else in fallback; from then on each folder the list opens is kept as picker's last.
void openWhereLastLeft(FolderList* list, const QString& picker, const QString& fallback);

// The folder picker was last left in, empty when none is kept.
QString lastFolder(const QString& picker);
// fileName in the folder picker was last left in, while that is still a folder; else fileName
// alone: what a save chooser suggests.
QString inLastFolder(const QString& picker, const QString& fileName);
// Keeps folder as the one picker was last left in.
void keepLastFolder(const QString& picker, const QString& folder);

} // namespace folio
