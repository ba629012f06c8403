// The question about a data file changed by another program.
#include "windows/common/changed_elsewhere.h"

#include "platform/dialogs.h"
#include "windows/common/shared_state.h"

#include <string>

namespace folio {

void noteDataFile(SharedState& state, DataFile file) {
    noteDataFile(state, file, dataFileStamp(state.installation, file));
}

void noteDataFile(SharedState& state, DataFile file, const DataFileStamp& stamp) {
    state.seenFiles[static_cast<std::size_t>(file)] = stamp;
}

bool maySaveOver(const SharedState& state, Dialogs& dialogs, QWidget* parent, DataFile file) {
    const std::optional<DataFileStamp>& seen = state.seenFiles[static_cast<std::size_t>(file)];
    if (!seen)
        return true;
    // Only a file that can be read holds another program's work to keep; what cannot be read
    // (or is gone) the save itself reports or makes anew.
    const DataFileStamp now = dataFileStamp(state.installation, file);
    if (now.state != DataFileStamp::State::Read || sameFile(*seen, now))
        return true;
    return dialogs.questionDefaultNo(
        parent, QStringLiteral("%1 was changed by another program since Folioscribe read it. Save "
                               "over it? The other version is kept, and \"Restore…\" brings it "
                               "back.")
                    .arg(QString::fromStdString(std::string(dataFileName(file)))));
}

} // namespace folio
