// Moving files out of the way of new scores.
#include "core/absorption/moving_aside.h"

namespace folio {

namespace fs = std::filesystem;

void MoverAside::moveIfThere(const fs::path& name) {
    if (!standsAt(name))
        return;
    std::string error;
    if (moved(name, error))
        return;
    report_.notMovedAside.push_back(
        {utf8Path(name),
         "The file " + quotedPath(name) +
             " belongs to no absorbed score, but it could not be moved aside: " + error + "."});
}

std::optional<std::string> MoverAside::clearForCopy(const fs::path& name) {
    std::string error;
    if (!standsAt(name) || moved(name, error))
        return std::nullopt;
    return "The file " + quotedPath(name) +
           " is in the way and could not be moved aside: " + error + ".";
}

bool MoverAside::moved(const fs::path& name, std::string& error) {
    if (report_.backupFolder.empty()) {
        std::optional<fs::path> folder =
            makeBackupFolder(installation_, stamp_, "absorption", error);
        if (folder)
            report_.backupFolder = *folder;
    }
    if (report_.backupFolder.empty())
        return false;
    // A backup folder on another disk takes a copy, checked before the file here goes.
    const fs::path to = report_.backupFolder / name.filename();
    const FileResult result = moveFile(name, to);
    if (!result.ok) {
        error = result.error;
        return false;
    }
    report_.movedAside.push_back({name, to});
    return true;
}

} // namespace folio
