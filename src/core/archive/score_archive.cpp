// The archive store: slots, load, save, and the per-entry file names.
#include "core/archive/score_archive.h"

#include "core/files/file_ops.h"
#include "core/files/prefault.h"
#include "core/files/read_limits.h"
#include "core/format/field_reader.h"
#include "core/format/line_writer.h"
#include "core/versions/versions.h"

#include <algorithm>
#include <charconv>
#include <new>
#include <stdexcept>

namespace folio {
namespace {

constexpr std::size_t kHeaderFields = 2;
constexpr std::size_t kFieldsPerEntry = 10;
constexpr std::string_view kFirstLine = "var archivio = [";
constexpr std::string_view kLastLine = " ];";

void checkSlot(int number) {
    if (!ScoreArchive::isSlot(number))
        throw std::out_of_range("entry number " + std::to_string(number) + " is outside 0..9999");
}

void checkEntryName(int number) {
    if (!ScoreArchive::isEntryNumber(number))
        throw std::out_of_range("entry number " + std::to_string(number) + " cannot name a file");
}

} // namespace

ScoreArchive::ScoreArchive() = default;

ScoreArchive::Slots& ScoreArchive::slotArray() const {
    if (!slots_) {
        // Every slot is written as it is made.
        void* memory = ::operator new(sizeof(Slots));
        prefaultForWriting(memory, sizeof(Slots));
        slots_.reset(new (memory) Slots());
    }
    return *slots_;
}

ScoreEntry& ScoreArchive::slot(int number) {
    checkSlot(number);
    return slotArray()[static_cast<std::size_t>(number)];
}

const ScoreEntry& ScoreArchive::slot(int number) const {
    checkSlot(number);
    return slotArray()[static_cast<std::size_t>(number)];
}

void ScoreArchive::setEntryCount(int count) {
    checkSlot(count);
    entryCount_ = count;
}

void ScoreArchive::clear() {
    if (slots_) {
        for (ScoreEntry& entry : *slots_)
            entry = ScoreEntry{};
    }
    entryCount_ = 0;
}

void ScoreArchive::clearPastCount() {
    if (!slots_)
        return;
    for (auto slot = slots_->begin() + entryCount_ + 1; slot != slots_->end(); ++slot) {
        if (*slot != ScoreEntry{})
            *slot = ScoreEntry{};
    }
}

int ScoreArchive::lastEntryTitled(std::string_view title) const {
    for (int k = entryCount_; k >= 1; --k) {
        if (slot(k).title == title)
            return k;
    }
    return 0;
}

namespace {

std::size_t entriesIn(std::string_view bytes) {
    return recordsFromFieldCount(countFields(bytes), kHeaderFields, kFieldsPerEntry);
}

int entryCountFor(std::size_t entries) {
    return static_cast<int>(std::min(entries, static_cast<std::size_t>(ScoreArchive::kMaxEntries)));
}

// Fills slots 1 to the count from bytes that hold entries entries.
void readEntries(ScoreArchive& archive, std::string_view bytes, std::size_t entries) {
    const int count = entryCountFor(entries);

    FieldReader reader(bytes);
    reader.skip();
    for (int n = 1; n <= count; ++n) {
        ScoreEntry& entry = archive.slot(n);
        readValue(reader, entry.number);
        readValue(reader, entry.title);
        readValue(reader, entry.author);
        readValue(reader, entry.tags);
        readValue(reader, entry.category);
    }
    archive.setEntryCount(count);
}

} // namespace

std::size_t archiveEntriesIn(std::string_view bytes) {
    return entriesIn(bytes);
}

int ArchiveFile::entryCount() const {
    return entryCountFor(entriesInFile);
}

ArchiveFile readArchiveBytes(const Installation& installation) {
    FileRead read = readWholeFile(installation.resolve(kArchiveFileName), kArchiveFileLimit);
    ArchiveFile file;
    file.whyUnreadable = std::move(read.error);
    if (read.status == ReadStatus::Missing)
        return file;
    if (read.status == ReadStatus::Unreadable) {
        file.load = ArchiveLoad::Unreadable;
        return file;
    }
    file.bytes = std::move(read.bytes);
    file.entriesInFile = entriesIn(file.bytes);
    file.load = file.entriesInFile > static_cast<std::size_t>(file.entryCount())
                    ? ArchiveLoad::TooManyEntries
                    : ArchiveLoad::Loaded;
    return file;
}

void takeIn(ScoreArchive& archive, const ArchiveFile& file) {
    archive.setEntryCount(0);
    if (file.load == ArchiveLoad::Loaded || file.load == ArchiveLoad::TooManyEntries)
        readEntries(archive, file.bytes, file.entriesInFile);
    archive.clearPastCount();
}

ArchiveLoad loadArchive(ScoreArchive& archive, const Installation& installation,
                        std::size_t* entriesInFile, std::string* whyUnreadable) {
    const ArchiveFile file = readArchiveBytes(installation);
    takeIn(archive, file);
    if (entriesInFile)
        *entriesInFile = file.entriesInFile;
    if (whyUnreadable)
        *whyUnreadable = file.whyUnreadable;
    return file.load;
}

std::size_t readArchiveFile(ScoreArchive& archive, std::string_view bytes) {
    const std::size_t entries = entriesIn(bytes);
    readEntries(archive, bytes, entries);
    return entries;
}

std::string archiveFileBytes(const ScoreArchive& archive) {
    LineWriter writer;
    std::size_t estimate = 32;
    for (int n = 1; n <= archive.entryCount(); ++n) {
        const ScoreEntry& entry = archive.slot(n);
        estimate += 40 + entry.title.size() + entry.author.size() + entry.tags.size();
    }
    writer.reserve(estimate);
    writer.line(kFirstLine);
    for (int n = 1; n <= archive.entryCount(); ++n) {
        const ScoreEntry& entry = archive.slot(n);
        char digits[8];
        const std::to_chars_result written = std::to_chars(digits, digits + sizeof digits, n);
        writer.quotedValue(
            std::string_view(digits, static_cast<std::size_t>(written.ptr - digits)));
        writer.quotedValue(entry.title);
        writer.quotedValue(entry.author);
        writer.quotedValue(entry.tags);
        writer.quotedValue(entry.category.empty() ? std::string_view("0") : entry.category);
    }
    writer.line(kLastLine);
    return writer.take();
}

FileResult saveArchive(ScoreArchive& archive, const Installation& installation, KeepVersion* keep) {
    const std::filesystem::path file = installation.resolve(kArchiveFileName);
    std::string bytes = archiveFileBytes(archive);
    if (keep && !keep->countRecords)
        keep->countRecords = archiveEntriesIn;
    FileResult written = rewriteKeepingVersion(installation, DataFile::Archive, {bytes}, keep);
    if (!written.ok)
        return written;
    const FileRead readBack = readWholeFile(file, kArchiveFileLimit);
    readArchiveFile(archive, readBack.ok() ? readBack.bytes : bytes);
    return written;
}

std::string leftPagePath(int number) {
    checkEntryName(number);
    return "spartiti\\" + std::to_string(number) + "L.jpg";
}

std::string rightPagePath(int number) {
    checkEntryName(number);
    return "spartiti\\" + std::to_string(number) + "R.jpg";
}

std::string audioPath(int number) {
    checkEntryName(number);
    return "spartiti\\audio\\" + std::to_string(number) + ".mp3";
}

FileResult attachRecording(ScoreArchive& archive, const Installation& installation, int entry,
                           const std::filesystem::path& source, int category, KeepVersion& keep) {
    checkEntryName(entry);
    const FileResult copied = replaceKeepingVersion(
        installation, EntryFile{EntryFileKind::Recording, entry}, source, keep);
    if (copied.ok)
        archive.slot(entry).category = std::to_string(category);
    return copied;
}

} // namespace folio
