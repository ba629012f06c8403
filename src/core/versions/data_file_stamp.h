// What a data file is at one moment, to tell later whether another program changed it since
// this program read or wrote it.
#pragma once

#include "core/files/installation.h"
#include "core/versions/versions.h"

#include <cstdint>
#include <string>

namespace folio {

struct DataFileStamp {
    enum class State { Missing, Unreadable, Read };
    State state = State::Missing;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    // A 64-bit hash of the bytes, when Read: taken at every read of a data file, it costs a
    // few per cent of the read itself. It lives in memory only, never in a file.
    std::uint64_t hash = 0;
};

// The data file as it is now.
DataFileStamp dataFileStamp(const Installation& installation, DataFile file);
// The stamp of a file whose bytes were just read, without reading it again.
DataFileStamp dataFileStampOf(std::string_view bytes);

// Whether now holds what before held: the same size and bytes. A newer modification time alone
// (a program that wrote the very same bytes) changes nothing the user would lose.
bool sameFile(const DataFileStamp& before, const DataFileStamp& now);

} // namespace folio
