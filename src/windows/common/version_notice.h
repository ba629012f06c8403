// What the windows tell about versions: that an earlier file was kept and how to get it back,
// and, once per run, why one could not be kept.
#pragma once

#include "core/versions/versions.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace folio {

class Dialogs;
struct SharedState;

// "The earlier right page was kept; "Restore…" brings it back." for the files named (as "left
// page", "right page", "recording"); empty when none was kept.
QString keptNotice(const QStringList& kept);

// "left page", "right page" or "recording".
QString entryFileWord(EntryFileKind kind);

// Tells the user, once per run, why no earlier version of file could be kept (notKept empty:
// one was, or there was nothing to keep).
void reportVersionNotKept(SharedState& state, Dialogs& dialogs, QWidget* parent, DataFile file,
                          const std::string& notKept);

} // namespace folio
