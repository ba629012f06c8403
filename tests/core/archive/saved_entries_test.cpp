#include "core/archive/saved_entries.h"
#include "support/rows.h"

#include <functional>
#include <gtest/gtest.h>

namespace folio {
namespace {

// What the main window asks before leaving and names in its questions: the entries that differ
// from the last load or save, however they came to differ.
TEST(SavedEntries, changedEntries_areEditedAddedOrGone) {
    struct Row {
        const char* what;
        std::function<void(ScoreArchive&)> change;
        std::vector<int> changed;
    };
    const Row rows[] = {
        {"nothing", [](ScoreArchive&) {}, {}},
        {"a title edited", [](ScoreArchive& a) { a.slot(2).title = "Other"; }, {2}},
        {"a category set", [](ScoreArchive& a) { a.slot(3).category = "7"; }, {3}},
        {"edited and put back", [](ScoreArchive& a) { a.slot(1).author = "Ann"; }, {}},
        {"a field's text moved to the next field",
         [](ScoreArchive& a) {
             a.slot(1).title = "Song 1Ann";
             a.slot(1).author = "";
         },
         {1}},
        {"an entry added",
         [](ScoreArchive& a) {
             a.slot(4) = {"4", "New", "", "", "0"};
             a.setEntryCount(4);
         },
         {4}},
        {"entries gone", [](ScoreArchive& a) { a.setEntryCount(1); }, {2, 3}},
    };
    test::forEachRow(rows, [](const Row& row) {
        ScoreArchive archive;
        for (int n = 1; n <= 3; ++n)
            archive.slot(n) = {std::to_string(n), "Song " + std::to_string(n), "Ann", "", "0"};
        archive.setEntryCount(3);
        SavedEntries saved;
        saved.take(archive);
        EXPECT_EQ(saved.size(), 3u);
        row.change(archive);
        EXPECT_EQ(saved.changedIn(archive), row.changed);
        EXPECT_EQ(saved.anyChangedIn(archive), !row.changed.empty());
        saved.take(archive);
        EXPECT_TRUE(saved.changedIn(archive).empty());
    });
}

} // namespace
} // namespace folio
