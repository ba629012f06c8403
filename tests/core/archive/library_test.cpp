#include "core/archive/library.h"
#include "support/data_files.h"
#include "support/rows.h"
#include "support/temp_installation.h"

#include <gtest/gtest.h>

namespace folio {
namespace {

using test::TempInstallation;

// Six scores, their pages, recordings, MIDI set-ups and playlists as a stand holds them.
struct Library {
    Library() {
        const ScoreEntry entries[] = {
            {"1", "Sonata 10", "Mozart", "piano", "2"}, {"2", "\xC9tude", "Chopin", "piano", "0"},
            {"3", "sonata 2", "Mozart", "", "1"},       {"4", "Ave Maria", "Verdi", "choir", "7"},
            {"5", "Etude", "chopin", "", ""},           {"6", "Zelda", "Nobody", "jazz", "1"},
        };
        for (const ScoreEntry& entry : entries)
            archive.slot(std::stoi(entry.number)) = entry;
        archive.setEntryCount(6);
        search.rebuild(archive);
        names[1] = "Jazz";
        names[2] = "Classical";
        stand.write("spartiti\\m.jpg", "placeholder");
        stand.write("spartiti\\1L.jpg", "left 1");
        stand.write("spartiti\\1R.jpg", "placeholder");
        stand.write("spartiti\\2L.jpg", "left 2");
        stand.write("spartiti\\2R.jpg", "right 2");
        stand.write("spartiti\\4R.jpg", "right 4");
        stand.write("spartiti\\07L.jpg", "not an entry's name");
        stand.write("spartiti\\audio\\2.mp3", "take");
        stand.write("spartiti\\audio\\6.mp3", "take");
        stand.write("spartiti\\midi.js", test::midiFile({test::midiRecord("4", {"1,2,3"})}));
        stand.write("spartiti\\playlist.js", "var playlist = [\r\n\"Gig\",\"2,4,2,#\",\r\n"
                                             "\"Rehearsal\",\"4,#\",\r\n ];\r\n");
        facts = readEntryFacts(stand.installation(), archive.entryCount());
    }
    std::vector<int> rows(LibraryQuery query) const {
        return libraryRows(archive, facts, search, names, query);
    }
    TempInstallation stand;
    ScoreArchive archive;
    ScoreSearch search;
    CategoryNames names;
    std::vector<EntryFacts> facts;
};

TEST(Library, factsComeFromOneListingOfTheStand) {
    const Library library;
    ASSERT_EQ(library.facts.size(), 7u);
    const auto& f = library.facts;
    EXPECT_EQ(f[1].left, FileState::Present);
    EXPECT_EQ(f[1].right, FileState::Placeholder);
    EXPECT_EQ(f[2].right, FileState::Present);
    EXPECT_EQ(f[4].left, FileState::Missing);
    EXPECT_EQ(f[6].recording, FileState::Present);
    EXPECT_EQ(f[3].recording, FileState::Missing);
    EXPECT_TRUE(f[4].midi);
    EXPECT_FALSE(f[2].midi);
    // A playlist that holds a score twice counts once.
    EXPECT_EQ(f[2].playlists, 1);
    EXPECT_EQ(f[4].playlists, 2);
    EXPECT_EQ(f[5].playlists, 0);
}

TEST(Library, rows_filterShowAndSortAsAReaderExpects) {
    struct Row {
        const char* what;
        LibraryQuery query;
        std::vector<int> rows;
    };
    const Row rows[] = {
        {"all, by number", {}, {1, 2, 3, 4, 5, 6}},
        {"by number, reversed",
         {"", LibraryShow::All, LibraryColumn::Number, true},
         {6, 5, 4, 3, 2, 1}},
        {"titles: case and accents aside, numbers as numbers",
         {"", LibraryShow::All, LibraryColumn::Title, false},
         {4, 2, 5, 3, 1, 6}},
        {"titles reversed", {"", LibraryShow::All, LibraryColumn::Title, true}, {6, 1, 3, 2, 5, 4}},
        {"categories by name, none last",
         {"", LibraryShow::All, LibraryColumn::Category, false},
         {4, 1, 3, 6, 2, 5}},
        {"playlists", {"", LibraryShow::All, LibraryColumn::Playlists, true}, {4, 2, 1, 3, 5, 6}},
        {"filter as the find box: accents and case aside",
         {"etude", LibraryShow::All, LibraryColumn::Number, false},
         {2, 5}},
        {"filter by author and tags",
         {"moza", LibraryShow::All, LibraryColumn::Title, false},
         {3, 1}},
        {"missing a page",
         {"", LibraryShow::MissingPage, LibraryColumn::Number, false},
         {3, 4, 5, 6}},
        {"missing the recording",
         {"", LibraryShow::MissingRecording, LibraryColumn::Number, false},
         {1, 3, 4, 5}},
        {"no category", {"", LibraryShow::NoCategory, LibraryColumn::Number, false}, {2, 5}},
        {"the same title and author twice",
         {"", LibraryShow::SameTitleAndAuthor, LibraryColumn::Number, false},
         {2, 5}},
        {"a filter and a choice together", {"sonata", LibraryShow::MissingRecording}, {1, 3}},
    };
    const Library library;
    test::forEachRow(rows, [&](const Row& row) { EXPECT_EQ(library.rows(row.query), row.rows); });
}

TEST(Library, categories_showTheirNameOrTheirNumber) {
    CategoryNames names;
    names[1] = "Jazz";
    const std::pair<const char*, const char*> cases[] = {
        {"1", "Jazz"}, {"7", "7"}, {"0", ""}, {"", ""}, {"abc", "abc"}, {"999", "999"}};
    for (const auto& [category, shown] : cases)
        EXPECT_EQ(categoryShown(category, names), shown) << category;
    EXPECT_LT(sortKey("Sonata 2"), sortKey("sonata 10"));
    EXPECT_EQ(sortKey("\xC9TUDE"), sortKey("etude"));
    EXPECT_LT(sortKey("Tocata"), sortKey("Toccata"));
}

} // namespace
} // namespace folio
