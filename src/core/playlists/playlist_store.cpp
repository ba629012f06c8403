// Reading and writing playlist.js through the shared field reader and line writer.
#include "core/playlists/playlist_store.h"

#include "core/archive/score_archive.h"
#include "core/files/read_limits.h"
#include "core/format/field_reader.h"
#include "core/format/line_writer.h"

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
    return entryNumberOfField(withoutBlanks(part));
}

// A browser takes any line that starts with "]" as the end of the array.
bool isClosingLine(std::string_view line) {
    line = withoutBlanks(line);
    return !line.empty() && line.front() == ']';
}

// The playlist of a line that holds two quoted values and nothing after them but the comma
// that the reader takes and blanks.
std::optional<Playlist> playlistOfLine(std::string_view line) {
    FieldReader reader(line);
    std::string_view name;
    std::string_view tracks;
    if (!reader.atQuotedField() || !reader.next(name) || !reader.atQuotedField() ||
        !reader.next(tracks))
        return std::nullopt;
    if (!withoutBlanks(line.substr(reader.position())).empty())
        return std::nullopt;
    return Playlist{std::string(name), std::string(tracks)};
}

// Where the playlist of place stands in playlists now: at its position if it is still there
// unchanged, else at the first unchanged copy of it; nothing if it has changed or gone.
std::optional<std::size_t> placeNow(const std::vector<Playlist>& playlists,
                                    const PlaylistPlace& place) {
    if (place.index < playlists.size() && playlists[place.index] == place.asRead)
        return place.index;
    const auto found = std::find(playlists.begin(), playlists.end(), place.asRead);
    if (found == playlists.end())
        return std::nullopt;
    return static_cast<std::size_t>(found - playlists.begin());
}

} // namespace

std::size_t playlistsIn(std::string_view bytes) {
    return readPlaylistFile(bytes).playlists.size();
}

PlaylistFile readPlaylistFile(std::string_view bytes) {
    PlaylistFile file;
    std::size_t position = 0;
    nextLine(bytes, position); // "var playlist = ["
    while (position < bytes.size()) {
        const std::string_view line = nextLine(bytes, position);
        if (isClosingLine(line))
            break;
        if (std::optional<Playlist> playlist = playlistOfLine(line))
            file.playlists.push_back(std::move(*playlist));
        else
            ++file.unreadLines;
    }
    return file;
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

namespace {

// Calls part(text, number) for every part of a track string before its last comma, with the
// entry number the part names (0 for none).
template <typename Part> void forEachTrackPart(std::string_view tracks, Part part) {
    std::size_t start = 0;
    for (std::size_t comma = tracks.find(','); comma != std::string_view::npos;
         comma = tracks.find(',', start)) {
        const std::string_view text = tracks.substr(start, comma - start);
        part(text, entryNumberOf(text));
        start = comma + 1;
    }
}

} // namespace

std::string renumberedTracks(std::string_view tracks, const EntryRenumbering& renumber) {
    std::string renumbered;
    renumbered.reserve(tracks.size());
    bool changed = false;
    forEachTrackPart(tracks, [&](std::string_view text, int number) {
        const std::optional<int> now = number != 0 ? renumber(number) : number;
        if (!now) {
            changed = true;
            return;
        }
        if (*now != number) {
            changed = true;
            renumbered += std::to_string(*now);
        } else {
            renumbered += text;
        }
        renumbered += ',';
    });
    if (!changed)
        return std::string(tracks);
    const std::size_t lastComma = tracks.rfind(',');
    renumbered += tracks.substr(lastComma + 1);
    return renumbered;
}

std::vector<int> tracksGone(std::string_view tracks, const EntryRenumbering& renumber) {
    std::vector<int> places;
    int place = 0;
    forEachTrackPart(tracks, [&](std::string_view, int number) {
        if (number == 0)
            return;
        ++place;
        if (!renumber(number))
            places.push_back(place);
    });
    return places;
}

bool isSavablePlaylistName(std::string_view name) {
    // A playlist named like the closing line would end the file for the stand's older readers.
    return !name.empty() && name != kClosingField;
}

PlaylistStore::PlaylistStore(const Installation& installation)
    : installation_(installation), path_(installation.resolve(kPlaylistFileName)) {}

FileResult PlaylistStore::create() const {
    return rewriteAtomically(path_, playlistFileBytes({}));
}

PlaylistFileState PlaylistStore::read() {
    file_ = {};
    FileRead file = readWholeFile(path_, kPlaylistFileLimit);
    readError_ = file.error;
    if (file.status == ReadStatus::Missing)
        return PlaylistFileState::Missing;
    if (file.status == ReadStatus::Unreadable)
        return PlaylistFileState::Unreadable;
    file_ = readPlaylistFile(file.bytes);
    return PlaylistFileState::Read;
}

bool PlaylistStore::readCurrent(std::vector<Playlist>& playlists) {
    playlists.clear();
    // A file that vanished since it was last read is read as empty and created anew; anything
    // else that stands at its name and cannot be read is never written over.
    FileRead file = readWholeFile(path_, kPlaylistFileLimit);
    readError_ = file.error;
    if (file.status == ReadStatus::Unreadable)
        return false;
    playlists = readPlaylistFile(file.bytes).playlists;
    return true;
}

PlaylistWriteResult PlaylistStore::writeBack(std::string_view name, std::string_view tracks,
                                             const std::optional<PlaylistPlace>& replacing,
                                             KeepVersion* keep) {
    if (!isSavablePlaylistName(name))
        return {PlaylistWrite::NameRefused, {}, {}};
    std::vector<Playlist> written;
    if (!readCurrent(written))
        return {PlaylistWrite::FileUnreadable, {}, {}};
    Playlist playlist{std::string(name), std::string(tracks)};
    const std::optional<std::size_t> found =
        replacing ? placeNow(written, *replacing) : std::nullopt;
    std::size_t index = written.size();
    if (found) {
        index = *found;
        written[index] = playlist;
    } else {
        if (written.size() >= static_cast<std::size_t>(kMaxPlaylists))
            return {PlaylistWrite::TooMany, {}, {}};
        written.push_back(playlist);
    }
    PlaylistWriteResult result =
        rewrite(written, found ? PlaylistWrite::Replaced : PlaylistWrite::Added, keep);
    // The file carries the values as the line writer maps them.
    result.place = {index, {safeFieldValue(playlist.name), safeFieldValue(playlist.tracks)}};
    return result;
}

PlaylistWriteResult PlaylistStore::deletePlaylist(const PlaylistPlace& place, KeepVersion* keep) {
    std::vector<Playlist> kept;
    if (!readCurrent(kept))
        return {PlaylistWrite::FileUnreadable, {}, {}};
    const std::optional<std::size_t> found = placeNow(kept, place);
    if (!found)
        return {PlaylistWrite::NotFound, {}, {}};
    kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(*found));
    return rewrite(kept, PlaylistWrite::Replaced, keep);
}

PlaylistWriteResult PlaylistStore::renumberTracks(const EntryRenumbering& renumber,
                                                  KeepVersion* keep) {
    std::vector<Playlist> playlists;
    if (!readCurrent(playlists))
        return {PlaylistWrite::FileUnreadable, {}, {}};
    bool changed = false;
    for (Playlist& playlist : playlists) {
        std::string tracks = renumberedTracks(playlist.tracks, renumber);
        changed = changed || tracks != playlist.tracks;
        playlist.tracks = std::move(tracks);
    }
    if (!changed)
        return {PlaylistWrite::NotFound, {}, {}};
    return rewrite(playlists, PlaylistWrite::Replaced, keep);
}

PlaylistWriteResult PlaylistStore::rewrite(const std::vector<Playlist>& playlists,
                                           PlaylistWrite outcome, KeepVersion* keep) {
    const std::string bytes = playlistFileBytes(playlists);
    if (keep && !keep->countRecords)
        keep->countRecords = playlistsIn;
    FileResult result = rewriteKeepingVersion(installation_, DataFile::Playlists, {bytes}, keep);
    if (!result.ok)
        return {PlaylistWrite::WriteFailed, std::move(result.error), {}};
    read();
    return {outcome, {}, {}};
}

} // namespace folio
