// The version folders and their records: names, stamps, records, and the removal of what a
// version made.
#include "core/versions/version_folder.h"

#include "core/files/read_limits.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <system_error>

namespace folio {
namespace version_folder {

std::string utf8(const fs::path& path) {
    return utf8Path(path);
}

std::uint64_t readLimit(DataFile file) {
    switch (file) {
    case DataFile::Archive:
        return kArchiveFileLimit;
    case DataFile::Playlists:
        return kPlaylistFileLimit;
    case DataFile::Midi:
        return kMidiFileLimit;
    }
    return kArchiveFileLimit;
}

std::optional<DataFile> dataFileNamed(std::string_view name) {
    for (DataFile file : kDataFiles) {
        if (dataFileName(file) == name)
            return file;
    }
    return std::nullopt;
}

bool isDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<FolderName> parseFolderName(const std::string& name) {
    constexpr std::size_t kStamp = 19;
    if (name.size() < kStamp + 2 || name[kStamp] != ' ')
        return std::nullopt;
    const std::string_view stamp(name.data(), kStamp);
    for (std::size_t i = 0; i < kStamp; ++i) {
        const bool separator = i == 4 || i == 7 || i == 10 || i == 13 || i == 16;
        const char expected = i == 10 ? ' ' : '-';
        if (separator ? stamp[i] != expected : !isDigits(stamp.substr(i, 1)))
            return std::nullopt;
    }
    std::string_view rest = std::string_view(name).substr(kStamp + 1);
    FolderName parsed{std::string(stamp), {}, 1};
    if (const std::size_t space = rest.find(' '); space != std::string_view::npos) {
        const std::string_view number = rest.substr(space + 1);
        if (!isDigits(number) || number.size() > 4)
            return std::nullopt;
        parsed.sequence = std::stoi(std::string(number));
        rest = rest.substr(0, space);
    }
    if (std::find(kMakers.begin(), kMakers.end(), rest) == kMakers.end())
        return std::nullopt;
    parsed.what = std::string(rest);
    return parsed;
}

std::string shownTime(std::string stamp) {
    stamp[13] = ':';
    stamp[16] = ':';
    return stamp;
}

std::string plural(std::size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

// The version folder's record, or nothing when it is missing, damaged or not ours.
std::optional<VersionRecord> recordIn(const fs::path& folder) {
    const FileRead read = readWholeFile(folder / std::string(kVersionRecordName), kRecordLimit);
    if (!read.ok())
        return std::nullopt;
    return readVersionRecord(read.bytes);
}

std::optional<std::size_t> countOf(const VersionRecord& record) {
    const std::optional<std::string> count = record.value("count");
    if (!count || !isDigits(*count) || count->size() > 12)
        return std::nullopt;
    return static_cast<std::size_t>(std::stoull(*count));
}

// Removes what the program made for a version, the kept file and its record, and the folder
// only when nothing else is left in it. Gives whether the version is gone. A kept file that
// cannot go (on Windows, one held open) keeps its record with it.
bool removeVersion(const fs::path& folder, const fs::path& kept) {
    std::error_code ec;
    fs::remove(kept, ec);
    if (fs::symlink_status(kept, ec).type() != fs::file_type::not_found)
        return false;
    fs::remove(folder / std::string(kVersionRecordName), ec);
    fs::remove(folder, ec); // fails, as it should, while anything else is left in it
    return true;
}

std::uint64_t microsecondsNow() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::system_clock::now().time_since_epoch())
                                          .count());
}

// A record line naming a page or recording ("copied", "moved") names one in the form the
// program writes, possibly followed by what it was: anything else damages the record.
bool namesEntryFile(std::string_view value) {
    return entryFileNamed(value.substr(0, value.find(' '))).has_value();
}

bool damagedRecord(const VersionRecord& record) {
    return std::any_of(record.lines.begin(), record.lines.end(), [](const auto& line) {
        return (line.first == "copied" || line.first == "moved") && !namesEntryFile(line.second);
    });
}

// A new version's record, left to the system to write to disk like the version's link: a
// record lost to a crash only makes its version listed with unknown figures.
FileResult writeRecord(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out)
        return FileResult::failure("The record " + quotedPath(path) + " could not be written.");
    return FileResult::success();
}

// The kept file: a hard link costs nothing; a copy where the file system has none.
FileResult linkOrCopy(const fs::path& current, const fs::path& kept) {
    std::error_code ec;
    fs::create_hard_link(current, kept, ec);
    if (!ec)
        return FileResult::success();
    return copyReplacing(current, kept, CopySync::Later);
}

} // namespace version_folder

using namespace version_folder;

std::string_view dataFileName(DataFile file) {
    switch (file) {
    case DataFile::Archive:
        return "archivio.js";
    case DataFile::Playlists:
        return "playlist.js";
    case DataFile::Midi:
        return "midi.js";
    }
    return "archivio.js";
}

fs::path dataFilePath(const Installation& installation, DataFile file) {
    return installation.resolve("spartiti\\" + std::string(dataFileName(file)));
}

fs::path backupRoot(const Installation& installation) {
    return installation.resolve("spartiti\\backup");
}

std::string backupStamp(const std::tm& local) {
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d-%02d-%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return text;
}

std::tm localTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    return local;
}

std::optional<fs::path> makeBackupFolder(const Installation& installation, const std::string& stamp,
                                         std::string_view what, std::string& error) {
    const fs::path backups = backupRoot(installation);
    std::error_code ec;
    fs::create_directories(backups, ec);
    if (ec || !fs::is_directory(backups)) {
        error = "the folder " + quotedPath(backups) + " cannot be made: " +
                (ec ? ec.message() : std::string("a file of that name is in the way"));
        return std::nullopt;
    }
    const std::string base = stamp + " " + std::string(what);
    for (int k = 1; k < 1000; ++k) {
        const fs::path folder = backups / (k == 1 ? base : base + " " + std::to_string(k));
        if (fs::create_directory(folder, ec))
            return folder;
        if (ec) {
            error = "the folder " + quotedPath(folder) + " cannot be made: " + ec.message();
            return std::nullopt;
        }
    }
    error = "every folder name for " + quotedPath(backups / base) + " is taken";
    return std::nullopt;
}

std::optional<std::string> VersionRecord::value(std::string_view key) const {
    for (const auto& [k, v] : lines) {
        if (k == key)
            return v;
    }
    return std::nullopt;
}

std::string VersionRecord::text() const {
    std::string text = std::string(kRecordMark) + "\r\n";
    for (const auto& [key, value] : lines)
        text += key + ": " + value + "\r\n";
    return text;
}

std::optional<VersionRecord> readVersionRecord(std::string_view bytes) {
    VersionRecord record;
    bool first = true;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (first) {
            if (line != kRecordMark)
                return std::nullopt;
            first = false;
            continue;
        }
        const std::size_t colon = line.find(": ");
        if (colon == std::string_view::npos)
            return std::nullopt;
        record.lines.emplace_back(std::string(line.substr(0, colon)),
                                  std::string(line.substr(colon + 2)));
    }
    if (first)
        return std::nullopt;
    return record;
}

std::string installationName(const Installation& installation, const fs::path& path) {
    const std::u8string text = path.lexically_relative(installation.root()).generic_u8string();
    std::string name(text.begin(), text.end());
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

std::string fingerprint(std::string_view bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char text[40];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return std::to_string(bytes.size()) + " " + text;
}

} // namespace folio
