#include "core/midi/midi_store.h"
#include "support/data_files.h"
#include "support/fault_injection.h"
#include "support/temp_installation.h"

#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace folio {
namespace {

using test::TempInstallation;

struct Record {
    std::string key;
    std::vector<std::string> channels; // missing channels are untouched ones
};

const std::string kUntouched = "000,000,000";

// The bytes of midi.js holding records, written the way the program writes them.
std::string midiFile(const std::vector<Record>& records) {
    std::vector<std::vector<std::string>> values;
    for (const Record& record : records)
        values.push_back(test::midiRecord(record.key, record.channels));
    return test::midiFile(values);
}

MidiGrid gridOf(std::vector<std::string> channels) {
    MidiGrid grid;
    grid.fill(kUntouched);
    for (std::size_t c = 0; c < channels.size(); ++c)
        grid[c] = channels[c];
    return grid;
}

// Records whose lines are not as a save writes them (other line ends, spaces, characters to
// map) between records that are.
std::string mixedForms() {
    std::string middle = midiFile({{"3", {"5,5,5"}}});
    middle = middle.substr(14, middle.size() - 14 - 5);
    for (std::size_t at = middle.find("\r\n"); at != std::string::npos;
         at = middle.find("\r\n", at))
        middle.erase(at, 1);
    std::string first = midiFile({{"1", {}}, {"2", {"a\\b"}}});
    std::string last = midiFile({{"4", {}}});
    return first.substr(0, first.size() - 5) + middle + "  " + last.substr(14);
}

TEST(MidiChannelText, splitsIntoMsbLsbAndPc) {
    struct Case {
        std::string_view text, msb, lsb, pc;
    };
    const Case cases[] = {
        {"1,2,3", "1", "2", "3"},       {",,", "", "", ""},
        {"5,6", "5", "6", ""},          {"127", "127", "", ""},
        {"1,2,3,4,5", "1", "2", "3"},   {"", "", "", ""},
        {",000,000", "", "000", "000"}, {"000123,4,", "000123", "4", ""},
    };
    for (const Case& c : cases) {
        MidiValues values = splitChannelText(c.text);
        EXPECT_EQ(values.msb, c.msb) << c.text;
        EXPECT_EQ(values.lsb, c.lsb) << c.text;
        EXPECT_EQ(values.pc, c.pc) << c.text;
    }
}

TEST(MidiEntryKey, onlyDecimalDigitsThatFitNameAnEntry) {
    const std::pair<std::string_view, std::optional<int>> cases[] = {
        {"12", 12},
        {"012", 12},
        {"0", 0},
        {"9999", 9999},
        {"", std::nullopt},
        {"12a", std::nullopt},
        {"-1", std::nullopt},
        {" 1", std::nullopt},
        {"+1", std::nullopt},
        {"1.0", std::nullopt},
        {"99999999999", std::nullopt},
        {"00000000000000000007", 7},
    };
    for (const auto& [key, entry] : cases)
        EXPECT_EQ(midiEntryOfKey(key), entry) << key;
}

TEST(MidiChannelText, joinIsTheInverseOfSplit) {
    struct Case {
        std::string_view msb, lsb, pc, text;
    };
    const Case cases[] = {
        {"1", "2", "3", "1,2,3"},
        {"", "", "", ",,"},
        {"000", "", "127", "000,,127"},
        {"ab c", "\xe9", "x", "ab c,\xe9,x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(joinChannelText(c.msb, c.lsb, c.pc), c.text);
        const MidiValues values = splitChannelText(c.text);
        EXPECT_EQ(values.msb, c.msb) << c.text;
        EXPECT_EQ(values.lsb, c.lsb) << c.text;
        EXPECT_EQ(values.pc, c.pc) << c.text;
    }
}

TEST(MidiChannelText, midiValuesAreWholeNumbersFromZeroTo127) {
    const std::pair<std::string_view, bool> cases[] = {
        {"0", true}, {"000", true}, {"127", true}, {"0127", true}, {"128", false},
        {"", false}, {"-1", false}, {" 1", false}, {"1a", false},  {"99999999999", false},
    };
    for (const auto& [value, midi] : cases)
        EXPECT_EQ(isMidiValue(value), midi) << value;
}

// Several records of one entry are joined value by value, in file order; a record cut short
// gives empty values for the channels it lacks.
TEST(MidiStoreValues, recordsOfAnEntryAreJoinedValueByValue) {
    std::string bytes =
        midiFile({{"4", {"1,2,3", "5,6"}}, {"7", {"9,9,9"}}, {"004", {"10,,30,x", "127"}}});
    bytes = bytes.substr(0, bytes.size() - 5) + "\"9\",\r\n\"1,2,3\",\r\n";
    MidiStore store;
    store.read(bytes);
    struct Case {
        int entry;
        std::vector<MidiChannelValues> firstChannels; // empty: the entry has no record
        MidiChannelValues lastChannel;
    };
    const Case cases[] = {
        {4,
         {{"110", "2", "330"}, {"5127", "6", ""}, {"000000", "000000", "000000"}},
         {"000000", "000000", "000000"}},
        {7, {{"9", "9", "9"}, {"000", "000", "000"}}, {"000", "000", "000"}},
        {9, {{"1", "2", "3"}, {"", "", ""}}, {"", "", ""}},
        {5, {}, {}},
    };
    for (const Case& c : cases) {
        const std::optional<MidiValueGrid> values = store.valuesOf(c.entry);
        ASSERT_EQ(values.has_value(), !c.firstChannels.empty()) << c.entry;
        if (!values)
            continue;
        for (std::size_t channel = 0; channel < c.firstChannels.size(); ++channel)
            EXPECT_EQ((*values)[channel], c.firstChannels[channel]) << c.entry << " " << channel;
        EXPECT_EQ(values->back(), c.lastChannel) << c.entry;
    }
}

// Each case starts from a file (or none), saves one grid for one entry and expects the file.
TEST(MidiStoreSave, writesTheWholeFileByteForByte) {
    const std::vector<Record> three = {{"4", {"1,2,3"}}, {"7", {"9,9,9"}}, {"9", {}}};
    struct Case {
        const char* name;
        std::optional<std::string> before;
        int entry;
        std::vector<std::string> grid;
        std::string after;
    };
    const Case cases[] = {
        {"no file: one record of 19 lines",
         std::nullopt,
         7,
         {"5,6,7"},
         midiFile({{"7", {"5,6,7"}}})},
        {"empty file", test::crlf({"var midi = [", " ];"}), 3, {}, midiFile({{"3", {}}})},
        {"first of three replaced in place",
         midiFile(three),
         4,
         {"", "8,8,8"},
         midiFile({{"4", {"", "8,8,8"}}, {"7", {"9,9,9"}}, {"9", {}}})},
        {"no record: appended after all",
         midiFile(three),
         12,
         {"1,1,1"},
         midiFile({{"4", {"1,2,3"}}, {"7", {"9,9,9"}}, {"9", {}}, {"12", {"1,1,1"}}})},
        {"key 012 kept as written",
         midiFile({{"012", {"1,2,3"}}}),
         12,
         {"4,5,6"},
         midiFile({{"012", {"4,5,6"}}})},
        {"empty cell", std::nullopt, 1, {",000,000"}, midiFile({{"1", {",000,000"}}})},
        {"every record of the entry replaced",
         midiFile({{"5", {"1"}}, {"2", {}}, {"05", {"2"}}}),
         5,
         {"3,3,3"},
         midiFile({{"5", {"3,3,3"}}, {"2", {}}, {"05", {"3,3,3"}}})},
        {"keys naming no entry copied unchanged",
         midiFile({{"x", {"1,2,3"}}, {"99999999999", {}}, {"", {}}}),
         1,
         {},
         midiFile({{"x", {"1,2,3"}}, {"99999999999", {}}, {"", {}}, {"1", {}}})},
        {"records in other forms written anew",
         mixedForms(),
         1,
         {"9,9,9"},
         midiFile({{"1", {"9,9,9"}}, {"2", {"a/b"}}, {"3", {"5,5,5"}}, {"4", {}}})},
        {"unsafe characters mapped",
         std::nullopt,
         2,
         {"a\"b\\c\r\nd"},
         midiFile({{"2", {"a'b/c  d"}}})},
        // One record promised: the key and ten channels, the rest read as empty values.
        {"file ending inside a record",
         test::crlf({"var midi = [", "\"3\",", "\"1\",", "\"2\",", "\"3\",", "\"4\",", "\"5\",",
                     "\"6\",", "\"7\",", "\"8\",", "\"9\",", "\"10\","}),
         8,
         {},
         midiFile(
             {{"3", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "", "", "", "", "", ""}},
              {"8", {}}})},
        // However short the cut record, what it holds is written back and the rest is empty.
        {"file ending inside the second channel's line",
         "var midi = [\r\n\"3\",\r\n\"1\",\r\n\"2,5",
         8,
         {},
         midiFile({{"3", {"1", "2,5", "", "", "", "", "", "", "", "", "", "", "", "", "", ""}},
                   {"8", {}}})},
        {"file ending after a key",
         midiFile({{"4", {}}}).substr(0, 14 + 6 + 16 * 16) + "\"3\"",
         4,
         {"1,1,1"},
         midiFile({{"4", {"1,1,1"}},
                   {"3", {"", "", "", "", "", "", "", "", "", "", "", "", "", "", "", ""}}})},
        {"blank line after the last line",
         midiFile(three) + "\r\n",
         7,
         {},
         midiFile({{"4", {"1,2,3"}}, {"7", {}}, {"9", {}}})},
        {"file ending inside the last line",
         midiFile(three).substr(0, midiFile(three).size() - 4),
         9,
         {"2,2,2"},
         midiFile({{"4", {"1,2,3"}}, {"7", {"9,9,9"}}, {"9", {"2,2,2"}}})},
    };
    for (const Case& c : cases) {
        TempInstallation stand;
        if (c.before)
            stand.write(kMidiFileName, *c.before);
        MidiStore store;
        store.load(stand.installation());
        FileResult saved = store.save(stand.installation(), c.entry, gridOf(c.grid));
        EXPECT_TRUE(saved.ok) << c.name << ": " << saved.error;
        EXPECT_EQ(stand.read(kMidiFileName), c.after) << c.name;
        EXPECT_EQ(stand.temporaryFileCount(), 0) << c.name;
        // The saved file loads as it was written, and saving it again changes nothing.
        MidiStore reloaded;
        reloaded.load(stand.installation());
        ASSERT_TRUE(reloaded.save(stand.installation(), c.entry, gridOf(c.grid)).ok) << c.name;
        EXPECT_EQ(stand.read(kMidiFileName), c.after) << c.name;
    }
}

TEST(MidiStoreLoad, readsRecordsAsWritten) {
    TempInstallation stand;
    stand.write(kMidiFileName, midiFile({{"012", {"5,6", "", "1,2,3,4"}}, {"x", {}}}));
    MidiStore store;
    ASSERT_EQ(store.load(stand.installation()), MidiLoad::Loaded);
    ASSERT_EQ(store.recordCount(), 2);
    MidiRecordText first = store.record(1);
    EXPECT_EQ(first.entryKey, "012");
    EXPECT_EQ(first.channelText[0], "5,6");
    EXPECT_EQ(first.channelText[1], "");
    EXPECT_EQ(first.channelText[2], "1,2,3,4");
    EXPECT_EQ(first.channelText[15], kUntouched);
    EXPECT_TRUE(store.belongsTo(1, 12));
    EXPECT_FALSE(store.belongsTo(2, 0));

    stand.write(kMidiFileName, test::crlf({"var midi = [", " ];"}));
    EXPECT_EQ(store.load(stand.installation()), MidiLoad::Loaded);
    EXPECT_EQ(store.recordCount(), 0);
    std::filesystem::remove(stand.path(kMidiFileName));
    EXPECT_EQ(store.load(stand.installation()), MidiLoad::Missing);
    std::filesystem::create_directory(stand.path(kMidiFileName));
    EXPECT_EQ(store.load(stand.installation()), MidiLoad::Unreadable);
}

// With the window left open, the second save must keep what the first one appended.
TEST(MidiStoreSave, twoSavesForTwoEntries_bothStay) {
    TempInstallation stand;
    stand.write(kMidiFileName, midiFile({{"1", {}}}));
    MidiStore store;
    store.load(stand.installation());
    ASSERT_TRUE(store.save(stand.installation(), 5, gridOf({"5,5,5"})).ok);
    ASSERT_TRUE(store.save(stand.installation(), 6, gridOf({"6,6,6"})).ok);
    ASSERT_TRUE(store.save(stand.installation(), 1, gridOf({"1,1,1"})).ok);
    ASSERT_TRUE(store.save(stand.installation(), 5, gridOf({"7,7,7"})).ok);
    EXPECT_EQ(stand.read(kMidiFileName),
              midiFile({{"1", {"1,1,1"}}, {"5", {"7,7,7"}}, {"6", {"6,6,6"}}}));
    EXPECT_EQ(store.recordCount(), 3);
    EXPECT_EQ(store.record(2).channelText[0], "7,7,7");
}

TEST(MidiStoreSave, refusalsAndFailures_leaveFileAndStoreAsTheyWere) {
    const std::string before = midiFile({{"4", {"1,2,3"}}});
    TempInstallation stand;
    stand.write(kMidiFileName, before);
    MidiStore store;
    store.load(stand.installation());

    for (int entry : {0, -1, 10000}) {
        FileResult refused = store.save(stand.installation(), entry, gridOf({}));
        EXPECT_FALSE(refused.ok) << entry;
        EXPECT_NE(refused.error.find("no score"), std::string::npos) << refused.error;
    }
#ifdef _WIN32
    // Another program holds the file open, so it cannot be replaced.
    {
        test::FileHeldOpen holder(stand.path(kMidiFileName));
        ASSERT_TRUE(holder.held());
        EXPECT_FALSE(store.save(stand.installation(), 9, gridOf({})).ok);
    }
#else
    // The new file is larger than the limit, so its write fails part-way.
    EXPECT_EQ(test::runWithFileSizeLimit(
                  before.size(),
                  [&] { return store.save(stand.installation(), 9, gridOf({})).ok ? 1 : 0; }),
              0);
#endif
    EXPECT_EQ(stand.read(kMidiFileName), before);
    EXPECT_EQ(stand.temporaryFileCount(), 0);

    std::filesystem::rename(stand.path("spartiti"), stand.path("elsewhere"));
    FileResult failed = store.save(stand.installation(), 4, gridOf({}));
    EXPECT_FALSE(failed.ok);
    EXPECT_FALSE(failed.error.empty());
    EXPECT_EQ(store.record(1).channelText[0], "1,2,3");
    EXPECT_EQ(store.recordCount(), 1);
}

// A file at the capacity takes no new record, but its records are still saved; a file beyond
// it keeps every record.
TEST(MidiStoreSave, atCapacity_refusesAnAppendAndDropsNothing) {
    for (int records : {MidiStore::kMaxRecords, MidiStore::kMaxRecords + 1}) {
        std::string bytes = "var midi = [\r\n";
        for (int n = 1; n <= records; ++n) {
            bytes += "\"" + std::to_string(n % 9000 + 1) + "\",\r\n";
            for (int c = 0; c < kMidiChannels; ++c)
                bytes += "\"\",\r\n";
        }
        bytes += " ];\r\n";
        TempInstallation stand;
        stand.write(kMidiFileName, bytes);
        MidiStore store;
        store.load(stand.installation());
        ASSERT_EQ(store.recordCount(), records);

        FileResult refused = store.save(stand.installation(), 9500, gridOf({}));
        EXPECT_FALSE(refused.ok);
        EXPECT_NE(refused.error.find("170000"), std::string::npos) << refused.error;
        EXPECT_EQ(stand.read(kMidiFileName), bytes);

        ASSERT_TRUE(store.save(stand.installation(), 42, gridOf({})).ok);
        MidiStore reloaded;
        reloaded.load(stand.installation());
        EXPECT_EQ(reloaded.recordCount(), records);
        EXPECT_EQ(reloaded.record(records).entryKey, std::to_string(records % 9000 + 1));
        EXPECT_LE(store.heldBytes(), 2 * bytes.size());
    }
}

} // namespace
} // namespace folio
