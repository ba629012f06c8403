// Data file stamps.
#include "core/versions/data_file_stamp.h"

#include "core/files/file_ops.h"
#include "core/files/read_limits.h"
#include "core/versions/version_folder.h"

#include <filesystem>
#include <system_error>

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace folio {

DataFileStamp dataFileStamp(const Installation& installation, DataFile file) {
    const std::filesystem::path path = dataFilePath(installation, file);
    DataFileStamp stamp;
    FileRead read = readWholeFile(path, version_folder::readLimit(file));
    if (read.status == ReadStatus::Missing)
        return stamp;
    stamp.state = DataFileStamp::State::Unreadable;
    if (!read.ok())
        return stamp;
    std::error_code error;
    const auto modified = std::filesystem::last_write_time(path, error);
    stamp.state = DataFileStamp::State::Read;
    stamp.size = read.bytes.size();
    stamp.modified = error ? 0 : static_cast<std::int64_t>(modified.time_since_epoch().count());
    stamp.hash = XXH3_64bits(read.bytes.data(), read.bytes.size());
    return stamp;
}

DataFileStamp dataFileStampOf(std::string_view bytes) {
    DataFileStamp stamp;
    stamp.state = DataFileStamp::State::Read;
    stamp.size = bytes.size();
    stamp.hash = XXH3_64bits(bytes.data(), bytes.size());
    return stamp;
}

bool sameFile(const DataFileStamp& before, const DataFileStamp& now) {
    if (before.state != now.state)
        return false;
    if (before.state != DataFileStamp::State::Read)
        return true;
    // A file rewritten with the very same bytes (a newer time only) holds nothing to lose.
    return before.size == now.size && before.hash == now.hash;
}

} // namespace folio
