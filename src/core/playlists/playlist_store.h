// The playlist file playlist.js: each playlist a name and a track string ("12,5,7,#"), read
// into a table and written back whole with one playlist replaced, added or deleted.
#pragma once

#include "core/archive/renumbering.h"
#include "core/files/file_ops.h"
#include "core/files/installation.h"
#include "core/versions/versions.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace folio {

inline constexpr std::string_view kPlaylistFileName = "spartiti\\playlist.js";

// One record of the file.
struct Playlist {
    std::string name;
    std::string tracks;

    bool operator==(const Playlist&) const = default;
};

// How the file was found by the last read: missing (an empty table), read, or there but not
// readable (an empty table that must never be written over the file).
enum class PlaylistFileState { Missing, Read, Unreadable };

// What a write back did.
enum class PlaylistWrite {
    Replaced,       // the chosen playlist now holds the new name and tracks
    Added,          // the playlist was written after the others
    TooMany,        // adding it would pass kMaxPlaylists; nothing written
    NameRefused,    // a name the file cannot hold as a playlist; nothing written
    NotFound,       // (delete) no playlist of the name; nothing written
    FileUnreadable, // the file is there but cannot be read; nothing written
    WriteFailed,    // the file stays as it was; see the error
};

// One playlist of the file by its position (from 0), with the playlist as it stood there when
// it was read or written, so that a save can tell whether it is still the same playlist.
struct PlaylistPlace {
    std::size_t index = 0;
    Playlist asRead;
};

// The outcome of a write back or a delete, with the reason of a failure.
struct [[nodiscard]] PlaylistWriteResult {
    PlaylistWrite outcome = PlaylistWrite::Added;
    std::string error;
    // After a write back: where the playlist now stands, as the file holds it.
    PlaylistPlace place;

    bool written() const {
        return outcome == PlaylistWrite::Replaced || outcome == PlaylistWrite::Added;
    }
};

// What a file's bytes hold: its playlists in file order, and how many lines are neither the
// first line, a playlist nor the closing line (blank or damaged lines, dropped by a rewrite).
struct PlaylistFile {
    std::vector<Playlist> playlists;
    int unreadLines = 0;
};

// The playlists of a file's bytes, read line by line after the first line: a line that holds
// two quoted values is a playlist, a line that starts with "]" ends the list, any other line
// is counted as unread. A file that ends without its closing line keeps every playlist.
PlaylistFile readPlaylistFile(std::string_view bytes);
// The playlists that the bytes of a playlist file hold.
std::size_t playlistsIn(std::string_view bytes);

// The bytes of playlist.js holding playlists in order.
std::string playlistFileBytes(const std::vector<Playlist>& playlists);

// The track string of entry numbers in play order: 12, 5, 7 give "12,5,7,#".
std::string buildTrackString(const std::vector<int>& numbers);

// The entry numbers a track string holds. The part after the last comma (normally "#") is no
// track; blanks around a number are allowed, parts that are not an entry number 1 to 9999
// are skipped.
std::vector<int> splitTrackString(std::string_view tracks);

// The track string with its tracks renumbered: a track whose score is gone is taken out with its
// comma, a moved one gets its new number; every other part, and the part after the last comma,
// stands as it was. A string with nothing to change comes back byte for byte.
std::string renumberedTracks(std::string_view tracks, const EntryRenumbering& renumber);

// The places (from 1, as the window counts tracks) of the tracks whose score renumber takes away.
std::vector<int> tracksGone(std::string_view tracks, const EntryRenumbering& renumber);

// True if name can be saved as a playlist: not empty and not the file's closing line.
bool isSavablePlaylistName(std::string_view name);

class PlaylistStore {
public:
    // The file holds at most this many playlists that the program adds; a file with more is
    // read and written back whole.
    static constexpr int kMaxPlaylists = 999;
    // Tracks a playlist can be given in the window.
    static constexpr int kMaxTracks = 1000;

    explicit PlaylistStore(const Installation& installation);

    const std::filesystem::path& path() const { return path_; }

    // Writes the empty file (the first and the last line); the table is not touched.
    FileResult create() const;
    // Fills the table from the file; a missing or unreadable file gives an empty table. Only
    // a name at which nothing stands is Missing: a dangling link or a folder is Unreadable.
    PlaylistFileState read();
    // Why the file could not be read, after a read or a write that found it unreadable.
    const std::string& readError() const { return readError_; }

    // Playlists of the table, in file order.
    const std::vector<Playlist>& playlists() const { return file_.playlists; }
    int playlistCount() const { return static_cast<int>(file_.playlists.size()); }
    // Lines of the file as read last that hold no playlist and that a rewrite drops.
    int unreadLineCount() const { return file_.unreadLines; }
    // Records the last read began, the closing line included.
    int recordCount() const { return playlistCount() + 1; }

    // Reads the file afresh, then puts name with tracks in place of the playlist at replacing,
    // if that playlist is still in the file as it was (at its position, or else where it now
    // stands); a playlist that has changed or gone is never written over. Without a place to
    // replace, the playlist is added after the others. The file is rewritten atomically, with
    // keep first keeping the file as it was. After a write the table is read again from the
    // file just written; when nothing was written the table stays as it was.
    PlaylistWriteResult writeBack(std::string_view name, std::string_view tracks,
                                  const std::optional<PlaylistPlace>& replacing = std::nullopt,
                                  KeepVersion* keep = nullptr);

    // Reads the file afresh and rewrites it without the playlist at place, if it is still in the
    // file as it was (NotFound otherwise); another playlist of the same name stays. The table as
    // after writeBack.
    PlaylistWriteResult deletePlaylist(const PlaylistPlace& place, KeepVersion* keep = nullptr);

    // Reads the file afresh and rewrites it with every playlist's tracks renumbered, keeping
    // the file as it was first. Nothing is written when no track changes (outcome NotFound).
    PlaylistWriteResult renumberTracks(const EntryRenumbering& renumber,
                                       KeepVersion* keep = nullptr);

private:
    // The playlists of the file now (none if it vanished); false if it cannot be read.
    bool readCurrent(std::vector<Playlist>& playlists);
    PlaylistWriteResult rewrite(const std::vector<Playlist>& playlists, PlaylistWrite outcome,
                                KeepVersion* keep);

    Installation installation_;
    std::filesystem::path path_;
    PlaylistFile file_;
    std::string readError_;
};

} // namespace folio
