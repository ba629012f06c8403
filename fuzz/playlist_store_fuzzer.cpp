// Fuzzes the playlist reader: any bytes read without harm, the playlists write back as a
// well-formed playlist.js, read, write, read, write gives the same file twice, and track
// strings split into entry numbers only.
#include "core/format/line_writer.h"
#include "core/playlists/playlist_store.h"
#include "data_file_check.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using folio::Playlist;
using folio::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const std::vector<Playlist> read = folio::readPlaylistFile(bytes).playlists;
    require(read.size() <= size, "a playlist takes at least one byte of the file");

    const std::string first = folio::playlistFileBytes(read);
    const std::vector<std::string_view> values =
        folio::fuzz::requireWellFormed(first, "var playlist = [", read.size(), 2);
    for (std::size_t i = 0; i < read.size(); ++i) {
        require(values[2 * i] == folio::safeFieldValue(read[i].name),
                "a playlist's line carries its name");
        require(values[2 * i + 1] == folio::safeFieldValue(read[i].tracks),
                "a playlist's line carries its track string");
    }

    const folio::PlaylistFile reread = folio::readPlaylistFile(first);
    require(reread.unreadLines == 0, "a written file has no line that cannot be read");
    const std::vector<Playlist>& again = reread.playlists;
    require(again.size() == read.size(), "a written file reads back with every playlist");
    for (std::size_t i = 0; i < read.size(); ++i)
        require(again[i].name == folio::safeFieldValue(read[i].name) &&
                    again[i].tracks == folio::safeFieldValue(read[i].tracks),
                "every playlist reads back as it was written");
    require(folio::playlistFileBytes(again) == first,
            "read, write, read, write gives the same file twice");

    for (const Playlist& playlist : read) {
        const std::vector<int> numbers = folio::splitTrackString(playlist.tracks);
        for (int number : numbers)
            require(number >= 1 && number <= 9999, "a track is an entry number 1 to 9999");
        require(folio::splitTrackString(folio::buildTrackString(numbers)) == numbers,
                "a built track string splits into its numbers");
    }
    return 0;
}
