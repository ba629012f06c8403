// Earlier versions of the data files: each kept in its own folder under spartiti/backup right
// before a rewrite replaces the file, with a small record beside it; listed, pruned and restored.
#pragma once

#include "platform/file_ops.h"
#include "platform/installation.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
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

// Asks a rewrite to keep the file as it was first, and says how that went.
struct KeepVersion {
    // What makes the version: "save", "playlist", "midi", "absorption" or "restore".
    std::string what;
    // The entries, playlists or MIDI records of the file as it is, when the caller knows them
    // already; otherwise they are counted from the file.
    std::optional<std::size_t> count;
    // The time in the folder's name; now when empty.
    std::string stamp;

    // Where the version went; empty when none was kept.
    std::filesystem::path folder;
    // Why no version could be kept; empty when one was, or when there was no file to keep.
    std::string notKept;
};

// Keeps the data file as it is now: a hard link in a new backup folder (a copy where the file
// system has none) and the record beside it. Nothing happens when there is no file yet.
void keepVersion(const Installation& installation, DataFile file, KeepVersion& keep);

// Rewrites the data file atomically with pieces. With keep, the file as it was is kept right
// before the new one is renamed over it; a version that cannot be kept never stops the rewrite,
// and a rename that fails takes its version away again (on Windows, a file held open by another
// program cannot be unlinked either: its version then stays, a true copy of the file as it is).
// After a rewrite that kept a version, old versions are pruned.
FileResult rewriteKeepingVersion(const Installation& installation, DataFile file,
                                 const std::vector<std::string_view>& pieces, KeepVersion* keep);

// The record file each version folder holds.
inline constexpr std::string_view kVersionRecordName = "version.txt";

// One version as listed.
struct Version {
    std::filesystem::path folder;
    // "YYYY-MM-DD HH:MM:SS".
    std::string when;
    // 1, or the N of a folder name ending in " N".
    int sequence = 1;
    // When it was made, finer than the folder's name tells (0 when unknown): it orders versions
    // made within one second.
    std::uint64_t madeAt = 0;
    std::string what;
    DataFile file = DataFile::Archive;
    // Entries, playlists or MIDI records; nothing when the record is damaged or missing.
    std::optional<std::size_t> count;
    // The folder holds a record this program wrote: only such folders are ever pruned.
    bool recorded = false;

    std::filesystem::path dataPath() const { return folder / std::string(dataFileName(file)); }
};

// The versions whose data file is there, newest first. Only the small record files are read.
std::vector<Version> listVersions(const Installation& installation);

// "120 entries", "3 playlists", "1 MIDI record", or "unknown".
std::string versionSummary(const Version& version);

// How an archive version differs from the archive now: "3 entries fewer, 2 titles differ",
// or "the same titles as now".
std::string archiveDifference(std::string_view versionBytes, std::string_view currentBytes);

// What is kept when versions are pruned.
struct Retention {
    std::size_t newestPerFile = 20;
    std::size_t newestAbsorptions = 5;
    std::uint64_t totalBytes = std::uint64_t{500} << 20;
    // Never removed, whatever the size.
    std::size_t protectedPerFile = 3;
};

// Removes the versions beyond what retention keeps, oldest first; only folders this program
// made and recorded. Gives the folders removed.
std::vector<std::filesystem::path> pruneVersions(const Installation& installation,
                                                 const Retention& retention = {});

// Puts version back in place of its data file, atomically, keeping the current file as a
// "restore" version first. A version that cannot be read changes nothing.
FileResult restoreVersion(const Installation& installation, const Version& version,
                          KeepVersion& keep);

// The number of records a data file's bytes hold, by the file's own reading.
std::size_t countRecords(DataFile file, std::string_view bytes);

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
