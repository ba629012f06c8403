// Earlier versions of the data files: each kept in its own folder under spartiti/backup right
// before a rewrite replaces the file, with a small record beside it; listed, pruned and restored.
#pragma once

#include "core/files/file_ops.h"
#include "core/files/installation.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace folio {

// The data files that versions are kept of.
enum class DataFile { Archive, Playlists, Midi };

// "archivio.js", "playlist.js" or "midi.js".
std::string_view dataFileName(DataFile file);
std::filesystem::path dataFilePath(const Installation& installation, DataFile file);

// spartiti/backup: the folder of the versions and of the files an absorption moved aside.
std::filesystem::path backupRoot(const Installation& installation);

// "YYYY-MM-DD HH-MM-SS": the start of a backup folder's name, from a local time.
std::string backupStamp(const std::tm& local);
// The local time now.
std::tm localTimeNow();

// Creates spartiti/backup/"<stamp> <what>", or with " 2", " 3", ... added when that name is
// taken, so that two backups within one second never share a folder. Nothing on failure, with
// the reason in error.
std::optional<std::filesystem::path> makeBackupFolder(const Installation& installation,
                                                      const std::string& stamp,
                                                      std::string_view what, std::string& error);

// Counts the records (entries, playlists, MIDI set-ups) that a data file's bytes hold.
using RecordCounter = std::function<std::size_t(std::string_view bytes)>;

// Asks a rewrite to keep the file as it was first, and says how that went.
struct KeepVersion {
    // What makes the version: "save", "playlist", "midi", "absorption" or "restore" for a data
    // file; "page", "recording" or "restore" for an entry's file (empty: "page" or "recording").
    std::string what;
    // The entries, playlists or MIDI records of the file as it is, when the caller knows them
    // already; otherwise they are counted from the file with countRecords, which the store that
    // writes the file gives. Without either, the record says "unknown".
    std::optional<std::size_t> count;
    RecordCounter countRecords;
    // The time in the folder's name; now when empty.
    std::string stamp;
    // When the version is made, in microseconds of the system's clock; 0: now.
    std::uint64_t made = 0;
    // A backup folder the same work made already, with this stamp and what, to keep the file in
    // beside what that work set aside there; empty: a new folder.
    std::filesystem::path into;

    // What the rewrite answers. Where the version went; empty when none was kept.
    std::filesystem::path folder;
    // Why no version could be kept; empty when one was, or when there was no file to keep.
    std::string notKept;
};

// Keeps the data file as it is now: a hard link in a new backup folder (a copy where the file
// system has none) and the record beside it. Nothing happens when there is no file yet.
void keepVersion(const Installation& installation, DataFile file, KeepVersion& keep);

// Keeps an entry's page or recording as it is now, the same way, in "<stamp> page" or
// "<stamp> recording". Nothing happens when there is no such file.
void keepVersion(const Installation& installation, const EntryFile& file, KeepVersion& keep);

// Rewrites the data file atomically with pieces. With keep, the file as it was is kept right
// before the new one is renamed over it; a version that cannot be kept never stops the rewrite,
// and a rename that fails takes its version away again (on Windows, a file held open by another
// program cannot be unlinked either: its version then stays, a true copy of the file as it is).
// After a rewrite that kept a version, old versions are pruned, never the one just kept.
FileResult rewriteKeepingVersion(const Installation& installation, DataFile file,
                                 const std::vector<std::string_view>& pieces, KeepVersion* keep);

// Puts source (a file, or bytes) in place of an entry's page or recording, keeping the file it
// replaces as a version first. A file that cannot be kept is not replaced: the result says why.
// A file that already holds exactly the new bytes needs no version. keep.folder says where the
// version went, empty when none was needed.
FileResult replaceKeepingVersion(const Installation& installation, const EntryFile& file,
                                 const std::filesystem::path& source, KeepVersion& keep);
FileResult replaceKeepingVersion(const Installation& installation, const EntryFile& file,
                                 std::string_view bytes, KeepVersion& keep);

// The record file each version folder holds.
inline constexpr std::string_view kVersionRecordName = "version.txt";

// One version as listed.
struct Version {
    std::filesystem::path folder;
    // "YYYY-MM-DD HH:MM:SS".
    std::string when;
    // 1, or the N of a folder name ending in " N".
    int sequence = 1;
    // When it was made, in microseconds of the system's clock (0 when unknown). Versions are
    // ordered by it, not by the folder's name: a clock or time zone set back makes a newer
    // folder's name look older.
    std::uint64_t madeAt = 0;
    std::string what;
    DataFile file = DataFile::Archive;
    // The page or recording this version keeps; nothing for a data file.
    std::optional<EntryFile> entryFile;
    // Entries, playlists or MIDI records; nothing when the record is damaged or missing.
    std::optional<std::size_t> count;
    // The folder holds a record this program wrote: only such folders are ever pruned.
    bool recorded = false;

    // The record names files in forms the program never writes: an undo is not offered.
    bool damaged = false;
    // An absorption that was taken back since.
    bool undone = false;

    // The file kept: the data file's copy, or the page's or recording's.
    std::filesystem::path dataPath() const;
    // The name of what is kept: "archivio.js", or "spartiti\12L.jpg" for an entry's file.
    std::string keptName() const;
};

// The versions whose kept file is there, as a regular file, newest first. Only the small record
// files are read.
std::vector<Version> listVersions(const Installation& installation);

// The files an absorption set aside (those that lay under its new scores' names) and the pages
// an undo parked, still in the absorption's folder: never pruned, never counted in the size.
struct SetAside {
    std::filesystem::path folder;
    // "YYYY-MM-DD HH:MM", from the folder's name.
    std::string when;
    std::size_t files = 0;
};
std::vector<SetAside> listSetAside(const Installation& installation);

// "120 entries", "3 playlists", "1 MIDI record", or "unknown".
std::string versionSummary(const Version& version);

// What is kept when versions are pruned.
struct Retention {
    std::size_t newestPerFile = 20;
    std::size_t newestAbsorptions = 5;
    std::uint64_t totalBytes = std::uint64_t{500} << 20;
    // Never removed, whatever the size.
    std::size_t protectedPerFile = 3;
};

// Removes the versions beyond what retention keeps, oldest first: only versions this program
// made and recorded, and of each only what it made for the version (the kept file and its
// record); files set aside there stay, and a folder goes only when nothing else is left in it.
// justKept is never removed. Gives the folders whose versions were removed.
std::vector<std::filesystem::path> pruneVersions(const Installation& installation,
                                                 const Retention& retention = {},
                                                 const std::filesystem::path& justKept = {});

// Puts version back in place of its data file or entry file, atomically, keeping the current
// file as a "restore" version first. A version that cannot be read, or is not a regular file,
// changes nothing.
FileResult restoreVersion(const Installation& installation, const Version& version,
                          KeepVersion& keep);

// A record file: "key: value" lines after the first line that marks it as this program's.
struct VersionRecord {
    std::vector<std::pair<std::string, std::string>> lines;

    // The first value of key, if any.
    std::optional<std::string> value(std::string_view key) const;
    std::string text() const;
};
// Nothing when the bytes are not a record this program wrote.
std::optional<VersionRecord> readVersionRecord(std::string_view bytes);

// A path below the installation written the stand's way ("spartiti\12L.jpg"), UTF-8.
std::string installationName(const Installation& installation, const std::filesystem::path& path);

// Size and FNV-1a hash of bytes, written as "<size> <hash>": enough to tell whether a file is
// still exactly what was written.
std::string fingerprint(std::string_view bytes);

} // namespace folio
