// Changes made by another program: each data file is noted as this program read or last wrote
// it, and before it is rewritten the user is asked whether to save over a change made since.
#pragma once

#include "core/versions/data_file_stamp.h"
#include "core/versions/versions.h"

class QWidget;

namespace folio {

class Dialogs;
struct SharedState;

// Notes file as it is now, just read or written by this program.
void noteDataFile(SharedState& state, DataFile file);
// Notes file as stamp says it was read.
void noteDataFile(SharedState& state, DataFile file, const DataFileStamp& stamp);

// Before file is rewritten: true when it is still what was noted (or was never noted), or when
// the user agrees to save over another program's change. The rewrite keeps the other program's
// file as a version, so "Restore…" brings it back.
bool maySaveOver(const SharedState& state, Dialogs& dialogs, QWidget* parent, DataFile file);

} // namespace folio
