// The MIDI store: one reading pass that indexes the records in the file's bytes, and saves that
// rewrite the whole file from those bytes and the records changed since.
#include "core/midi/midi_store.h"

#include "core/archive/score_archive.h"
#include "core/files/read_limits.h"
#include "core/format/field_reader.h"
#include "core/format/line_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace folio {
namespace {

// Each of a record's 17 lines yields its value and the empty field after the comma.
constexpr std::size_t kFieldsPerRecord = 2 * (1 + kMidiChannels);
constexpr std::string_view kFirstLine = "var midi = [";
constexpr std::string_view kLastLine = " ];";

// True if the value line starting at start is exactly what a save writes for value: a quote,
// the value with nothing to map, a quote, a comma and CR LF. (The empty field after the comma
// is then the line end.)
bool isWrittenForm(std::string_view bytes, std::size_t start, std::string_view value) {
    const std::size_t closing = start + 1 + value.size();
    return bytes[start] == '"' && value.data() == bytes.data() + start + 1 &&
           bytes.size() - closing >= 4 && bytes.compare(closing, 4, "\",\r\n") == 0 &&
           isSafeFieldValue(value);
}

// The length of the record starting at start when all its 17 lines are in the form a save
// writes (see isWrittenForm), and its key; 0 otherwise. Such a record is what the field reader
// would read as 34 fields, so the common case is indexed without reading it field by field.
std::size_t writtenRecordLength(std::string_view bytes, std::size_t start, std::string_view& key) {
    // The bytes that end a written value or make it one a save would map.
    static constexpr auto kStops = [] {
        std::array<bool, 256> stops{};
        for (unsigned char c : {'"', '\\', '\r', '\n'})
            stops[c] = true;
        return stops;
    }();
    const char* at = bytes.data() + start;
    const char* const end = bytes.data() + bytes.size();
    for (std::size_t line = 0; line <= kMidiChannels; ++line) {
        if (at == end || *at != '"')
            return 0;
        const char* const value = ++at;
        while (at != end && !kStops[static_cast<unsigned char>(*at)])
            ++at;
        if (end - at < 4 || std::memcmp(at, "\",\r\n", 4) != 0)
            return 0;
        if (line == 0)
            key = std::string_view(value, static_cast<std::size_t>(at - value));
        at += 4;
    }
    return static_cast<std::size_t>(at - (bytes.data() + start));
}

// True if the field starting at start, where a record would start, is the closing line " ];":
// the array ends there, and nothing after it is a record. A key is always in quotes.
bool isClosingLine(std::string_view bytes, std::size_t start, std::string_view value) {
    const std::size_t first = bytes.find_first_not_of(' ', start);
    return first != std::string_view::npos && bytes[first] != '"' && value.starts_with(']');
}

// Builds the layout of a saved file: stretches of the loaded bytes kept as they are, and lines
// written anew, each run of either joined into one piece.
template <typename Layout> class LayoutBuilder {
public:
    explicit LayoutBuilder(Layout& out) : out_(out) {}

    void keep(std::size_t offset, std::size_t length) { add(false, offset, length); }
    template <typename Write> void write(Write&& write) {
        const std::size_t before = writer_.bytes().size();
        write(writer_);
        add(true, before, writer_.bytes().size() - before);
    }
    void finish() { out_.written = writer_.take(); }

private:
    void add(bool written, std::size_t offset, std::size_t length) {
        auto* last = out_.pieces.empty() ? nullptr : &out_.pieces.back();
        if (last && last->written == written && last->offset + last->length == offset)
            last->length += length;
        else if (length != 0)
            out_.pieces.push_back({written, offset, length});
    }

    Layout& out_;
    LineWriter writer_;
};

} // namespace

MidiValues splitChannelText(std::string_view channelText) {
    MidiValues values;
    std::size_t first = channelText.find(',');
    values.msb = channelText.substr(0, first);
    if (first == std::string_view::npos)
        return values;
    std::string_view rest = channelText.substr(first + 1);
    std::size_t second = rest.find(',');
    values.lsb = rest.substr(0, second);
    if (second == std::string_view::npos)
        return values;
    rest = rest.substr(second + 1);
    values.pc = rest.substr(0, rest.find(','));
    return values;
}

std::string joinChannelText(std::string_view msb, std::string_view lsb, std::string_view pc) {
    std::string text;
    text.reserve(msb.size() + lsb.size() + pc.size() + 2);
    text.append(msb).append(1, ',').append(lsb).append(1, ',').append(pc);
    return text;
}

bool isMidiValue(std::string_view value) {
    const std::optional<int> number = decimalValue(value);
    return number && *number <= 127;
}

std::optional<int> midiEntryOfKey(std::string_view key) {
    return decimalValue(key);
}

MidiLoad MidiStore::load(const Installation& installation) {
    FileRead file = readWholeFile(installation.resolve(kMidiFileName), kMidiFileLimit);
    loadError_ = file.error;
    if (file.ok()) {
        try {
            read(std::move(file.bytes));
            return MidiLoad::Loaded;
        } catch (const std::bad_alloc&) {
            loadError_ = "There is not enough memory to hold the MIDI set-ups of midi.js.";
            read({});
            return MidiLoad::Unreadable;
        }
    }
    read({});
    return file.status == ReadStatus::Missing ? MidiLoad::Missing : MidiLoad::Unreadable;
}

// One pass notes where each record starts, so that the records are found without a second
// reading of the file. It also notes which records are already in the form a save writes, so
// that a save copies their bytes as they are. Every record the file starts is held, a record cut
// short by the end of the file with what it holds: a save writes it back whole, never drops it.
void MidiStore::read(std::string bytes) {
    bytes_ = std::move(bytes);
    records_.clear();
    changed_.clear();
    FieldReader reader(bytes_);
    std::string_view value;
    reader.skip();
    std::size_t place = 0; // of the next field within its record
    bool writtenForm = false;
    auto endRecord = [&](std::size_t end) {
        if (!records_.empty() && writtenForm)
            records_.back().rawLength = end - records_.back().offset;
    };
    // A record takes at least one byte per field; a file holding more than the capacity grows
    // the index past it.
    records_.reserve(
        std::min(bytes_.size() / kFieldsPerRecord + 1, static_cast<std::size_t>(kMaxRecords)));
    bool closed = false;
    while (!reader.atEnd()) {
        const std::size_t start = reader.position();
        if (place == 0) {
            endRecord(start);
            writtenForm = false;
            std::string_view key;
            if (const std::size_t length = writtenRecordLength(bytes_, start, key)) {
                records_.push_back({start, length, midiEntryOfKey(key).value_or(-1), 0});
                reader.moveTo(start + length);
                continue;
            }
        }
        reader.next(value);
        if (place == 0) {
            if (isClosingLine(bytes_, start, value)) {
                closed = true;
                break;
            }
            records_.push_back({start, 0, midiEntryOfKey(value).value_or(-1), 0});
            writtenForm = true;
        }
        if (place % 2 == 0)
            writtenForm = writtenForm && isWrittenForm(bytes_, start, value);
        place = (place + 1) % kFieldsPerRecord;
    }
    if (!closed) {
        // A complete last record keeps its bytes; a cut one is written anew from what it holds.
        if (place == 0)
            endRecord(reader.position());
        // What follows the last record without holding a value is the cut closing line.
        if (!records_.empty() &&
            bytes_.find_first_not_of(" ,\r\n", records_.back().offset) == std::string::npos)
            records_.pop_back();
    }
    records_.shrink_to_fit();
}

MidiRecordText MidiStore::record(int position) const {
    const Record& held = records_.at(static_cast<std::size_t>(position - 1));
    MidiRecordText text;
    if (held.changed != 0) {
        const ChangedRecord& changed = changed_[static_cast<std::size_t>(held.changed - 1)];
        text.entryKey = changed.entryKey;
        for (int c = 0; c < kMidiChannels; ++c)
            text.channelText[static_cast<std::size_t>(c)] =
                changed.channelText[static_cast<std::size_t>(c)];
        return text;
    }
    FieldReader reader(std::string_view(bytes_).substr(held.offset));
    readValue(reader, text.entryKey);
    for (std::string_view& channel : text.channelText)
        readValue(reader, channel);
    return text;
}

bool MidiStore::belongsTo(int position, int entry) const {
    return records_.at(static_cast<std::size_t>(position - 1)).entry == entry;
}

std::optional<MidiValueGrid> MidiStore::valuesOf(int entry) const {
    std::optional<MidiValueGrid> values;
    for (int position = 1; position <= recordCount(); ++position) {
        if (!belongsTo(position, entry))
            continue;
        if (!values)
            values.emplace();
        const MidiRecordText held = record(position);
        for (std::size_t c = 0; c < kMidiChannels; ++c) {
            const MidiValues split = splitChannelText(held.channelText[c]);
            MidiChannelValues& joined = (*values)[c];
            joined.msb.append(split.msb);
            joined.lsb.append(split.lsb);
            joined.pc.append(split.pc);
        }
    }
    return values;
}

bool MidiStore::hasRecordOf(int entry) const {
    return std::any_of(records_.begin(), records_.end(),
                       [entry](const Record& held) { return held.entry == entry; });
}

std::optional<MidiStore::Layout> MidiStore::layout(int entry, const MidiGrid& grid) const {
    const bool found = hasRecordOf(entry);
    if (!found && records_.size() >= static_cast<std::size_t>(kMaxRecords))
        return std::nullopt;

    Layout out;
    LayoutBuilder build(out);
    auto writeGrid = [&](LineWriter& writer) {
        for (const std::string& channel : grid)
            writer.quotedValue(channel);
    };
    build.write([&](LineWriter& writer) { writer.line(kFirstLine); });
    for (int position = 1; position <= recordCount(); ++position) {
        const Record& held = records_[static_cast<std::size_t>(position - 1)];
        if (held.changed == 0 && held.rawLength != 0 && held.entry != entry) {
            build.keep(held.offset, held.rawLength);
            continue;
        }
        build.write([&](LineWriter& writer) {
            const MidiRecordText text = record(position);
            writer.quotedValue(text.entryKey);
            if (held.entry == entry) {
                writeGrid(writer);
            } else {
                for (std::string_view channel : text.channelText)
                    writer.quotedValue(channel);
            }
        });
    }
    if (!found) {
        build.write([&](LineWriter& writer) {
            writer.quotedValue(std::to_string(entry));
            writeGrid(writer);
        });
    }
    build.write([&](LineWriter& writer) { writer.line(kLastLine); });
    build.finish();
    return out;
}

MidiStore::Layout MidiStore::renumberedLayout(const EntryRenumbering& renumber) const {
    Layout out;
    LayoutBuilder build(out);
    build.write([&](LineWriter& writer) { writer.line(kFirstLine); });
    for (int position = 1; position <= recordCount(); ++position) {
        const Record& held = records_[static_cast<std::size_t>(position - 1)];
        const std::optional<int> now =
            ScoreArchive::isEntryNumber(held.entry) ? renumber(held.entry) : held.entry;
        if (!now)
            continue;
        if (held.changed == 0 && held.rawLength != 0 && *now == held.entry) {
            build.keep(held.offset, held.rawLength);
            continue;
        }
        build.write([&](LineWriter& writer) {
            const MidiRecordText text = record(position);
            if (*now == held.entry)
                writer.quotedValue(text.entryKey);
            else
                writer.quotedValue(std::to_string(*now));
            for (std::string_view channel : text.channelText)
                writer.quotedValue(channel);
        });
    }
    build.write([&](LineWriter& writer) { writer.line(kLastLine); });
    build.finish();
    return out;
}

std::vector<int> MidiStore::entriesGone(const EntryRenumbering& renumber) const {
    std::vector<int> gone;
    for (const Record& held : records_) {
        if (ScoreArchive::isEntryNumber(held.entry) && !renumber(held.entry) &&
            std::find(gone.begin(), gone.end(), held.entry) == gone.end())
            gone.push_back(held.entry);
    }
    return gone;
}

std::string MidiStore::renumberedBytes(const EntryRenumbering& renumber) const {
    const Layout planned = renumberedLayout(renumber);
    std::string bytes;
    for (std::string_view piece : pieces(planned))
        bytes.append(piece);
    return bytes;
}

FileResult MidiStore::saveRenumbered(const Installation& installation,
                                     const EntryRenumbering& renumber, KeepVersion* keep) {
    const bool changes = std::any_of(records_.begin(), records_.end(), [&](const Record& held) {
        if (!ScoreArchive::isEntryNumber(held.entry))
            return false;
        const std::optional<int> now = renumber(held.entry);
        return !now || *now != held.entry;
    });
    if (!changes)
        return FileResult::success();
    if (keep && !keep->count)
        keep->count = static_cast<std::size_t>(recordCount());
    std::string bytes = renumberedBytes(renumber);
    FileResult written = rewriteKeepingVersion(installation, DataFile::Midi, {bytes}, keep);
    if (written.ok)
        read(std::move(bytes));
    return written;
}

std::vector<std::string_view> MidiStore::pieces(const Layout& layout) const {
    std::vector<std::string_view> views;
    views.reserve(layout.pieces.size());
    for (const Layout::Piece& piece : layout.pieces)
        views.push_back(std::string_view(piece.written ? layout.written : bytes_)
                            .substr(piece.offset, piece.length));
    return views;
}

std::optional<std::string> MidiStore::fileBytes(int entry, const MidiGrid& grid) const {
    const std::optional<Layout> planned = layout(entry, grid);
    if (!planned)
        return std::nullopt;
    std::string bytes;
    for (std::string_view piece : pieces(*planned))
        bytes.append(piece);
    return bytes;
}

std::size_t MidiStore::recordsIn(std::string_view bytes) {
    MidiStore store;
    store.read(std::string(bytes));
    return static_cast<std::size_t>(store.recordCount());
}

FileResult MidiStore::save(const Installation& installation, int entry, const MidiGrid& grid,
                           KeepVersion* keep) {
    if (!ScoreArchive::isEntryNumber(entry))
        return FileResult::failure("There is no score to save it for (entry number " +
                                   std::to_string(entry) + ").");
    const std::optional<Layout> planned = layout(entry, grid);
    if (!planned)
        return FileResult::failure(
            "midi.js already holds " + std::to_string(recordCount()) +
            " MIDI set-ups, and no more than " + std::to_string(kMaxRecords) +
            " fit: no set-up can be added for score " + std::to_string(entry) + ".");
    // The store holds the file as it is: its records need no second reading to be counted.
    if (keep && !keep->count)
        keep->count = static_cast<std::size_t>(recordCount());
    FileResult written =
        rewriteKeepingVersion(installation, DataFile::Midi, pieces(*planned), keep);
    if (!written.ok)
        return written;

    // The file now holds the grid for every record of the entry, or one record appended.
    bool found = false;
    for (std::size_t i = 0; i < records_.size(); ++i) {
        if (records_[i].entry != entry)
            continue;
        found = true;
        if (records_[i].changed != 0) {
            changed_[static_cast<std::size_t>(records_[i].changed - 1)].channelText = grid;
            continue;
        }
        changed_.push_back({std::string(record(static_cast<int>(i) + 1).entryKey), grid});
        records_[i].changed = static_cast<int>(changed_.size());
    }
    if (!found) {
        changed_.push_back({std::to_string(entry), grid});
        records_.push_back({bytes_.size(), 0, entry, static_cast<int>(changed_.size())});
    }
    return written;
}

std::size_t MidiStore::heldBytes() const {
    std::size_t held = sizeof(*this) + bytes_.capacity() + records_.capacity() * sizeof(Record) +
                       changed_.capacity() * sizeof(ChangedRecord);
    for (const ChangedRecord& changed : changed_) {
        held += changed.entryKey.capacity();
        for (const std::string& channel : changed.channelText)
            held += channel.capacity();
    }
    return held;
}

} // namespace folio
