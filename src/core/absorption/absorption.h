// Absorbing scores of another stand's archive: reading its archivio.js, appending the marked
// entries to this archive under new numbers, writing the archive and copying their pages.
#pragma once

#include "core/archive/score_archive.h"
#include "core/files/file_ops.h"
#include "core/files/installation.h"
#include "core/versions/versions.h"

#include <cstddef>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace folio {

// The other installation's archive, entries in file order (source entry i at index i - 1).
struct SourceArchive {
    // At most 10000 entries are held, as many as the absorption window can list.
    static constexpr std::size_t kCapacity = 10000;

    std::vector<ScoreEntry> entries;
    // The whole entries the file holds, also those beyond kCapacity.
    std::size_t entriesInFile = 0;
    // Why the file could not be read, when it could not.
    std::string loadError;

    bool truncated() const { return entriesInFile > entries.size(); }
};

// Whole source entries that a field count holds: (fields - 2) / 10 without rounding.
std::size_t sourceEntryCount(std::size_t fields);

// Reads the entries of an archive file's bytes: only whole entries, at most kCapacity.
SourceArchive readSourceArchive(std::string_view bytes);

// How loading the other installation's archive went.
enum class SourceLoad { Loaded, Missing, Unreadable, Empty };

// Loads folder/spartiti/archivio.js into source (emptied first).
SourceLoad loadSourceArchive(const std::filesystem::path& folder, SourceArchive& source);

// The archive file of the installation in folder.
std::filesystem::path sourceArchivePath(const std::filesystem::path& folder);

// The left page of source entry number in the installation in folder ("spartiti/<n>L.jpg").
std::filesystem::path sourceLeftPagePath(const std::filesystem::path& folder, int number);

// The entry number whose pages a source entry's number field names, or 0 when it names none:
// only plain decimal digits giving 1 to 9999 name a page file.
int sourcePageNumber(std::string_view number);

// What lies under a source page's name. Only a regular file that is not a link is read: a link
// may lead anywhere outside the other installation, and a pipe or device would block.
enum class SourcePage { File, Missing, Link, NotAFile };
SourcePage examineSourcePage(const std::filesystem::path& page);

// The left page that previewing a source entry shows, the very page an absorption copies for
// it: found by its number field, and only when it is a regular file that is not a link.
std::optional<std::filesystem::path> previewPage(const std::filesystem::path& folder,
                                                 const ScoreEntry& entry);

// The marked entries in list order: rows are 0-based list rows, in any order and possibly
// repeated; rows outside the source are ignored.
std::vector<ScoreEntry> collectMarked(const SourceArchive& source, std::vector<int> rows);

// How many more entries this archive can take.
int roomLeft(const ScoreArchive& archive);

// One page image to copy.
struct PageCopy {
    std::filesystem::path source;
    std::filesystem::path target;
};

// A page that was not copied, and why.
struct UncopiedPage {
    std::string page;
    std::string reason;
};

// What an absorption did.
struct [[nodiscard]] Absorption {
    enum class Outcome { Appended, NoRoom, WriteFailed };

    Outcome outcome = Outcome::Appended;
    // For WriteFailed: why the archive could not be written.
    std::string error;
    // Entries this archive could still take (set for NoRoom).
    int room = 0;
    // The numbers the absorbed entries received: first to first + count - 1.
    int firstNumber = 0;
    int count = 0;
    // The pages to copy, in entry order, left before right.
    std::vector<PageCopy> copies;
    // Pages that cannot even be named: the source entry's number names no entry.
    std::vector<UncopiedPage> unnamed;
    // Names here of new entries that nothing is copied to: every new entry's recording, and
    // both pages of an entry whose pages cannot be named. A file already lying there belongs
    // to no absorbed score.
    std::vector<std::filesystem::path> notCopiedTo;
    // The backup folder holding archivio.js as it was before; empty when none could be kept
    // (see versionNotKept) or there was no archive yet. Files moved aside go there too.
    std::filesystem::path backupFolder;
    std::string versionNotKept;
    // New scores imported from files rather than absorbed from another stand: the undo says so.
    bool imported = false;
};

// Appends marked to this archive after its last entry and writes archivio.js atomically.
// Nothing changes when the entries do not fit. When the write fails the file stays as it was
// and the archive in memory is taken back to what it held. On success the result lists the
// page copies still to be made, from the source entries' numbers to the new ones. The archive
// as it was is kept first in spartiti/backup/"<stamp> absorption" (stamp empty: now).
Absorption appendAndWrite(ScoreArchive& archive, const Installation& installation,
                          const std::filesystem::path& sourceFolder,
                          const std::vector<ScoreEntry>& marked, const std::string& stamp = {});

// Copies each page, replacing what is there. A page that cannot be copied (not a regular file,
// a link, unreadable) is skipped and reported; progress(done) follows every copy.
std::vector<UncopiedPage> copyPages(const std::vector<PageCopy>& copies,
                                    const std::function<void(std::size_t done)>& progress = {});

// A file moved out of a new entry's way, from its name here to the backup folder.
struct MovedAside {
    std::filesystem::path from;
    std::filesystem::path to;
};

// How the files of the absorbed entries were put in place.
struct [[nodiscard]] Attachment {
    // Source pages that were not copied, and why.
    std::vector<UncopiedPage> uncopied;
    // Files that lay under a new entry's name and were moved aside; nothing is deleted.
    std::vector<MovedAside> movedAside;
    // Files under a new entry's name that belong to no absorbed score and could not be moved
    // aside, and why: the entry shows them until the musician removes them.
    std::vector<UncopiedPage> notMovedAside;
    // Where the files went: the absorption's backup folder, which holds the archive as it was
    // when one was kept; empty when there is none and nothing was moved.
    std::filesystem::path backupFolder;
    // The pages copied, by their names here.
    std::vector<std::filesystem::path> copied;
};

// Puts the files of the absorbed entries in place: first every file already lying under a new
// entry's name that the source does not provide (a missing, linked or odd page, any recording)
// is moved aside into the absorption's backup folder (spartiti/backup/"<stamp> absorption"),
// then the pages are copied, each after what lay under its name was moved aside, so that
// nothing is lost by the copy. A page whose copy fails has what lies under its name moved aside
// too. progress(done) follows every page copy.
Attachment attachFiles(const Absorption& absorbed, const Installation& installation,
                       const std::string& stamp,
                       const std::function<void(std::size_t done)>& progress = {});

} // namespace folio
