// Reading and writing playlist.js through the shared field reader and line writer.
#include "playlists/playlist_store.h"

#include "archive/field_reader.h"
#include "archive/line_writer.h"
#include "archive/score_archive.h"

#include <algorithm>

namespace folio {
namespace {

constexpr std::string_view kFirstLine = "var playlist = [";
constexpr std::string_view kLastLine = " ];";
// The closing line as the reader gives it (the leading space is skipped).
constexpr std::string_view kClosingField = "];";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view withoutBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The entry number a track string part names, or 0 if it names none.
int entryNumberOf(std::string_view part) {
    part = withoutBlanks(part);
    if (part.empty() || part.size() > 5)
        return 0;
    int number = 0;
    for (char c : part) {
        if (c < '0' || c > '9')
            return 0;
        number = number * 10 + (c - '0');
    }
    return ScoreArchive::isEntryNumber(number) ? number : 0;
}

} // namespace

std::vector<Playlist> readPlaylistFile(std::string_view bytes) {
    std::vector<Playlist> playlists;
    FieldReader reader(bytes);
    reader.skip();
    while (!reader.atEnd()) {
        Playlist record;
        std::string_view name;
        std::string_view tracks;
        reader.next(name);
        if (name == kClosingField)
            break;
        reader.next(tracks);
        reader.skip();
        // A blank line left at the end of a file without its closing line is no playlist.
        if (reader.atEnd() && name.empty() && tracks.empty())
            break;
        playlists.push_back({std::string(name), std::string(tracks)});
    }
    return playlists;
}

std::string playlistFileBytes(const std::vector<Playlist>& playlists) {
    LineWriter writer;
    std::size_t size = kFirstLine.size() + kLastLine.size() + 4;
    for (const Playlist& playlist : playlists)
        size += playlist.name.size() + playlist.tracks.size() + 8;
    writer.reserve(size);
    writer.line(kFirstLine);
    for (const Playlist& playlist : playlists)
        writer.quotedValues({playlist.name, playlist.tracks});
    writer.line(kLastLine);
    return writer.take();
}

std::string buildTrackString(const std::vector<int>& numbers) {
    std::string tracks;
    tracks.reserve(numbers.size() * 5 + 1);
    for (int number : numbers) {
        tracks += std::to_string(number);
        tracks += ',';
    }
    tracks += '#';
    return tracks;
}

std::vector<int> splitTrackString(std::string_view tracks) {
    std::vector<int> numbers;
    std::size_t start = 0;
    for (std::size_t comma = tracks.find(','); comma != std::string_view::npos;
         comma = tracks.find(',', start)) {
        if (int number = entryNumberOf(tracks.substr(start, comma - start)))
            numbers.push_back(number);
        start = comma + 1;
    }
    return numbers;
}

bool isSavablePlaylistName(std::string_view name) {
    // A playlist named like the closing line would end the file for every reader there.
    return !name.empty() && name != kClosingField;
}

PlaylistStore::PlaylistStore(const Installation& installation)
    : path_(installation.resolve(kPlaylistFileName)) {}

bool PlaylistStore::exists() const {
    return fileExists(path_);
}

FileResult PlaylistStore::create() const {
    return rewriteAtomically(path_, playlistFileBytes({}));
}

PlaylistFileState PlaylistStore::read() {
    playlists_.clear();
    if (!fileExists(path_))
        return PlaylistFileState::Missing;
    std::optional<std::string> bytes = readWholeFile(path_);
    if (!bytes)
        return PlaylistFileState::Unreadable;
    playlists_ = readPlaylistFile(*bytes);
    return PlaylistFileState::Read;
}

bool PlaylistStore::readCurrent(std::vector<Playlist>& playlists) const {
    playlists.clear();
    // A file that vanished since it was last read is read as empty and created anew.
    if (!fileExists(path_))
        return true;
    std::optional<std::string> bytes = readWholeFile(path_);
    if (!bytes)
        return false;
    playlists = readPlaylistFile(*bytes);
    return true;
}

PlaylistWriteResult PlaylistStore::writeBack(std::string_view edited, std::string_view chosen,
                                             std::string_view tracks) {
    if (!isSavablePlaylistName(edited))
        return {PlaylistWrite::NameRefused, {}};
    std::vector<Playlist> written;
    if (!readCurrent(written))
        return {PlaylistWrite::FileUnreadable, {}};
    bool found = false;
    if (edited == chosen) {
        for (Playlist& playlist : written) {
            if (playlist.name == edited) {
                playlist.tracks = tracks;
                found = true;
            }
        }
    }
    if (!found) {
        if (written.size() >= static_cast<std::size_t>(kMaxPlaylists))
            return {PlaylistWrite::TooMany, {}};
        written.push_back({std::string(edited), std::string(tracks)});
    }
    return rewrite(written, found ? PlaylistWrite::Replaced : PlaylistWrite::Added);
}

PlaylistWriteResult PlaylistStore::deletePlaylist(std::string_view name) {
    std::vector<Playlist> kept;
    if (!readCurrent(kept))
        return {PlaylistWrite::FileUnreadable, {}};
    const auto removed = std::erase_if(kept, [&](const Playlist& p) { return p.name == name; });
    if (removed == 0)
        return {PlaylistWrite::NotFound, {}};
    return rewrite(kept, PlaylistWrite::Replaced);
}

PlaylistWriteResult PlaylistStore::rewrite(const std::vector<Playlist>& playlists,
                                           PlaylistWrite outcome) {
    FileResult result = rewriteAtomically(path_, playlistFileBytes(playlists));
    if (!result.ok)
        return {PlaylistWrite::WriteFailed, std::move(result.error)};
    read();
    return {outcome, {}};
}

} // namespace folio
