// Putting a version back in place of the file it was.
#include "core/versions/version_folder.h"
#include "core/versions/versions.h"

#include <system_error>

namespace folio {

using namespace version_folder;

FileResult restoreVersion(const Installation& installation, const Version& version,
                          KeepVersion& keep) {
    const fs::path kept = version.dataPath();
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(kept, ec);
    if (status.type() == fs::file_type::not_found)
        return FileResult::failure("The version " + quotedPath(kept) + " is no longer there.");
    if (fs::is_symlink(status))
        return FileResult::failure("The version " + quotedPath(kept) +
                                   " is a link; links are not followed.");
    if (!fs::is_regular_file(status))
        return FileResult::failure(
            "The version " + quotedPath(kept) + " cannot be read: " +
            (fs::is_directory(status) ? "it is a folder." : "it is not a regular file."));
    keep.what = "restore";
    if (version.entryFile)
        return replaceKeepingVersion(installation, *version.entryFile, kept, keep);
    const FileRead read = readWholeFile(kept, readLimit(version.file));
    if (!read.ok())
        return FileResult::failure(read.error);
    return rewriteKeepingVersion(installation, version.file, {read.bytes}, &keep);
}

} // namespace folio
