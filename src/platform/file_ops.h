// File operations of the platform: existence tests, whole-file reads, copies and rewrites
// that either succeed completely or leave the target as it was.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace folio {

// Outcome of a write or copy: ok, or a sentence saying what failed.
struct FileResult {
    bool ok = true;
    std::string error;

    static FileResult success() { return {}; }
    static FileResult failure(std::string message) { return {false, std::move(message)}; }
};

// True if path names an existing regular file (a folder of that name is not a file).
bool fileExists(const std::filesystem::path& path);

// The whole content of a regular file, or nothing if it cannot be read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

// Replaces target with bytes: writes a temporary file beside it, syncs it and renames it over
// the target. On failure the target is untouched and no temporary file stays behind.
FileResult rewriteAtomically(const std::filesystem::path& target, std::string_view bytes);

// Copies source over target, replacing an existing file, creating no folder. The copy goes
// through a temporary file beside the target, so a failed copy leaves the target as it was.
// The copy gets the source's permission bits (read, write, execute).
FileResult copyReplacing(const std::filesystem::path& source, const std::filesystem::path& target);

} // namespace folio
