// Taking scores out of the archive: everything after them is renumbered as one transaction, and
// a removal stopped after any step is completed or rolled back from its journal.
#include "core/archive/score_archive.h"
#include "core/midi/midi_store.h"
#include "core/playlists/playlist_store.h"
#include "core/removal/removal.h"
#include "support/data_files.h"
#include "support/fault_injection.h"
#include "support/rows.h"
#include "support/temp_installation.h"

#include <gtest/gtest.h>
#include <map>

namespace folio {
namespace {

namespace fs = std::filesystem;
using test::TempInstallation;

constexpr int kEntries = 6;
const std::string kStamp = "2026-05-06 07-08-09";

// Six scores, each with its two pages, the even ones with a recording; a playlist naming every
// score and a number past the archive; MIDI set-ups keyed "002", "5" and "6".
void writeStand(TempInstallation& stand, const std::string& tags = "t") {
    std::vector<ScoreEntry> entries = test::songs(kEntries, {"", "", "Author", tags, "0"});
    stand.write("spartiti\\archivio.js", test::archiveFile(entries));
    for (int n = 1; n <= kEntries; ++n) {
        stand.write("spartiti\\" + std::to_string(n) + "L.jpg", "left " + std::to_string(n));
        stand.write("spartiti\\" + std::to_string(n) + "R.jpg", "right " + std::to_string(n));
        if (n % 2 == 0)
            stand.write("spartiti\\audio\\" + std::to_string(n) + ".mp3",
                        "sound " + std::to_string(n));
    }
    stand.write("spartiti\\playlist.js",
                playlistFileBytes({{"Set 1", "1,2,3,4,5,6,9,#"}, {"Encores", "6,2,#"}}));
    stand.write("spartiti\\midi.js", test::midiFile({test::midiRecord("002", {"000,000,002"}),
                                                     test::midiRecord("5", {"000,000,005"}),
                                                     test::midiRecord("6", {"000,000,006"})}));
}

// What the stand holds outside its backup folder.
std::map<std::string, std::string> standFiles(const TempInstallation& stand) {
    std::map<std::string, std::string> files = test::folderContents(stand.root());
    std::erase_if(files,
                  [](const auto& file) { return file.first.find("backup") != std::string::npos; });
    return files;
}

RemovalPlan planOf(std::vector<int> removed) {
    std::string why;
    const std::optional<RemovalPlan> plan = planRemoval(kEntries, std::move(removed), why);
    EXPECT_TRUE(plan) << why;
    return plan.value_or(RemovalPlan{});
}

TEST(Removal, plans_refuseWhatIsNoScoreAndNumberTheRestDown) {
    struct Row {
        const char* what;
        std::vector<int> removed;
        std::vector<std::optional<int>> after; // of entries 1 to 6
        int firstMoved;
        const char* refusal; // nullptr: planned
    };
    const std::optional<int> gone;
    const Row rows[] = {
        {"the first", {1}, {gone, 1, 2, 3, 4, 5}, 2, nullptr},
        {"a middle one", {3}, {1, 2, gone, 3, 4, 5}, 4, nullptr},
        {"the last: nothing moves", {6}, {1, 2, 3, 4, 5, gone}, 0, nullptr},
        {"scattered, named twice and out of order",
         {5, 2, 5},
         {1, gone, 2, 3, gone, 4},
         3,
         nullptr},
        {"none", {}, {}, 0, "No score was chosen"},
        {"past the last", {7}, {}, 0, "There is no score 7"},
        {"zero", {0, 3}, {}, 0, "There is no score 0"},
    };
    test::forEachRow(rows, [](const Row& row) {
        std::string why;
        const std::optional<RemovalPlan> plan = planRemoval(kEntries, row.removed, why);
        ASSERT_EQ(plan.has_value(), row.refusal == nullptr) << why;
        if (!plan) {
            EXPECT_TRUE(why.starts_with(row.refusal)) << why;
            return;
        }
        for (int entry = 1; entry <= kEntries; ++entry)
            EXPECT_EQ(plan->newNumber(entry), row.after[static_cast<std::size_t>(entry - 1)])
                << entry;
        EXPECT_EQ(plan->firstMoved(), row.firstMoved);
        // Numbers past the archive name no score: tracks and set-ups keep them.
        EXPECT_EQ(plan->renumbering()(40), 40);
    });
}

TEST(Removal, scattered_renumbersPagesRecordingsTracksAndSetUpsByteForByte) {
    TempInstallation stand;
    writeStand(stand);
    const RemovalReport report = removeScores(stand.installation(), planOf({2, 5}), kStamp);
    ASSERT_TRUE(report.ok) << report.error;
    EXPECT_EQ(report.done, report.steps);

    // Scores 1, 3, 4, 6 become 1 to 4, each with its own files.
    std::vector<ScoreEntry> kept = test::songs(kEntries, {"", "", "Author", "t", "0"});
    kept.erase(kept.begin() + 4);
    kept.erase(kept.begin() + 1);
    EXPECT_EQ(stand.read("spartiti\\archivio.js"), test::archiveFile(kept));
    const std::map<std::string, std::string> expected = {
        {"spartiti/1L.jpg", "left 1"},       {"spartiti/1R.jpg", "right 1"},
        {"spartiti/2L.jpg", "left 3"},       {"spartiti/2R.jpg", "right 3"},
        {"spartiti/3L.jpg", "left 4"},       {"spartiti/3R.jpg", "right 4"},
        {"spartiti/audio/3.mp3", "sound 4"}, {"spartiti/4L.jpg", "left 6"},
        {"spartiti/4R.jpg", "right 6"},      {"spartiti/audio/4.mp3", "sound 6"},
    };
    std::map<std::string, std::string> pages = standFiles(stand);
    std::erase_if(pages, [](const auto& file) {
        return !file.first.ends_with(".jpg") && !file.first.ends_with(".mp3");
    });
    EXPECT_EQ(pages, expected);
    EXPECT_EQ(stand.read("spartiti\\playlist.js"),
              playlistFileBytes({{"Set 1", "1,2,3,4,9,#"}, {"Encores", "4,#"}}));
    EXPECT_EQ(stand.read("spartiti\\midi.js"),
              test::midiFile({test::midiRecord("4", {"000,000,006"})}));
    // The files of the scores taken out are kept in the removal's folder, never deleted.
    const std::string folder = "spartiti\\backup\\" + kStamp + " removal\\removed\\";
    EXPECT_EQ(stand.read(folder + "2L.jpg"), "left 2");
    EXPECT_EQ(stand.read(folder + "2.mp3"), "sound 2");
    EXPECT_EQ(stand.read(folder + "5R.jpg"), "right 5");
    ASSERT_EQ(report.referencesGone.playlists.size(), 2u);
    EXPECT_EQ(report.referencesGone.playlists[0].places, (std::vector<int>{2, 5}));
    EXPECT_EQ(report.referencesGone.midiEntries, (std::vector<int>{2, 5}));

    // The removal is undone byte for byte while the archive is what it wrote.
    const std::optional<RemovalJournal> journal =
        readRemovalJournal(stand.installation(), report.folder);
    ASSERT_TRUE(journal);
    EXPECT_TRUE(journal->finished);
    EXPECT_FALSE(unfinishedRemoval(stand.installation()));
    TempInstallation before;
    writeStand(before);
    const RemovalReport undone = rollBackRemoval(stand.installation(), *journal);
    ASSERT_TRUE(undone.ok) << undone.error;
    EXPECT_EQ(standFiles(stand), standFiles(before));
}

// A merge re-points what named the others before they are removed: every track, and one MIDI
// set-up only when the kept score has none; a file with nothing to change is not written.
// A merge re-points the tracks of the scores merged and moves one MIDI set-up to a kept score
// without one, in the removal's transaction: its rollback gives back the files before the merge.
TEST(Removal, merge_repointsTracksMovesOneSetUpOnlyToAScoreWithout_andRollsBackWhole) {
    struct Row {
        const char* what;
        int kept;
        std::vector<int> others;
        std::string playlists; // bytes afterwards
        std::string midi;
        std::vector<std::vector<int>> places; // re-pointed, per playlist named
        int setUpFrom;
    };
    const Row rows[] = {
        {"into a score without a set-up: the first in the file moves",
         4,
         {6, 2},
         playlistFileBytes({{"Set 1", "1,3,2,3,4,3,9,#"}, {"Encores", "3,3,#"}}),
         test::midiFile(
             {test::midiRecord("3", {"000,000,002"}), test::midiRecord("4", {"000,000,005"})}),
         {{2, 6}, {1, 2}},
         2},
        {"into a score with its own set-up: none moves",
         5,
         {6},
         playlistFileBytes({{"Set 1", "1,2,3,4,5,5,9,#"}, {"Encores", "5,2,#"}}),
         test::midiFile(
             {test::midiRecord("002", {"000,000,002"}), test::midiRecord("5", {"000,000,005"})}),
         {{6}, {1}},
         0},
    };
    test::forEachRow(rows, [&](const Row& row) {
        TempInstallation stand;
        writeStand(stand);
        const std::map<std::string, std::string> before = standFiles(stand);
        const MergeReferences planned = mergeReferences(stand.installation(), row.kept, row.others);
        EXPECT_EQ(planned.setUpFrom, row.setUpFrom);
        ASSERT_EQ(planned.tracks.size(), row.places.size());
        for (std::size_t k = 0; k < row.places.size(); ++k)
            EXPECT_EQ(planned.tracks[k].places, row.places[k]) << k;

        RemovalPlan plan = planOf(row.others);
        plan.mergedInto = row.kept;
        const RemovalReport report = removeScores(stand.installation(), plan, kStamp);
        ASSERT_TRUE(report.ok) << report.error;
        EXPECT_EQ(stand.read("spartiti\\playlist.js"), row.playlists);
        EXPECT_EQ(stand.read("spartiti\\midi.js"), row.midi);

        // Read back from its journal, it is the same merge; rolled back, the stand is as before.
        const std::optional<RemovalJournal> journal = lastRemoval(stand.installation());
        ASSERT_TRUE(journal);
        EXPECT_EQ(journal->plan.mergedInto, row.kept);
        const RemovalReport back = rollBackRemoval(stand.installation(), *journal);
        ASSERT_TRUE(back.ok) << back.error;
        EXPECT_EQ(standFiles(stand), before);
    });
}

// A removal stopped after any of its steps, as by a crash, is found at the next start; its
// completion gives the stand a removal that ran through gives, and its rollback the stand before.
TEST(Removal, stoppedAfterEveryStep_completesOrRollsBackByteForByte) {
    TempInstallation through;
    writeStand(through);
    const RemovalPlan plan = planOf({1, 4});
    const RemovalReport ran = removeScores(through.installation(), plan, kStamp);
    ASSERT_TRUE(ran.ok) << ran.error;
    const std::map<std::string, std::string> removed = standFiles(through);
    TempInstallation untouched;
    writeStand(untouched);
    const std::map<std::string, std::string> before = standFiles(untouched);

    for (std::size_t stop = 0; stop <= ran.steps; ++stop) {
        for (const bool complete : {true, false}) {
            SCOPED_TRACE(::testing::Message() << "stopped before step " << stop
                                              << (complete ? ", completed" : ", rolled back"));
            TempInstallation stand;
            writeStand(stand);
            const RemovalReport stopped =
                removeScores(stand.installation(), plan, kStamp,
                             [stop](std::size_t step) { return step != stop; });
            if (stop == ran.steps) {
                ASSERT_TRUE(stopped.ok);
                continue;
            }
            ASSERT_FALSE(stopped.ok);
            const std::optional<RemovalJournal> journal = unfinishedRemoval(stand.installation());
            ASSERT_TRUE(journal);
            EXPECT_EQ(journal->done, stop);
            const RemovalReport after = complete ? completeRemoval(stand.installation(), *journal)
                                                 : rollBackRemoval(stand.installation(), *journal);
            ASSERT_TRUE(after.ok) << after.error;
            EXPECT_EQ(standFiles(stand), complete ? removed : before);
            EXPECT_FALSE(unfinishedRemoval(stand.installation()));
        }
    }
}

#ifndef _WIN32
// A step that fails takes back every step before it: the stand is as it was, and the journal
// says so.
TEST(Removal, aWriteThatFails_takesEveryStepBack) {
    TempInstallation stand;
    // Long tags make archivio.js the one file past the limit.
    writeStand(stand, std::string(3000, 't'));
    const std::map<std::string, std::string> before = standFiles(stand);
    RemovalReport report;
    {
        test::FileSizeLimit limit(8000);
        report = removeScores(stand.installation(), planOf({2}), kStamp);
    }
    EXPECT_FALSE(report.ok);
    EXPECT_FALSE(report.error.empty());
    EXPECT_EQ(report.done, 0u);
    EXPECT_EQ(standFiles(stand), before);
    const std::optional<RemovalJournal> journal =
        readRemovalJournal(stand.installation(), report.folder);
    ASSERT_TRUE(journal);
    EXPECT_TRUE(journal->rolledBack);
    EXPECT_FALSE(unfinishedRemoval(stand.installation()));
}
#endif

TEST(Removal, journals_inAnyOtherFormAreNeverActedOn) {
    TempInstallation stand;
    writeStand(stand);
    const RemovalReport report = removeScores(stand.installation(), planOf({6}), kStamp);
    ASSERT_TRUE(report.ok) << report.error;
    const fs::path journal = report.folder / "journal.txt";
    const std::string written = stand.read("spartiti\\backup\\" + kStamp + " removal\\journal.txt");
    struct Row {
        const char* what;
        std::string text;
    };
    const Row rows[] = {
        {"a rename out of the stand", written + "step rename spartiti\\1L.jpg\t..\\..\\x.jpg\n"},
        {"a version elsewhere", written + "kept playlist.js ../../etc\n"},
        {"a mark of no kind", written + "forgotten\n"},
        {"a score past the count", "folioscribe removal 1\ncount 6\nremoved 7\n"},
        {"another first line", "removal\ncount 6\nremoved 1\n"},
        {"merged into a score it removes",
         "folioscribe removal 1\ncount 6\nremoved 2\nmerged into 2\n"},
    };
    test::forEachRow(rows, [&](const Row& row) {
        ASSERT_TRUE(rewriteAtomically(journal, row.text).ok);
        EXPECT_FALSE(readRemovalJournal(stand.installation(), report.folder));
    });
}

} // namespace
} // namespace folio
