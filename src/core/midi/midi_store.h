// The MIDI set-ups of the scores: midi.js, one record per entry of 16 channel texts, each the
// bank select MSB, bank select LSB and program change joined by commas.
#pragma once

#include "core/archive/renumbering.h"
#include "core/files/file_ops.h"
#include "core/files/installation.h"
#include "core/versions/versions.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace folio {

// Where the MIDI file lives, relative to the installation.
inline constexpr std::string_view kMidiFileName = "spartiti\\midi.js";

inline constexpr int kMidiChannels = 16;

// The 16 channel texts of one entry, channel 1 first.
using MidiGrid = std::array<std::string, kMidiChannels>;

// The three values of a channel text.
struct MidiValues {
    std::string_view msb;
    std::string_view lsb;
    std::string_view pc;
};

// MSB is what comes before the first comma (all of it without a comma), LSB runs to the second
// comma, PC to a third one; anything after a third comma is ignored.
MidiValues splitChannelText(std::string_view channelText);

// The channel text of three values, joined by commas: what splitChannelText takes apart.
std::string joinChannelText(std::string_view msb, std::string_view lsb, std::string_view pc);

// True for a value a page can send: a whole number from 0 to 127, in decimal digits only.
bool isMidiValue(std::string_view value);

// The three values of one channel, held.
struct MidiChannelValues {
    std::string msb;
    std::string lsb;
    std::string pc;

    bool operator==(const MidiChannelValues&) const = default;
};

// The values of the 16 channels of one entry, channel 1 first.
using MidiValueGrid = std::array<MidiChannelValues, kMidiChannels>;

// The entry number a record key names: a key of decimal digits only ("012" names 12) whose
// value fits an int. Anything else names no entry.
std::optional<int> midiEntryOfKey(std::string_view key);

// One record as held: its key and its 16 channel texts, exactly as read or saved.
struct MidiRecordText {
    std::string_view entryKey;
    std::array<std::string_view, kMidiChannels> channelText;
};

// How a load went: no file (an empty store), read, or a file that is there but cannot be read
// (an empty store that must not be saved over the file).
enum class MidiLoad { Missing, Loaded, Unreadable };

// The in-memory copy of midi.js. It keeps the file's bytes and, per record, where the record
// starts in them; only records changed by a save are held apart, so the store stays close to
// the file's size.
class MidiStore {
public:
    // Records a save may create; a file holding more is kept whole, but nothing is added.
    static constexpr int kMaxRecords = 170000;

    // Fills the store from midi.js: empty if the file is missing or cannot be read.
    MidiLoad load(const Installation& installation);
    // Why the last load found the file unreadable.
    const std::string& loadError() const { return loadError_; }

    // Fills the store from the bytes of a MIDI file: every record up to the closing line, or to
    // the end of a file cut short. A record cut short holds what the file has of it, and empty
    // channel texts for the rest.
    void read(std::string bytes);

    int recordCount() const { return static_cast<int>(records_.size()); }
    // The bytes of the file as the last load or read took them in.
    std::string_view bytesRead() const { return bytes_; }
    // The records that the bytes of a MIDI file hold.
    static std::size_t recordsIn(std::string_view bytes);

    // Record position, 1 to recordCount. The views stay valid until the next read or save.
    MidiRecordText record(int position) const;

    // True if the record's key, read as a number, is entry.
    bool belongsTo(int position, int entry) const;

    // The values of entry's records: with several records, each value is the record's values
    // joined in file order. Nothing when the entry has no record.
    std::optional<MidiValueGrid> valuesOf(int entry) const;

    // The bytes of midi.js after saving grid for entry: every record of the entry replaced in
    // place, or one record appended if it has none. Nothing when the append would pass the
    // capacity.
    std::optional<std::string> fileBytes(int entry, const MidiGrid& grid) const;

    // Writes midi.js atomically with grid saved for entry and brings the store up to date. An
    // entry outside 1 to 9999, a full store or a failed write leaves the file and the store as
    // they were, and the result says why. With keep, the file as it was is kept first.
    FileResult save(const Installation& installation, int entry, const MidiGrid& grid,
                    KeepVersion* keep = nullptr);

    // The entries whose records renumber takes away, each once, in file order.
    std::vector<int> entriesGone(const EntryRenumbering& renumber) const;

    // The bytes of midi.js with every record renumbered: a record whose score is gone is left
    // out, a moved one is written with its new number; every other record keeps its bytes.
    std::string renumberedBytes(const EntryRenumbering& renumber) const;

    // Writes midi.js renumbered, atomically, and reads it into the store. Nothing is written
    // when no record changes. With keep, the file as it was is kept first.
    FileResult saveRenumbered(const Installation& installation, const EntryRenumbering& renumber,
                              KeepVersion* keep = nullptr);

    // Bytes the store holds in memory.
    std::size_t heldBytes() const;

private:
    struct Record {
        std::size_t offset;    // where the record's fields start in bytes_
        std::size_t rawLength; // its bytes, when they are exactly as a save writes them; else 0
        int entry;             // the key read as a number, -1 if it names no entry
        int changed;           // 1 + its index in changed_, or 0 if held as read
    };
    struct ChangedRecord {
        std::string entryKey;
        MidiGrid channelText;
    };

    // A saved file: stretches of the loaded bytes kept as they are, and lines written anew.
    struct Layout {
        struct Piece {
            bool written; // from written, else from bytes_
            std::size_t offset;
            std::size_t length;
        };
        std::string written;
        std::vector<Piece> pieces;
    };

    bool hasRecordOf(int entry) const;
    // The file that saving grid for entry gives, or nothing when the store is full.
    std::optional<Layout> layout(int entry, const MidiGrid& grid) const;
    // The file that renumbering gives.
    Layout renumberedLayout(const EntryRenumbering& renumber) const;
    std::vector<std::string_view> pieces(const Layout& layout) const;

    std::string bytes_;
    std::string loadError_;
    std::vector<Record> records_;
    std::vector<ChangedRecord> changed_;
};

} // namespace folio
