// What the version files share below their interface (versions.h): the folders' names, the
// records beside the kept files, and the removal of what a version made. Only the version
// files include it.
#pragma once

#include "core/files/read_limits.h"
#include "core/versions/versions.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace folio::version_folder {

namespace fs = std::filesystem;

inline constexpr std::string_view kRecordMark = "Folioscribe version record";
inline constexpr std::uint64_t kRecordLimit = 1 * kMiB;
inline constexpr std::array<std::string_view, 8> kMakers = {
    "save", "playlist", "midi", "absorption", "restore", "page", "recording", "removal"};
inline constexpr std::array<DataFile, 3> kDataFiles = {DataFile::Archive, DataFile::Playlists,
                                                       DataFile::Midi};

// A folder name this program makes: "YYYY-MM-DD HH-MM-SS <what>[ N]".
struct FolderName {
    std::string stamp;
    std::string what;
    int sequence = 1;
};

// A file or folder name in UTF-8, as the record and the windows read it.
std::string utf8(const fs::path& path);

// The read limit of a data file (read_limits.h).
std::uint64_t readLimit(DataFile file);

// The data file of that name ("archivio.js"), if it is one.
std::optional<DataFile> dataFileNamed(std::string_view name);

bool isDigits(std::string_view text);

// The parts of a folder name this program makes; nothing for any other name.
std::optional<FolderName> parseFolderName(const std::string& name);

// "YYYY-MM-DD HH:MM:SS" from a folder name's stamp.
std::string shownTime(std::string stamp);

// "1 entry", "3 entries".
std::string plural(std::size_t count, std::string_view one, std::string_view many);

// The version folder's record, or nothing when it is missing, damaged or not ours.
std::optional<VersionRecord> recordIn(const fs::path& folder);

// The record's count of entries, playlists or MIDI records, if it holds a sound one.
std::optional<std::size_t> countOf(const VersionRecord& record);

// Removes what the program made for a version, the kept file and its record, and the folder
// only when nothing else is left in it. Gives whether the version is gone. A kept file that
// cannot go (on Windows, one held open) keeps its record with it.
bool removeVersion(const fs::path& folder, const fs::path& kept);

// The system clock in microseconds: the time a record keeps as "made".
std::uint64_t microsecondsNow();

// A record line naming a page or recording ("copied", "moved") names one in the form the
// program writes, possibly followed by what it was: anything else damages the record.
bool namesEntryFile(std::string_view value);

// A record with a line that names a page or recording in any other form.
bool damagedRecord(const VersionRecord& record);

// A new version's record, left to the system to write to disk like the version's link: a
// record lost to a crash only makes its version listed with unknown figures.
FileResult writeRecord(const fs::path& path, const std::string& text);

// The kept file: a hard link costs nothing; a copy where the file system has none.
FileResult linkOrCopy(const fs::path& current, const fs::path& kept);

} // namespace folio::version_folder
