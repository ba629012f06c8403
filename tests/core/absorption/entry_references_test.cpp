// Playlist tracks and MIDI set-ups follow the scores of the archive: those of scores gone are
// taken out, those of moved scores renumbered, and everything else keeps its bytes.
#include "core/absorption/absorption.h"
#include "core/absorption/absorption_undo.h"
#include "core/absorption/entry_references.h"
#include "core/midi/midi_store.h"
#include "core/playlists/playlist_store.h"
#include "support/data_files.h"
#include "support/rows.h"
#include "support/temp_installation.h"

#include <gtest/gtest.h>

namespace folio {
namespace {

using test::midiFile;
using test::midiRecord;

// Scores 13 to 14 gone, and (for the moved rows) the scores after them two places down.
std::optional<int> removeThirteenAndFourteen(int entry) {
    if (entry == 13 || entry == 14)
        return std::nullopt;
    return entry > 14 ? entry - 2 : entry;
}

TEST(EntryReferences, trackStrings_loseTheTracksOfScoresGoneAndKeepEveryOtherPart) {
    struct Row {
        const char* what;
        std::string tracks;
        std::string renumbered;
        std::vector<int> placesGone;
    };
    const Row rows[] = {
        {"nothing to change comes back byte for byte", "1, 2 ,12,#", "1, 2 ,12,#", {}},
        {"the first, a middle and the last track", "13,5,14,7,13,#", "5,7,#", {1, 3, 5}},
        {"every track gone", "13,14,#", "#", {1, 2}},
        {"moved scores get their new numbers", "15,3,40,#", "13,3,38,#", {}},
        {"parts that name no score stay as they stood", "x,13,,0,99999,#", "x,,0,99999,#", {1}},
        {"blanks around a gone track go with it", " 13 ,2,#", "2,#", {1}},
        {"what follows the last comma stays", "13,2,end", "2,end", {1}},
        {"no comma at all", "13", "13", {}},
    };
    test::forEachRow(rows, [](const Row& row) {
        EXPECT_EQ(renumberedTracks(row.tracks, removeThirteenAndFourteen), row.renumbered);
        EXPECT_EQ(tracksGone(row.tracks, removeThirteenAndFourteen), row.placesGone);
    });
}

TEST(EntryReferences, midiRecords_ofScoresGoneAreLeftOutAndTheRestKeepTheirBytes) {
    struct Row {
        const char* what;
        std::string file;
        std::string renumbered;
        std::vector<int> gone;
    };
    const std::vector<std::string> twelve = midiRecord("12", {"000,000,077"});
    const std::vector<std::string> fifteen = midiRecord("15", {"001,002,003"});
    const std::vector<std::string> keyed013 = midiRecord("013", {"000,000,001"});
    const std::vector<std::string> keyed14 = midiRecord("14", {"000,000,002"});
    const std::vector<std::string> noEntry = midiRecord("x", {"000,000,004"});
    const std::vector<std::string> thirteen = midiRecord("13", {"001,002,003"});
    const Row rows[] = {
        {"keys written \"013\" and \"14\" both go, in file order",
         midiFile({twelve, keyed013, noEntry, keyed14}),
         midiFile({twelve, noEntry}),
         {13, 14}},
        {"a moved record is written under its new number",
         midiFile({fifteen, twelve}),
         midiFile({thirteen, twelve}),
         {}},
        {"nothing gone, nothing moved",
         midiFile({twelve, noEntry}),
         midiFile({twelve, noEntry}),
         {}},
    };
    test::forEachRow(rows, [](const Row& row) {
        MidiStore store;
        store.read(row.file);
        EXPECT_EQ(store.renumberedBytes(removeThirteenAndFourteen), row.renumbered);
        EXPECT_EQ(store.entriesGone(removeThirteenAndFourteen), row.gone);
    });
}

// The undo of an import or an absorption takes the tracks and set-ups of the scores it takes
// out with them, keeping versions of both files first; a score imported later under the same
// number starts without them.
TEST(EntryReferences, undoLastAbsorption_takesTheTracksAndSetUpsOfItsScoresOut) {
    test::TempInstallation stand;
    test::TempInstallation other;
    ScoreArchive archive;
    archive.slot(1) = {"1", "Own", "", "", "1"};
    archive.setEntryCount(1);
    ASSERT_TRUE(saveArchive(archive, stand.installation()).ok);
    other.write("spartiti\\archivio.js", test::songArchive(2, "Theirs"));
    SourceArchive source;
    loadSourceArchive(other.root(), source);
    const std::string stamp = "2026-03-04 05-06-07";
    const Absorption done =
        appendAndWrite(archive, stand.installation(), other.root(), source.entries, stamp);
    ASSERT_TRUE(
        recordAbsorption(stand.installation(), done, attachFiles(done, stand.installation(), stamp))
            .ok);
    // Made after the absorption: tracks and a set-up for the scores 2 and 3 it added.
    const std::string playlists =
        playlistFileBytes({{"Set 1", "1,2,1,3,#"}, {"Encores", "3,#"}, {"Untouched", "1,#"}});
    stand.write("spartiti\\playlist.js", playlists);
    const std::string midi =
        midiFile({midiRecord("1", {"000,000,001"}), midiRecord("002", {"000,000,077"})});
    stand.write("spartiti\\midi.js", midi);

    const EntryReferences before = referencesGone(stand.installation(), withoutEntries(2, 3));
    ASSERT_EQ(before.playlists.size(), 2u);
    EXPECT_EQ(before.playlists[0].name, "Set 1");
    EXPECT_EQ(before.playlists[0].places, (std::vector<int>{2, 4}));
    EXPECT_EQ(before.midiEntries, std::vector<int>{2});

    const UndoReport undone = undoLastAbsorption(stand.installation());
    ASSERT_TRUE(undone.ok) << undone.error;
    EXPECT_EQ(undone.referencesError, "");
    EXPECT_EQ(stand.read("spartiti\\playlist.js"),
              playlistFileBytes({{"Set 1", "1,1,#"}, {"Encores", "#"}, {"Untouched", "1,#"}}));
    EXPECT_EQ(stand.read("spartiti\\midi.js"), midiFile({midiRecord("1", {"000,000,001"})}));
    ASSERT_EQ(undone.referencesGone.playlists.size(), 2u);
    EXPECT_EQ(undone.referencesGone.playlists[1].name, "Encores");
    EXPECT_EQ(undone.referencesGone.midiEntries, std::vector<int>{2});

    // Both files as they were are kept as versions, as the undo keeps the archive.
    int kept = 0;
    for (const Version& version : listVersions(stand.installation())) {
        if (version.what != "restore" || version.file == DataFile::Archive)
            continue;
        ++kept;
        EXPECT_EQ(readWholeFile(version.dataPath(), 1 << 20).bytes,
                  version.file == DataFile::Playlists ? playlists : midi);
    }
    EXPECT_EQ(kept, 2);
}

} // namespace
} // namespace folio
