// Finding scores over the folded titles, authors and tags.
#include "core/archive/score_search.h"

#include <gtest/gtest.h>

namespace folio {
namespace {

TEST(FoldForSearchTest, foldsWindows1252LettersToPlainLowerCase) {
    const struct {
        std::string_view text;
        std::string_view folded;
    } cases[] = {
        {"\xC0\xC9\xCE\xD5\xDC\xE0\xE9\xEE\xF5\xFC", "aeiouaeiou"},
        {"\xC7\xE7 \xD1\xF1 \xD8\xF8 \xDD\xFD\xFF\x9F", "c n o y"},
        {"\xC6gir \xE6on", "aegir aeon"},
        {"Stra\xDF"
         "e",
         "strase"},
        {"\x8A\x9A\x8E\x9E \x8C\x9C \x83 \xDE\xFE \xD0\xF0", "sz oeoe f thth d"},
        {"Caff\xE8", "cafe"},
        // Only letters fold: digits, signs and the multiplication sign stay as they are.
        {"Op. 111 \xD7 2 \xF7 \xBD", "op. 111 \xD7 2 \xF7 \xBD"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(foldForSearch(c.text), c.folded) << c.text;
}

class ScoreSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        const ScoreEntry entries[] = {
            {"1", "Caff\xE8 Latte", "Verdi", "jazz", "0"},
            {"2", "\xC9tude in C", "Chopin", "piano", "0"},
            {"3",
             "Stra\xDF"
             "e",
             "\x8Aostakovich", "\x8Cuvre", "0"},
            {"4", "Ave Maria", "Verdi", "choir", "0"},
            {"5", "B\xE9la", "Bart\xF3k", "folk", "0"},
            {"6", "Toccata", "Bach", "organ", "0"},
            {"7", "Sonata Op. 111", "Beethoven", "", "0"},
            {"8", "Sonata Op. 11", "Mozart", "", "0"},
        };
        for (const ScoreEntry& entry : entries)
            archive.slot(std::stoi(entry.number)) = entry;
        archive.setEntryCount(8);
        // Typed into the empty slot after the last entry, never added.
        archive.slot(9).title = "Requiem";
        search.rebuild(archive);
    }

    ScoreArchive archive;
    ScoreSearch search;
};

TEST_F(ScoreSearchTest, find_matchesFoldedFieldsAndWrapsAround) {
    using D = ScoreSearch::Direction;
    const struct {
        std::string_view query;
        int position;
        D direction;
        int entry, index, count;
    } cases[] = {
        {"cafe", 1, D::FromHere, 1, 1, 1},
        {"etude", 4, D::FromHere, 2, 1, 1},
        {"sostakovich", 1, D::FromHere, 3, 1, 1},
        {"oeuvre", 1, D::FromHere, 3, 1, 1},
        {"verdi", 1, D::FromHere, 1, 1, 2},
        {"verdi", 2, D::FromHere, 4, 2, 2},
        {"verdi", 1, D::Next, 4, 2, 2},
        {"verdi", 4, D::Next, 1, 1, 2},
        {"verdi", 4, D::Previous, 1, 1, 2},
        {"verdi", 1, D::Previous, 4, 2, 2},
        {"verdi", 9, D::FromHere, 1, 1, 2},
        {"verdi", 9, D::Previous, 4, 2, 2},
        {"sonata", 8, D::Next, 7, 1, 2},
        {"Op. 111", 1, D::FromHere, 7, 1, 1},
        {"Op. 11", 1, D::FromHere, 7, 1, 2},
        // A query never runs from one field into the next.
        {"lattever", 1, D::FromHere, 0, 0, 0},
        // The slot after the last entry is no entry until "Add".
        {"requiem", 1, D::FromHere, 0, 0, 0},
        {"no such score", 1, D::FromHere, 0, 0, 0},
        {"", 1, D::Next, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const ScoreSearch::Found found = search.find(c.query, c.position, c.direction);
        EXPECT_EQ(found.entry, c.entry) << c.query << " from " << c.position;
        EXPECT_EQ(found.index, c.index) << c.query << " from " << c.position;
        EXPECT_EQ(found.count, c.count) << c.query << " from " << c.position;
    }
}

TEST_F(ScoreSearchTest, update_followsEditsAndAddedEntries) {
    archive.slot(2).title = "Nocturne";
    search.update(archive, 2);
    EXPECT_EQ(search.matches("etude"), std::vector<int>{});
    EXPECT_EQ(search.matches("nocturne"), std::vector<int>{2});

    archive.setEntryCount(9);
    search.update(archive, 9);
    EXPECT_EQ(search.matches("requiem"), std::vector<int>{9});
    EXPECT_EQ(search.matches("e"), (std::vector<int>{1, 2, 3, 4, 5, 7, 9}));

    search.update(archive, ScoreArchive::kSlotCount);
    EXPECT_EQ(search.matches("requiem"), std::vector<int>{9});
}

} // namespace
} // namespace folio
