#include "core/absorption/absorption_undo.h"
#include "core/absorption/score_import.h"
#include "support/fault_injection.h"
#include "support/rows.h"
#include "support/temp_installation.h"

#include <gtest/gtest.h>

namespace folio {
namespace {

using test::TempInstallation;

// A stand of n entries "Own k", saved, with the placeholder page.
struct Stand {
    explicit Stand(int n) {
        for (int k = 1; k <= n; ++k)
            archive.slot(k) = {std::to_string(k), "Own " + std::to_string(k), "", "", "1"};
        archive.setEntryCount(n);
        EXPECT_TRUE(saveArchive(archive, stand.installation()).ok);
        stand.write("spartiti\\m.jpg", "placeholder");
    }
    TempInstallation stand;
    ScoreArchive archive;
};

NewScore score(const std::string& title, const std::string& left, const std::string& right) {
    return {{"", title, "Bach", "imported", "3"}, left, right};
}

TEST(ScoreImport, titlesInArchive_matchAsTheFindBoxMatches) {
    ScoreArchive archive;
    archive.slot(1).title = "Canon in D";
    archive.slot(2).title = "F\xFCr Elise";
    archive.slot(3).title = "Toccata";
    archive.slot(4).title = "Beyond the count";
    archive.setEntryCount(3);
    const TitlesInArchive titles(archive);
    struct Row {
        const char* what;
        std::string title;
        bool held;
    };
    const Row rows[] = {
        {"the same title", "Canon in D", true},
        {"letter case does not count", "CANON IN d", true},
        {"accents do not count", "Fur elise", true},
        {"doubled letters do not count", "Tocata", true},
        {"a part of a title is another score", "Canon", false},
        {"a longer title is another score", "Canon in D major", false},
        {"only entries up to the count", "Beyond the count", false},
    };
    test::forEachRow(rows, [&](const Row& row) { EXPECT_EQ(titles.holds(row.title), row.held); });
}

TEST(ScoreImport, scoresWritten_areSavedOnceBesideWhatWasMovedAsideAndUndoneAsOne) {
    Stand here(2);
    here.stand.write("spartiti\\3L.jpg", "stranger left");
    here.stand.write("spartiti\\audio\\3.mp3", "stranger song");
    const std::size_t versionsBefore = listVersions(here.stand.installation()).size();

    ScoreImport import(here.archive, here.stand.installation(), "2026-12-08 10-31-00");
    EXPECT_EQ(import.room(), ScoreArchive::kMaxEntries - 2);
    ASSERT_TRUE(import.write(score("Prelude", "left 3", "right 3")).ok);
    ASSERT_TRUE(import.write(score("Single page", "left 4", "")).ok);
    const ImportResult done = import.finish(here.archive);

    ASSERT_TRUE(done.saved) << done.error;
    EXPECT_EQ(done.firstNumber, 3);
    EXPECT_EQ(done.count, 2);
    EXPECT_EQ(here.archive.entryCount(), 4);
    EXPECT_EQ(here.archive.slot(4), (ScoreEntry{"4", "Single page", "Bach", "imported", "3"}));
    EXPECT_EQ(here.stand.read("spartiti\\3L.jpg"), "left 3");
    EXPECT_EQ(here.stand.read("spartiti\\3R.jpg"), "right 3");
    EXPECT_EQ(here.stand.read("spartiti\\4L.jpg"), "left 4");
    EXPECT_EQ(here.stand.read("spartiti\\4R.jpg"), "placeholder");
    EXPECT_FALSE(here.stand.exists("spartiti\\audio\\3.mp3"));
    // One version of the archive, in the folder that holds what was moved aside.
    const std::vector<Version> versions = listVersions(here.stand.installation());
    ASSERT_EQ(versions.size(), versionsBefore + 1);
    EXPECT_EQ(versions.front().what, "absorption");
    const std::string aside = "spartiti\\backup\\2026-12-08 10-31-00 absorption\\";
    EXPECT_EQ(versions.front().folder, here.stand.path(aside));
    EXPECT_EQ(here.stand.read(aside + "3L.jpg"), "stranger left");
    EXPECT_EQ(here.stand.read(aside + "3.mp3"), "stranger song");

    const LastAbsorption last = lastAbsorption(here.stand.installation());
    EXPECT_EQ(last.state, UndoState::Available);
    EXPECT_TRUE(last.imported);
    const UndoReport undone = undoLastAbsorption(here.stand.installation());
    ASSERT_TRUE(undone.ok) << undone.error;
    EXPECT_EQ(undone.entriesRemoved, 2);
    ScoreArchive after;
    EXPECT_EQ(loadArchive(after, here.stand.installation()), ArchiveLoad::Loaded);
    EXPECT_EQ(after.entryCount(), 2);
    EXPECT_EQ(here.stand.read("spartiti\\3L.jpg"), "stranger left");
    EXPECT_EQ(here.stand.read("spartiti\\audio\\3.mp3"), "stranger song");
    EXPECT_FALSE(here.stand.exists("spartiti\\4L.jpg"));
    EXPECT_FALSE(here.stand.exists("spartiti\\4R.jpg"));
}

TEST(ScoreImport, aScoreThatCannotBeWrittenWhole_leavesNothingOfItself) {
    struct Row {
        const char* what;
        std::function<void(Stand&)> arrange;
        std::function<FileResult(ScoreImport&)> write;
        const char* leftThen; // the left page after the write; "" for none
        const char* error;
    };
    const Row rows[] = {
        {"a page in the way that cannot be moved aside is never overwritten",
         [](Stand& s) {
             s.stand.write("spartiti\\backup", "a file, not a folder");
             s.stand.write("spartiti\\3L.jpg", "stranger left");
         },
         [](ScoreImport& import) { return import.write(score("T", "left", "right")); },
         "stranger left", "3L.jpg\" is in the way and could not be moved aside"},
#ifndef _WIN32
        {"a right page that cannot be written takes its left page with it", [](Stand&) {},
         [](ScoreImport& import) {
             const std::string big(64 * 1024, 'r');
             int result = test::runWithFileSizeLimit(
                 16 * 1024, [&] { return import.write(score("T", "left", big)).ok ? 1 : 0; });
             // The child wrote in the same folder; this process checks what it left.
             return result == 0 ? FileResult::failure("the right page failed")
                                : FileResult::success();
         },
         "", "the right page failed"},
#endif
    };
    test::forEachRow(rows, [](const Row& row) {
        Stand here(2);
        row.arrange(here);
        const std::string archiveBefore = here.stand.read("spartiti\\archivio.js");
        ScoreImport import(here.archive, here.stand.installation(), "2026-12-08 10-31-00");
        const FileResult written = row.write(import);
        EXPECT_FALSE(written.ok);
        EXPECT_NE(written.error.find(row.error), std::string::npos) << written.error;
        EXPECT_EQ(here.stand.read("spartiti\\3L.jpg"), row.leftThen);
        EXPECT_FALSE(here.stand.exists("spartiti\\3R.jpg"));
        EXPECT_EQ(here.stand.temporaryFileCount(), 0);
        // Nothing written: nothing is saved.
        EXPECT_FALSE(import.finish(here.archive).saved);
        EXPECT_EQ(here.stand.read("spartiti\\archivio.js"), archiveBefore);
        EXPECT_EQ(here.archive.entryCount(), 2);
    });
}

// The archive's room is counted before each score: at 9998 entries one score is written as
// 9999, and the next is refused without a page of its own.
TEST(ScoreImport, aFullArchive_takesNoScoreBeyondItsRoom) {
    Stand here(ScoreArchive::kMaxEntries - 1);
    ScoreImport import(here.archive, here.stand.installation(), "2026-12-08 10-31-00");
    ASSERT_TRUE(import.write(score("Last", "left", "right")).ok);
    const FileResult refused = import.write(score("One too many", "left", "right"));
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.error.find("The archive is full"), std::string::npos) << refused.error;
    EXPECT_FALSE(here.stand.exists("spartiti\\10000L.jpg"));
    EXPECT_TRUE(import.finish(here.archive).saved);
    EXPECT_EQ(here.archive.entryCount(), ScoreArchive::kMaxEntries);
}

} // namespace
} // namespace folio
