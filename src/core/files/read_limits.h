// The largest file each reader takes in, all in one place. Each stands well above the largest
// file the program can write of its kind, so that only a damaged or foreign file (a sparse file,
// a disk image under the wrong name) is refused, before any memory is spent on it.
#pragma once

#include <cstdint>

namespace folio {

inline constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

// archivio.js, here or in another installation: 10000 entries of five values, about 2 MB
// with ordinary titles; the limit leaves room for values thousands of characters long.
inline constexpr std::uint64_t kArchiveFileLimit = 256 * kMiB;
// playlist.js: 999 playlists of 1000 tracks of up to five characters each, about 5 MB.
inline constexpr std::uint64_t kPlaylistFileLimit = 64 * kMiB;
// midi.js: 170000 records of 17 values, about 45 MB when every channel is set.
inline constexpr std::uint64_t kMidiFileLimit = 512 * kMiB;
// generi.js: 200 category names.
inline constexpr std::uint64_t kCategoryFileLimit = 16 * kMiB;
// A page image: an A4 scan at 600 dpi is tens of megabytes at the most.
inline constexpr std::uint64_t kPageImageLimit = 256 * kMiB;

} // namespace folio
