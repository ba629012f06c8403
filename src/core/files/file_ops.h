// File operations of the platform: existence tests, whole-file reads, copies and rewrites
// that either succeed completely or leave the target as it was.
//
// Error text is UTF-8 on every system: paths go in through their UTF-8 names, and the system's
// reasons are strerror's on POSIX and FormatMessageW's (UTF-16, converted) on Windows. The
// windows turn it into a QString with fromCoreText (platform/core_text.h) and nothing else.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace folio {

namespace system_files {
class File;
}

// Outcome of a write or copy: ok, or a sentence saying what failed.
struct [[nodiscard]] FileResult {
    bool ok = true;
    std::string error;

    static FileResult success() { return {}; }
    static FileResult failure(std::string message) { return {false, std::move(message)}; }
};

// A path as the core's sentences and records name it: UTF-8 on every system (on Windows,
// path.string() would give the ANSI code page).
std::string utf8Path(const std::filesystem::path& path);
// The same in quotes.
std::string quotedPath(const std::filesystem::path& path);

// True if path names an existing regular file (a folder of that name is not a file).
bool fileExists(const std::filesystem::path& path);

// True if anything at all stands at path, a link to nothing included.
bool standsAt(const std::filesystem::path& path);
// True if path is a regular file itself, not a link to one.
bool isPlainFile(const std::filesystem::path& path);

// How a whole-file read ended. Missing means nothing at all stands at the path; anything else
// that gives no bytes (a folder, a dangling link, a pipe, a device, a file over the limit, a
// read error) is Unreadable, so that a caller never writes over what it could not read.
enum class ReadStatus { Read, Missing, Unreadable };

struct [[nodiscard]] FileRead {
    ReadStatus status = ReadStatus::Missing;
    std::string bytes; // the whole file, when Read
    std::string error; // a sentence naming the file and the reason, when Unreadable

    bool ok() const { return status == ReadStatus::Read; }
    // The bytes when the file was read, nothing otherwise.
    std::optional<std::string> content() && {
        return ok() ? std::optional<std::string>(std::move(bytes)) : std::nullopt;
    }
};

// Reads the whole of a regular file of at most limit bytes (see read_limits.h). The open never
// blocks (a named pipe has no writer to wait for), and nothing is allocated for a larger file.
FileRead readWholeFile(const std::filesystem::path& path, std::uint64_t limit);

// Replaces target with bytes: writes a temporary file beside it, syncs it and renames it over
// the target. On failure the target is untouched and no temporary file stays behind.
FileResult rewriteAtomically(const std::filesystem::path& target, std::string_view bytes);

// The same with the bytes given as pieces written one after the other, so that a file made
// mostly of bytes already in memory need not be copied into one piece first.
FileResult rewriteAtomically(const std::filesystem::path& target,
                             const std::vector<std::string_view>& pieces);

// The same, with beforeReplace run once the new file is written and synced, right before it
// replaces the target: what must be done with the old file first happens only when the new one
// is sure to be whole.
FileResult rewriteAtomically(const std::filesystem::path& target,
                             const std::vector<std::string_view>& pieces,
                             const std::function<void()>& beforeReplace);

// When a copy reaches the disk: synced before it replaces its target, or left to the system
// for many copies in a row that are followed by one syncFileSystem.
enum class CopySync { Now, Later };

// Copies source over target, replacing an existing file, creating no folder. The copy goes
// through a temporary file beside the target, so a failed copy leaves the target as it was.
// The copy gets the source's permission bits (read, write, execute).
FileResult copyReplacing(const std::filesystem::path& source, const std::filesystem::path& target,
                         CopySync sync = CopySync::Now);

// A regular file open for reading at any offset, as it was when opened: others may read,
// write or replace it meanwhile. The open never blocks.
class OpenedFile {
public:
    explicit OpenedFile(const std::filesystem::path& path);
    ~OpenedFile();
    OpenedFile(const OpenedFile&) = delete;
    OpenedFile& operator=(const OpenedFile&) = delete;

    // False when nothing, or no regular file, could be opened.
    bool isOpen() const { return !identity_.empty(); }
    std::uint64_t size() const { return size_; }
    // What changes whenever the file's bytes are replaced (see fileIdentity).
    const std::string& identity() const { return identity_; }
    // Reads up to count bytes at offset: how many, 0 at the end or on an error.
    std::size_t readAt(std::uint64_t offset, char* into, std::size_t count) const;

private:
    std::unique_ptr<system_files::File> file_;
    std::uint64_t size_ = 0;
    std::string identity_;
};

// Size, times and identity on its disk of the regular file at path, taken without opening it:
// equal identities mean the same bytes. Empty when no regular file is there.
std::string fileIdentity(const std::filesystem::path& path);

// Moves the file from to to, where nothing stands yet: a rename, or where the two lie on
// different file systems (a backup folder that is a link to a USB stick), a copy that is synced
// and compared with the original before the original is removed. On failure from stays as it
// was and nothing is left at to.
FileResult moveFile(const std::filesystem::path& from, const std::filesystem::path& to);

// The move across file systems that moveFile falls back on: copy, sync, compare, remove.
FileResult moveFileAcross(const std::filesystem::path& from, const std::filesystem::path& to);

// True when both are regular files holding the same bytes.
bool sameBytes(const std::filesystem::path& a, const std::filesystem::path& b);

// Writes what is waiting for the file system that holds folder to the disk.
void syncFileSystem(const std::filesystem::path& folder);

// Lets a write past the shell's file size limit (ulimit -f) fail with an error, which the save
// reports, instead of ending the program by SIGXFSZ. Both programs call it first thing.
void ignoreFileSizeSignal();

} // namespace folio
