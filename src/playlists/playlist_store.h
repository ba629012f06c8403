// The playlist file playlist.js: each playlist a name and a track string ("12,5,7,#"), read
// into a table and written back whole with one playlist replaced, added or deleted.
#pragma once

#include "platform/file_ops.h"
#include "platform/installation.h"

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
    Replaced,       // every playlist of the name now holds the new tracks
    Added,          // the playlist was written last
    TooMany,        // adding it would pass kMaxPlaylists; nothing written
    NameRefused,    // a name the file cannot hold as a playlist; nothing written
    NotFound,       // (delete) no playlist of the name; nothing written
    FileUnreadable, // the file is there but cannot be read; nothing written
    WriteFailed,    // the file stays as it was; see the error
};

// The outcome of a write back or a delete, with the reason of a failure.
struct PlaylistWriteResult {
    PlaylistWrite outcome = PlaylistWrite::Added;
    std::string error;

    bool written() const {
        return outcome == PlaylistWrite::Replaced || outcome == PlaylistWrite::Added;
    }
};

// The playlists of a file's bytes, in file order. Reading stops at the closing line "];"; a
// file that ends without it keeps every playlist it holds.
std::vector<Playlist> readPlaylistFile(std::string_view bytes);

// The bytes of playlist.js holding playlists in order.
std::string playlistFileBytes(const std::vector<Playlist>& playlists);

// The track string of entry numbers in play order: 12, 5, 7 give "12,5,7,#".
std::string buildTrackString(const std::vector<int>& numbers);

// The entry numbers a track string holds. The part after the last comma (normally "#") is no
// track; blanks around a number are allowed, parts that are not an entry number 1 to 9999
// are skipped.
std::vector<int> splitTrackString(std::string_view tracks);

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

    // Whether the file exists.
    bool exists() const;
    // Writes the empty file (the first and the last line); the table is not touched.
    FileResult create() const;
    // Fills the table from the file; a missing or unreadable file gives an empty table.
    PlaylistFileState read();

    // Playlists of the table, in file order.
    const std::vector<Playlist>& playlists() const { return playlists_; }
    int playlistCount() const { return static_cast<int>(playlists_.size()); }
    // Records the last read began, the closing line included.
    int recordCount() const { return playlistCount() + 1; }

    // Reads the file afresh, then, if edited equals chosen, gives every playlist named edited
    // the tracks; otherwise (or when none has that name) adds edited with the tracks at the
    // end. The file is rewritten atomically. After a write the table is read again from the
    // file just written; when nothing was written the table stays as it was.
    PlaylistWriteResult writeBack(std::string_view edited, std::string_view chosen,
                                  std::string_view tracks);

    // Reads the file afresh and rewrites it without the playlists named name; the table as
    // after writeBack.
    PlaylistWriteResult deletePlaylist(std::string_view name);

private:
    // The playlists of the file now (none if it vanished); false if it cannot be read.
    bool readCurrent(std::vector<Playlist>& playlists) const;
    PlaylistWriteResult rewrite(const std::vector<Playlist>& playlists, PlaylistWrite outcome);

    std::filesystem::path path_;
    std::vector<Playlist> playlists_;
};

} // namespace folio
