// Fuzzes the MIDI store: any bytes load, each record holds the fields a plain sequential
// reading gives at its place, saving gives a well-formed midi.js, and load, save, load, save
// gives the same file twice.
#include "core/format/field_reader.h"
#include "core/format/line_writer.h"
#include "core/midi/midi_store.h"
#include "data_file_check.h"

#include <cstdint>
#include <string>
#include <string_view>

using folio::MidiGrid;
using folio::MidiStore;
using folio::fuzz::require;

namespace {

constexpr std::size_t kLinesPerRecord = 1 + folio::kMidiChannels;

// The records' fields read one after the other from the start, the way the file is laid out:
// the first field dropped, then per record 17 values each followed by a dropped field.
void requireSequentialReading(const MidiStore& store, std::string_view bytes) {
    folio::FieldReader reader(bytes);
    reader.skip();
    std::string_view value;
    for (int position = 1; position <= store.recordCount(); ++position) {
        const folio::MidiRecordText record = store.record(position);
        reader.next(value);
        require(record.entryKey == value, "a record's key is the field at its place");
        reader.skip();
        for (std::string_view channel : record.channelText) {
            reader.next(value);
            require(channel == value, "a record's channel is the field at its place");
            reader.skip();
        }
        require(store.belongsTo(position, folio::midiEntryOfKey(record.entryKey).value_or(-1)),
                "a record belongs to the entry its key names");
    }
}

// The entry saved: the first record's, when its key names one, so that replacing is tried too.
int entryToSave(const MidiStore& store) {
    if (store.recordCount() > 0) {
        std::optional<int> entry = folio::midiEntryOfKey(store.record(1).entryKey);
        if (entry && *entry >= 1 && *entry <= 9999)
            return *entry;
    }
    return 7;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    MidiStore store;
    store.read(std::string(bytes));
    const int count = store.recordCount();
    require(count >= 0, "the record count is never negative");
    requireSequentialReading(store, bytes);

    const int entry = entryToSave(store);
    MidiGrid grid;
    for (std::size_t c = 0; c < grid.size(); ++c)
        grid[c] = std::to_string(c) + ",\"," + std::string(bytes.substr(0, c % 4));
    bool found = false;
    for (int position = 1; position <= count; ++position)
        found = found || store.belongsTo(position, entry);

    const std::optional<std::string> first = store.fileBytes(entry, grid);
    if (!first) {
        require(!found && count >= MidiStore::kMaxRecords, "only a full store refuses a save");
        return 0;
    }
    const int saved = count + (found ? 0 : 1);
    std::vector<std::string_view> values = folio::fuzz::requireWellFormed(
        *first, "var midi = [", kLinesPerRecord * static_cast<std::size_t>(saved));
    for (int position = 1; position <= saved; ++position) {
        const std::size_t at = kLinesPerRecord * static_cast<std::size_t>(position - 1);
        const bool ofEntry = position > count || store.belongsTo(position, entry);
        require(values[at] == (position <= count
                                   ? folio::safeFieldValue(store.record(position).entryKey)
                                   : std::to_string(entry)),
                "every key is written as read, an appended one in plain digits");
        for (std::size_t c = 0; c < grid.size(); ++c) {
            const std::string expected =
                ofEntry ? folio::safeFieldValue(grid[c])
                        : folio::safeFieldValue(store.record(position).channelText[c]);
            require(values[at + 1 + c] == expected,
                    "the entry's records carry the grid and the others their own channels");
        }
    }

    MidiStore reloaded;
    reloaded.read(*first);
    require(reloaded.recordCount() == saved, "a saved file loads with its record count");
    const std::optional<std::string> second = reloaded.fileBytes(entry, grid);
    require(second && *second == *first, "load, save, load, save gives the same file twice");
    return 0;
}
