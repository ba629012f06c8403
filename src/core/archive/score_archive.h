// The score archive: 10000 entry slots, the entry count, the file archivio.js and the names of
// each entry's own files.
#pragma once

#include "core/files/file_ops.h"
#include "core/files/installation.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>

namespace folio {

// One score: five text fields in file order.
struct ScoreEntry {
    std::string number;
    std::string title;
    std::string author;
    std::string tags;
    std::string category;

    bool operator==(const ScoreEntry&) const = default;
};

// The in-memory archive shared by every window of the main program.
class ScoreArchive {
public:
    static constexpr int kSlotCount = 10000;
    static constexpr int kMaxEntries = kSlotCount - 1;

    ScoreArchive();

    // True for an entry number that has a slot (0 to 9999).
    static bool isSlot(int number) { return number >= 0 && number < kSlotCount; }
    // True for a number that can name an entry and its files (1 to 9999).
    static bool isEntryNumber(int number) { return number >= 1 && number < kSlotCount; }

    // The slot of an entry number; throws std::out_of_range outside 0 to 9999.
    ScoreEntry& slot(int number);
    const ScoreEntry& slot(int number) const;

    int entryCount() const { return entryCount_; }
    // Sets the count; throws std::out_of_range outside 0 to 9999.
    void setEntryCount(int count);

    // Empties every slot and sets the count to 0.
    void clear();
    // Empties every slot after the entry count, as they are at start: what a larger archive
    // left there must never come back as a new entry.
    void clearPastCount();

    // The last of the entries 1 to the count whose title is title, or 0 when none is.
    int lastEntryTitled(std::string_view title) const;

private:
    using Slots = std::array<ScoreEntry, kSlotCount>;
    // The 1.6 MB of slots are made at the first use of one, by whoever reads the archive in:
    // the main window has that done on a thread while it builds its controls.
    Slots& slotArray() const;
    mutable std::unique_ptr<Slots> slots_;
    int entryCount_ = 0;
};

// Where the archive file lives, relative to the installation.
inline constexpr std::string_view kArchiveFileName = "spartiti\\archivio.js";

// How a load went: no archive file (an empty archive), read, a file of more entries than the
// archive can hold (its first 9999 read; a save would drop the rest), or a file that is there
// but cannot be read (an empty archive in memory that must not be saved over the file).
enum class ArchiveLoad { Missing, Loaded, TooManyEntries, Unreadable };

// The archive file as read, before its entries are taken into memory: loadArchive in two
// steps, for a caller with other work to do in between.
struct ArchiveFile {
    ArchiveLoad load = ArchiveLoad::Missing;
    std::string bytes; // when Loaded or TooManyEntries
    std::size_t entriesInFile = 0;
    std::string whyUnreadable; // when Unreadable
    // The entry count of the archive once the file is taken in: 0 to 9999.
    int entryCount() const;
};
ArchiveFile readArchiveBytes(const Installation& installation);
// Sets the archive to what the file holds: empty when it is missing or unreadable.
void takeIn(ScoreArchive& archive, const ArchiveFile& file);

// Reads the archive from the file: an empty archive if there is none or it cannot be read.
// entriesInFile, if given, receives the number of entries the file holds, beyond 9999 too;
// whyUnreadable, if given, the sentence that says why an Unreadable file could not be read.
ArchiveLoad loadArchive(ScoreArchive& archive, const Installation& installation,
                        std::size_t* entriesInFile = nullptr, std::string* whyUnreadable = nullptr);

// The entries that the bytes of an archive file hold, beyond 9999 too.
std::size_t archiveEntriesIn(std::string_view bytes);

// Fills the archive from the bytes of an archive file: the entry count follows from the field
// count (capped at 9999), slots 1 to the count receive the fields the file holds. Returns the
// number of entries the file holds, which may pass 9999.
std::size_t readArchiveFile(ScoreArchive& archive, std::string_view bytes);

// The bytes of archivio.js for the entries in memory (empty categories written as "0").
std::string archiveFileBytes(const ScoreArchive& archive);

struct KeepVersion;

// Writes archivio.js atomically and reads it back; with keep, the file as it was is kept as a
// version first. On failure the file and the archive in memory stay as they were, and the
// result says what went wrong.
FileResult saveArchive(ScoreArchive& archive, const Installation& installation,
                       KeepVersion* keep = nullptr);

// Names of an entry's own files, relative to the installation, written the stand's way.
std::string leftPagePath(int number);
std::string rightPagePath(int number);
std::string audioPath(int number);

// Gives entry (1 to 9999, else std::out_of_range) the recording at source and the category
// number: the recording is copied first, and the category set only once the copy succeeded, so
// that an entry never names a category for a recording it does not have. The recording it
// replaces is kept as a version first (keep says where), and one that cannot be kept is not
// replaced. A failed copy leaves the entry and its recording as they were, and the result says
// why.
FileResult attachRecording(ScoreArchive& archive, const Installation& installation, int entry,
                           const std::filesystem::path& source, int category, KeepVersion& keep);

} // namespace folio
